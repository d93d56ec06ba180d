// The titles that name the tube in use: the main window's caption, the error box's title and the
// title of exported pictures and the printed page.
#pragma once

#include <string>

namespace valvescope {

// The main window's caption for a tube; for the 807 the program's caption of old.
std::string WindowCaption(const std::string& tubeName);

// The application's title, which the error box's caption shows: "Valvescope for 807" for the
// 807, "Valvescope for the <name>" for any other tube.
std::string ApplicationTitle(const std::string& tubeName);

// The title that exported pictures and the printed page carry: "Plate characteristics of the
// <name>".
std::string PictureTitle(const std::string& tubeName);

} // namespace valvescope
