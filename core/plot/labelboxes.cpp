#include "core/plot/labelboxes.h"

#include <algorithm>
#include <array>

namespace valvescope {

namespace {

// Advances of the characters from ' ' to '~', in 64ths of a pixel.
constexpr std::array<std::int16_t, 95> kAdvances = {
    213, 213, 272, 427, 427, 682, 512, 146, 255, 255, 298, 448, 213, 255, 213, 213, // ' ' to '/'
    427, 427, 427, 427, 427, 427, 427, 427, 427, 427, 213, 213, 448, 448, 448, 427, // '0' to '?'
    779, 512, 512, 554, 554, 512, 469, 597, 554, 213, 384, 512, 427, 639, 554, 597, // '@' to 'O'
    512, 597, 554, 512, 469, 554, 512, 724, 512, 512, 469, 213, 213, 213, 360, 427, // 'P' to '_'
    255, 427, 427, 384, 427, 427, 213, 427, 427, 170, 170, 384, 170, 639, 427, 427, // '`' to 'o'
    427, 427, 255, 384, 213, 427, 384, 554, 384, 384, 384, 256, 199, 256, 448,      // 'p' to '~'
};

constexpr std::int64_t kWidestAdvance = 779;

} // namespace

std::int64_t LabelAdvance64(unsigned char c) {
    if (c < ' ' || c > '~') {
        return kWidestAdvance;
    }
    return kAdvances[static_cast<std::size_t>(c - ' ')];
}

std::int64_t LabelWidth(const std::string& text) {
    std::int64_t sum = 0;
    for (const char c : text) {
        sum += LabelAdvance64(static_cast<unsigned char>(c));
    }
    return (sum + 32) / 64;
}

LabelBox LabelBoxAt(LabelPlace place, const std::string& text) {
    const std::int64_t x = place.x;
    const std::int64_t y = place.y;
    return {x, y, x + LabelWidth(text), y + kLabelBoxHeight};
}

bool ShownLabels::Admits(LabelPlace place, const std::string& text) const {
    const LabelBox box = LabelBoxAt(place, text);
    if (box.left < 0 || box.top < 0 || box.right > width_ || box.bottom > height_) {
        return false;
    }
    return std::none_of(shown_.begin(), shown_.end(),
                        [&box](const LabelBox& other) { return other.Overlaps(box); });
}

bool ShownLabels::Show(LabelPlace place, const std::string& text) {
    if (!Admits(place, text)) {
        return false;
    }
    shown_.push_back(LabelBoxAt(place, text));
    return true;
}

} // namespace valvescope
