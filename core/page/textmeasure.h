// How large a text comes out on the drawing surface: the painter knows, the layout asks.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace valvescope::page {

struct TextExtent {
    std::int32_t Width = 0;  // pixels the text advances
    std::int32_t Height = 0; // the font's line height in pixels
};

// The extent of `text` (UTF-8) in `face` at `pointSize`, as a Font drawing operation with that
// face and size sets it.
using TextMeasure =
    std::function<TextExtent(const std::string& text, const std::string& face, int pointSize)>;

} // namespace valvescope::page
