// The pixels of a 1-pixel line as the plot draws them, defined here rather than left to a
// graphics library, so that a line paints the same pixels whichever lines come before and after
// it: the redraw relies on that when it leaves out lines already on the surface.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace valvescope {

// Calls visit(x, y) for each pixel of the line from (x0, y0) to (x1, y1) that lies within
// [0, width) x [0, height): stepped along the longer axis from the start up to but not including
// the end, each step's other coordinate rounded to the nearest pixel, halves away from the start.
// Coordinates are those of 32-bit pixels.
// Only the steps that can fall on the surface are taken, so far-off ends cost nothing.
template <typename Visit>
void ForEachLinePixel(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1,
                      std::int64_t width, std::int64_t height, Visit&& visit) {
    const std::int64_t dx = x1 - x0;
    const std::int64_t dy = y1 - y0;
    const std::int64_t steps = std::max(std::llabs(dx), std::llabs(dy));
    if (steps == 0) {
        return;
    }
    const bool alongX = std::llabs(dx) >= std::llabs(dy);
    const std::int64_t start = alongX ? x0 : y0;
    const std::int64_t size = alongX ? width : height;
    const std::int64_t direction = (alongX ? dx : dy) > 0 ? 1 : -1;
    // The steps i whose coordinate start + direction * i lies within [0, size).
    std::int64_t first = 0;
    std::int64_t last = steps - 1;
    if (direction > 0) {
        first = std::max<std::int64_t>(first, -start);
        last = std::min<std::int64_t>(last, size - 1 - start);
    } else {
        first = std::max<std::int64_t>(first, start - (size - 1));
        last = std::min<std::int64_t>(last, start);
    }
    if (first > last) {
        return;
    }
    const std::int64_t minorStart = alongX ? y0 : x0;
    const std::int64_t minorSpan = alongX ? dy : dx;
    const std::int64_t minorSize = alongX ? height : width;
    const std::int64_t minorDirection = minorSpan < 0 ? -1 : 1;
    // Step i's offset along the other axis is round(i * |span| / steps), halves up: the floor of
    // (2 * i * |span| + steps) / (2 * steps), carried from step to step as a quotient and a
    // remainder. The first one is formed in 128 bits: the product may pass 2^63.
    __extension__ using Wide = unsigned __int128;
    const auto span = static_cast<std::uint64_t>(std::llabs(minorSpan));
    const auto denominator = static_cast<std::uint64_t>(2 * steps);
    const Wide numerator =
        Wide{2} * static_cast<std::uint64_t>(first) * span + static_cast<std::uint64_t>(steps);
    auto quotient = static_cast<std::int64_t>(numerator / denominator);
    auto remainder = static_cast<std::uint64_t>(numerator % denominator);
    const auto stride = static_cast<std::int64_t>((2 * span) / denominator);
    const std::uint64_t strideRemainder = (2 * span) % denominator;
    for (std::int64_t i = first; i <= last; ++i) {
        const std::int64_t major = start + direction * i;
        const std::int64_t minor = minorStart + minorDirection * quotient;
        if (minor >= 0 && minor < minorSize) {
            if (alongX) {
                visit(major, minor);
            } else {
                visit(minor, major);
            }
        }
        quotient += stride;
        remainder += strideRemainder;
        if (remainder >= denominator) {
            remainder -= denominator;
            ++quotient;
        }
    }
}

} // namespace valvescope
