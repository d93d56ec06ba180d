#include "core/session/windowcaption.h"

namespace valvescope {

std::string WindowCaption(const std::string& tubeName) {
    return " Valvescope for the " + tubeName + "            Kestrelon";
}

std::string ApplicationTitle(const std::string& tubeName) {
    return tubeName == "807" ? "Valvescope for 807" : "Valvescope for the " + tubeName;
}

std::string PictureTitle(const std::string& tubeName) {
    return "Plate characteristics of the " + tubeName;
}

} // namespace valvescope
