// What the program settles before the application object exists: the one Qt notice that has no
// place in the command line's output, and whether the X display can be reached at all (Qt's X
// plugin ends the program with an abort when it cannot connect).
#pragma once

#include <optional>
#include <string>

struct xcb_connection_t;

namespace valvescope {

// Leaves out Qt's "XDG_RUNTIME_DIR not set" notice, which every run without a login session
// (as root in a container, from cron) would print; Qt still falls back to its private folder
// under /tmp and checks it, and every other message goes through as before.
void QuietRuntimeFolderNotice();

// Whether the window can be opened, for the X window system: when QT_QPA_PLATFORM says xcb, or
// names no platform while no Wayland session is there, connects to the display in DISPLAY. The
// connection stays open for as long as this lives, so create the application object meanwhile:
// an X server that loses its last client resets and refuses connections for a moment.
class DisplayCheck {
public:
    DisplayCheck();
    ~DisplayCheck();
    DisplayCheck(const DisplayCheck&) = delete;
    DisplayCheck& operator=(const DisplayCheck&) = delete;

    // Why the window cannot be opened; nothing when the display answers or another platform
    // will be used.
    const std::optional<std::string>& Problem() const { return problem_; }

private:
    xcb_connection_t* connection_ = nullptr;
    std::optional<std::string> problem_;
};

} // namespace valvescope
