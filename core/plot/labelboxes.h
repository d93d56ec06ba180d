// Where a curve label's opaque box lies, in pixels, and which labels show: a label is left out
// where its box would overlap one already shown or run past the edge of the surface. Labels are
// offered in drawing order, so the first of two that collide is the one that shows.
#pragma once

#include "core/plot/plotmapping.h"

#include <cstdint>
#include <string>
#include <vector>

namespace valvescope {

// The label face at its size (Arial at 12 pixels, without kerning, as the painter sets it): the
// box's height in pixels, and each printable character's advance in 64ths of a pixel. A
// character the table lacks counts as wide as the widest in it.
inline constexpr std::int64_t kLabelBoxHeight = 14;
std::int64_t LabelAdvance64(unsigned char c);

// A label's box: columns left up to right and rows top up to bottom, the latter not included.
struct LabelBox {
    std::int64_t left = 0;
    std::int64_t top = 0;
    std::int64_t right = 0;
    std::int64_t bottom = 0;

    bool Overlaps(const LabelBox& other) const {
        return left < other.right && other.left < right && top < other.bottom && other.top < bottom;
    }
};

// The pixels `text` advances: its characters' advances together, rounded as the painter rounds.
std::int64_t LabelWidth(const std::string& text);
LabelBox LabelBoxAt(LabelPlace place, const std::string& text);

// The labels shown so far on a surface of width x height pixels.
class ShownLabels {
public:
    ShownLabels(std::int32_t width, std::int32_t height) : width_(width), height_(height) {}

    // Whether a label of `text` at `place` would show now: its box lies on the surface and
    // overlaps none shown.
    bool Admits(LabelPlace place, const std::string& text) const;
    // The same, and when it shows it is counted as shown.
    bool Show(LabelPlace place, const std::string& text);

private:
    const std::int64_t width_;
    const std::int64_t height_;
    std::vector<LabelBox> shown_;
};

} // namespace valvescope
