// The main window's caption.
#pragma once

#include <string>

namespace valvescope {

// The main window's caption for a tube; for the 807 the program's caption of old.
std::string WindowCaption(const std::string& tubeName);

} // namespace valvescope
