#include "core/session/windowcaption.h"

namespace valvescope {

std::string WindowCaption(const std::string& tubeName) {
    return " Valvescope for the " + tubeName + "            Kestrelon";
}

} // namespace valvescope
