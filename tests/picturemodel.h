// A model of the surface that drawing operations paint, for telling whether two lists paint the
// same picture without Qt. It keeps what the redraw's shortcuts may rely on, and nothing more:
// - a line's pixels depend on its two ends and the pen alone, its end pixel left out, so a run of
//   lines that goes one way along one pixel column paints what its first and last points paint;
// - a label is a box at its top-left corner, as wide as the sum of its characters' widths, with
//   every digit as wide as any other, whose pixels depend on its text and place.
#pragma once

#include "window/drawops.h"

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
        }
    }

    void Set(std::int64_t x, std::int64_t y, std::uint32_t value) {
        if (x >= 0 && y >= 0 && x < width_ && y < height_) {
            pixels_[static_cast<std::size_t>(y * width_ + x)] = value;
        }
    }

    // Stepped along the longer axis, from the start up to but not including the end; only the
    // steps that can fall on the surface are taken.
    void Line(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1) {
        const std::int64_t dx = x1 - x0;
        const std::int64_t dy = y1 - y0;
        const std::int64_t steps = std::max(std::llabs(dx), std::llabs(dy));
        if (steps == 0) {
            return;
        }
        const bool alongX = std::llabs(dx) >= std::llabs(dy);
        const std::int64_t start = alongX ? x0 : y0;
        const std::int64_t size = alongX ? width_ : height_;
        const std::int64_t direction = (alongX ? dx : dy) > 0 ? 1 : -1;
        // Steps i with start + direction * i inside [-1, size].
        std::int64_t first = 0;
        std::int64_t last = steps - 1;
        if (direction > 0) {
            first = std::max<std::int64_t>(first, -1 - start);
            last = std::min<std::int64_t>(last, size - start);
        } else {
            first = std::max<std::int64_t>(first, start - size);
            last = std::min<std::int64_t>(last, start + 1);
        }
        const std::uint32_t value = colour_ ^ (static_cast<std::uint32_t>(penWidth_) << 24);
        for (std::int64_t i = first; i <= last; ++i) {
            const auto minor = [&](std::int64_t d) {
                return static_cast<std::int64_t>(
                    std::llround(static_cast<long double>(i) * d / steps));
            };
            const std::int64_t x = alongX ? x0 + direction * i : x0 + minor(dx);
            const std::int64_t y = alongX ? y0 + minor(dy) : y0 + direction * i;
            Set(x, y, value);
            if (penWidth_ > 1) {
                Set(x + 1, y, value);
                Set(x, y + 1, value);
            }
        }
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
