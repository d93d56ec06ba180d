// JSON texts from nlohmann::ordered_json values, laid out as the program's JSON outputs have
// always been and with every number to 17 significant digits (formats/exactnumber.h); a number
// that is not finite becomes null, since JSON has none.
#pragma once

#include <nlohmann/json.hpp>

#include <string>

namespace formats {

enum class JsonLayout {
    // Objects one member a line, indented two spaces a level; arrays on one line.
    Indented,
    // Everything on one line, with a space after each comma and colon.
    OneLine,
};

std::string JsonText(const nlohmann::ordered_json& value, JsonLayout layout);

} // namespace formats
