// What the program settles before the application object exists: the one Qt notice that has no
// place in the command line's output, and whether the X display can be reached at all (Qt's X
// plugin ends the program with an abort when it cannot connect).
#pragma once

#include <optional>
#include <string>

namespace valvescope {

// Leaves out Qt's "XDG_RUNTIME_DIR not set" notice, which every run without a login session
// (as root in a container, from cron) would print; Qt still falls back to its private folder
// under /tmp and checks it, and every other message goes through as before.
void QuietRuntimeFolderNotice();

// Why the window cannot be opened, for the X window system: QT_QPA_PLATFORM says xcb, or names
// no platform while no Wayland session is there, and the display in DISPLAY does not answer.
// Nothing when the display answers or another platform will be used.
std::optional<std::string> DisplayProblem();

} // namespace valvescope
