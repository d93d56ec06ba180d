// A model of the surface that drawing operations paint, for telling whether two lists paint the
// same picture without Qt. It keeps what the redraw's shortcuts may rely on, and nothing more:
// - a line's pixels depend on its two ends and the pen alone, its end pixel left out, so a run of
//   lines that goes one way along one pixel column paints what its first and last points paint
//   (1-pixel lines paint the pixels the painter paints);
// - a label is a box at its top-left corner, as wide as the sum of its characters' widths, with
//   every digit as wide as any other, whose pixels depend on its text and place.
#pragma once

#include "core/plot/drawops.h"
#include "core/plot/linepixels.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace picturemodel {

class Surface {
public:
    explicit Surface(const valvescope::DrawOps& ops) {
        for (const valvescope::DrawOp& op : ops) {
            Apply(op);
        }
    }

    bool operator==(const Surface&) const = default;

    // The first pixel where two surfaces differ, as "x,y", or "" when none does.
    std::string FirstDifference(const Surface& other) const {
        if (width_ != other.width_ || height_ != other.height_) {
            return "size";
        }
        for (std::size_t i = 0; i < pixels_.size(); ++i) {
            if (pixels_[i] != other.pixels_[i]) {
                return std::to_string(i % static_cast<std::size_t>(width_)) + "," +
                       std::to_string(i / static_cast<std::size_t>(width_));
            }
        }
        return {};
    }

private:
    static constexpr std::int64_t kLabelHeight = 14;

    static std::int64_t CharacterWidth(char c) {
        if (c >= '0' && c <= '9') {
            return 7;
        }
        switch (c) {
        case '-':
            return 4;
        case '.':
        case ',':
        case ' ':
            return 3;
        default:
            return 8;
        }
    }

    void Apply(const valvescope::DrawOp& op) {
        using valvescope::DrawOpKind;
        switch (op.kind) {
        case DrawOpKind::Blank:
            width_ = std::max(op.x, 0);
            height_ = std::max(op.y, 0);
            pixels_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_),
                           0xFFFFFF);
            break;
        case DrawOpKind::PenColour:
            colour_ = op.colour;
            break;
        case DrawOpKind::PenWidth:
            penWidth_ = op.size;
            break;
        case DrawOpKind::MoveTo:
            x_ = op.x;
            y_ = op.y;
            break;
        case DrawOpKind::LineTo:
            Line(x_, y_, op.x, op.y);
            x_ = op.x;
            y_ = op.y;
            break;
        case DrawOpKind::Font:
            break;
        case DrawOpKind::Text:
            Label(op.x, op.y, op.text);
            break;
        case DrawOpKind::Dot:
            for (std::int64_t dy = -op.size; dy <= op.size; ++dy)
                for (std::int64_t dx = -op.size; dx <= op.size; ++dx)
                    if (dx * dx + dy * dy <= std::int64_t{op.size} * op.size)
                        Set(op.x + dx, op.y + dy, op.colour);
            break;
        }
    }

    void Set(std::int64_t x, std::int64_t y, std::uint32_t value) {
        if (x >= 0 && y >= 0 && x < width_ && y < height_) {
            pixels_[static_cast<std::size_t>(y * width_ + x)] = value;
        }
    }

    // A 1-pixel line paints what the painter paints on a pixel surface; a wider one its
    // neighbours below and to the right as well.
    void Line(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1) {
        const std::uint32_t value = colour_ ^ (static_cast<std::uint32_t>(penWidth_) << 24);
        valvescope::ForEachLinePixel(x0, y0, x1, y1, width_, height_,
                                     [&](std::int64_t x, std::int64_t y) {
                                         Set(x, y, value);
                                         if (penWidth_ > 1) {
                                             Set(x + 1, y, value);
                                             Set(x, y + 1, value);
                                         }
                                     });
    }

    void Label(std::int64_t x, std::int64_t y, const std::string& text) {
        std::int64_t width = 0;
        for (const char c : text) {
            width += CharacterWidth(c);
        }
        const auto ink = static_cast<std::uint32_t>(std::hash<std::string>{}(text));
        for (std::int64_t row = std::max<std::int64_t>(y, 0);
             row < std::min<std::int64_t>(y + kLabelHeight, height_); ++row) {
            for (std::int64_t column = std::max<std::int64_t>(x, 0);
                 column < std::min<std::int64_t>(x + width, width_); ++column) {
                const auto offset = static_cast<std::uint32_t>((column - x) * 31 + (row - y));
                Set(column, row, 0x1000000u | ((ink + offset * 2654435761u) & 0xFFFFFF));
            }
        }
    }

    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    std::vector<std::uint32_t> pixels_;
    valvescope::Colour colour_ = 0;
    std::int32_t penWidth_ = 1;
    std::int64_t x_ = 0;
    std::int64_t y_ = 0;
};

} // namespace picturemodel
