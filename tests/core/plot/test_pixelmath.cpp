// The checked arithmetic behind the plot's coordinates: rounding to pixels, pixel margins and the
// model's floating-point operations, each fault with the message the user sees.
#include "core/plot/pixelmath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace valvescope {
namespace {

constexpr std::int32_t kIntMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kIntMax = std::numeric_limits<std::int32_t>::max();

std::string FaultOf(auto&& computation) {
    try {
        computation();
    } catch (const tubemath::ArithmeticError& error) {
        return error.what();
    }
    return "no fault";
}

TEST(CheckedArithmetic, RoundsHalvesToTheEvenNeighbour) {
    EXPECT_EQ(checked::Round(46.5), 46);
    EXPECT_EQ(checked::Round(139.5), 140);
    EXPECT_EQ(checked::Round(-2.5), -2);
    EXPECT_EQ(checked::Round(0.49999999999999994), 0);
    EXPECT_EQ(checked::Round(-9223372036854775808.0), std::numeric_limits<std::int64_t>::min());
}

TEST(CheckedArithmetic, RoundingANotANumberOrBeyond64BitsIsInvalid) {
    EXPECT_EQ(FaultOf([] { checked::Round(std::nan("")); }), tubemath::kInvalidOperationMessage);
    EXPECT_EQ(FaultOf([] { checked::Round(9223372036854775808.0); }),
              tubemath::kInvalidOperationMessage);
    EXPECT_EQ(FaultOf([] { checked::Round(-1e19); }), tubemath::kInvalidOperationMessage);
}

TEST(CheckedArithmetic, PixelsBeyond32BitsClampIntoRange) {
    EXPECT_EQ(checked::Pixel(3e9), kIntMax);
    EXPECT_EQ(checked::Pixel(-3e9), kIntMin);
    EXPECT_EQ(checked::Pixel(2147483646.5), 2147483646);
}

TEST(CheckedArithmetic, PixelMarginsOverflowAtThe32BitEnds) {
    EXPECT_EQ(FaultOf([] { checked::PixelDifference(kIntMin, 3); }),
              tubemath::kIntegerOverflowMessage);
    EXPECT_EQ(FaultOf([] { checked::PixelSum(kIntMax, 1); }), tubemath::kIntegerOverflowMessage);
    EXPECT_EQ(checked::PixelDifference(kIntMin + 3, 3), kIntMin);
}

TEST(CheckedArithmetic, DivisionsByZeroAndOverflowsAreReported) {
    EXPECT_EQ(FaultOf([] { tubemath::checked::Div(1, 0); }), tubemath::kDivisionByZeroMessage);
    EXPECT_EQ(FaultOf([] { tubemath::checked::Div(-1, -0.0); }), tubemath::kDivisionByZeroMessage);
    EXPECT_EQ(FaultOf([] { tubemath::checked::Div(0, 0); }), tubemath::kInvalidOperationMessage);
    EXPECT_EQ(FaultOf([] { tubemath::checked::Div(1e300, 1e-300); }), tubemath::kOverflowMessage);
    EXPECT_EQ(FaultOf([] { tubemath::checked::Mul(1e200, 1e200); }), tubemath::kOverflowMessage);
    EXPECT_EQ(tubemath::checked::Div(800, 462), 800.0 / 462.0);
}

} // namespace
} // namespace valvescope
