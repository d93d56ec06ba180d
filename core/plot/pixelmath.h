// The plot's checked arithmetic: the model's floating-point operations (model/checkedmath.h)
// and, on top of them, the rounding of volts and amperes to pixel coordinates. Every fault
// throws tubemath::ArithmeticError with the message the user sees.
#pragma once

#include "model/checkedmath.h"
#include "model/tubemath.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace valvescope::checked {

using tubemath::checked::Add;
using tubemath::checked::Div;
using tubemath::checked::Mul;
using tubemath::checked::Sub;

// v rounded to the nearest integer, halves to the even one; fails for a not-a-number or a value
// beyond the 64-bit integer range.
inline std::int64_t Round(double v) {
    // nearbyint rounds halves to even in the default rounding mode.
    const double rounded = std::nearbyint(v);
    constexpr double kLimit = 9223372036854775808.0; // 2^63
    if (!(rounded >= -kLimit && rounded < kLimit)) {
        throw tubemath::ArithmeticError(tubemath::kInvalidOperationMessage);
    }
    return static_cast<std::int64_t>(rounded);
}

// Round(v) as a pixel coordinate. Coordinates beyond the 32-bit range (only reachable with
// extreme settings) are clamped into it; the surface clips them anyway.
inline std::int32_t Pixel(double v) {
    constexpr std::int64_t kLowest = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t kHighest = std::numeric_limits<std::int32_t>::max();
    const std::int64_t whole = Round(v);
    // Clamped rather than wrapped: a far-off point stays far off in the same direction.
    return static_cast<std::int32_t>(whole < kLowest    ? kLowest
                                     : whole > kHighest ? kHighest
                                                        : whole);
}

// Pixel arithmetic that fails with "Integer overflow" outside the 32-bit range.
inline std::int32_t PixelSum(std::int32_t a, std::int32_t b) {
    std::int32_t result = 0;
    if (__builtin_add_overflow(a, b, &result)) {
        throw tubemath::ArithmeticError(tubemath::kIntegerOverflowMessage);
    }
    return result;
}

inline std::int32_t PixelDifference(std::int32_t a, std::int32_t b) {
    std::int32_t result = 0;
    if (__builtin_sub_overflow(a, b, &result)) {
        throw tubemath::ArithmeticError(tubemath::kIntegerOverflowMessage);
    }
    return result;
}

} // namespace valvescope::checked
