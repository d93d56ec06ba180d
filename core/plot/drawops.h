// The plot as a list of drawing operations: what the redraw asks of the drawing surface, in
// order, as plain data. The painter replays the list onto a Qt surface; tests read it directly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace valvescope {

// A colour as the drawing interface takes it: blue in the high byte, red in the low byte.
using Colour = std::uint32_t;

inline constexpr Colour kSilver = 0xC0C0C0;
inline constexpr Colour kBlue = 0xFF0000;
inline constexpr Colour kBlack = 0x000000;
inline constexpr Colour kRed = 0x0000FF;
inline constexpr Colour kMaroon = 0x000080;
inline constexpr Colour kWhite = 0xFFFFFF;
inline constexpr Colour kDarkGreen = 0x006400;

inline constexpr int RedOf(Colour c) {
    return static_cast<int>(c & 0xFF);
}
inline constexpr int GreenOf(Colour c) {
    return static_cast<int>((c >> 8) & 0xFF);
}
inline constexpr int BlueOf(Colour c) {
    return static_cast<int>((c >> 16) & 0xFF);
}

// The face name and size of the curve labels.
inline constexpr const char* kLabelFace = "ariel";
inline constexpr int kLabelPointSize = 9;

// A label's opaque box and every pixel of its glyphs lie within this reach of its top-left
// corner: at most kLabelReachPerCharacter pixels across for each character, kLabelReachDown
// pixels down, and kLabelReachOutside pixels beyond either, in any direction. (The label font is
// 12 pixels high; these leave room for any face that stands in for it.)
inline constexpr int kLabelReachPerCharacter = 24;
inline constexpr int kLabelReachDown = 36;
inline constexpr int kLabelReachOutside = 4;

enum class DrawOpKind {
    Blank,     // the whole surface, x by y pixels, becomes white with a 1-pixel black border
    PenColour, // colour
    PenWidth,  // width in pixels (solid pen)
    MoveTo,    // x, y becomes the current point
    LineTo,    // from the current point to x, y, whose own pixel is not painted
    Font,      // colour, text is the face name, size in points
    Text,      // text with its top-left corner at x, y, on an opaque white background
    Dot,       // a disc of radius size around x, y, filled with colour
};

struct DrawOp {
    DrawOpKind kind = DrawOpKind::Blank;
    std::int32_t x = 0;
    std::int32_t y = 0;
    Colour colour = 0;
    std::int32_t size = 0; // pen width or font point size
    std::string text;      // text to write or font face name

    bool operator==(const DrawOp&) const = default;
};

using DrawOps = std::vector<DrawOp>;

// Appends operations to a list, one call per surface operation.
class DrawRecorder {
public:
    explicit DrawRecorder(DrawOps& ops) : ops_(ops) {}

    void Blank(std::int32_t width, std::int32_t height) {
        ops_.push_back({DrawOpKind::Blank, width, height, 0, 0, {}});
    }
    void PenColour(Colour colour) { ops_.push_back({DrawOpKind::PenColour, 0, 0, colour, 0, {}}); }
    void PenWidth(std::int32_t width) {
        ops_.push_back({DrawOpKind::PenWidth, 0, 0, 0, width, {}});
    }
    void MoveTo(std::int32_t x, std::int32_t y) {
        ops_.push_back({DrawOpKind::MoveTo, x, y, 0, 0, {}});
    }
    void LineTo(std::int32_t x, std::int32_t y) {
        ops_.push_back({DrawOpKind::LineTo, x, y, 0, 0, {}});
    }
    void Font(Colour colour, std::string face, std::int32_t pointSize) {
        ops_.push_back({DrawOpKind::Font, 0, 0, colour, pointSize, std::move(face)});
    }
    void Text(std::int32_t x, std::int32_t y, std::string text) {
        ops_.push_back({DrawOpKind::Text, x, y, 0, 0, std::move(text)});
    }
    // Room for `more` operations, ahead of a long stretch of them.
    void Dot(std::int32_t x, std::int32_t y, std::int32_t radius, Colour colour) {
        ops_.push_back({DrawOpKind::Dot, x, y, colour, radius, {}});
    }
    void Reserve(std::size_t more) { ops_.reserve(ops_.size() + more); }

private:
    DrawOps& ops_;
};

} // namespace valvescope
