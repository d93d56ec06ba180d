#include "formats/jsontext.h"

#include "formats/exactnumber.h"

#include <cmath>
#include <cstddef>

namespace formats {

namespace {

void Write(const nlohmann::ordered_json& value, JsonLayout layout, int depth, std::string& text) {
    using Type = nlohmann::ordered_json::value_t;
    switch (value.type()) {
    case Type::object: {
        const bool indented = layout == JsonLayout::Indented;
        const std::string inner =
            indented ? "\n" + std::string(static_cast<std::size_t>(depth + 1) * 2, ' ') : "";
        text += '{';
        bool first = true;
        for (const auto& [key, member] : value.items()) {
            text += first ? inner : "," + (indented ? inner : std::string(" "));
            first = false;
            text += nlohmann::ordered_json(key).dump() + ": ";
            Write(member, layout, depth + 1, text);
        }
        if (indented) {
            text += "\n" + std::string(static_cast<std::size_t>(depth) * 2, ' ');
        }
        text += '}';
        break;
    }
    case Type::array: {
        text += '[';
        bool first = true;
        for (const auto& element : value) {
            text += first ? "" : ", ";
            first = false;
            Write(element, layout, depth + 1, text);
        }
        text += ']';
        break;
    }
    case Type::number_float: {
        const double x = value.get<double>();
        text += std::isfinite(x) ? SeventeenDigits(x) : "null";
        break;
    }
    default:
        // Strings, whole numbers, true, false and null as nlohmann writes them.
        text += value.dump();
        break;
    }
}

} // namespace

std::string JsonText(const nlohmann::ordered_json& value, JsonLayout layout) {
    std::string text;
    Write(value, layout, 0, text);
    return text;
}

} // namespace formats
