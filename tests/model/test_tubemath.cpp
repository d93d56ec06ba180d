#include "model/tubemath.h"

#include "model/checkedmath.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace {

using tubemath::ArithmeticError;
using tubemath::GridCurve;
using tubemath::GridVoltage;
using tubemath::kDivisionByZeroMessage;
using tubemath::kInvalidOperationMessage;
using tubemath::kOverflowMessage;
using tubemath::Parallel;
using tubemath::PlateCurrent;
using tubemath::PlateVoltage;
using tubemath::SignedPower;
using tubemath::TubeParams;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kMax = std::numeric_limits<double>::max();

// True when value, written to four significant digits, reads as expected.
::testing::AssertionResult HasFourDigits(double value, double expected) {
    const double unit = std::pow(10.0, std::floor(std::log10(std::fabs(expected))) - 3);
    if (std::fabs(value - expected) <= 0.5 * unit * (1 + 1e-9))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << value << " does not read as " << expected;
}

// The message of the ArithmeticError that work raises, or "" when it returns normally.
std::string ErrorOf(const std::function<void()>& work) {
    try {
        work();
    } catch (const ArithmeticError& error) {
        return error.what();
    }
    return "";
}

// ---------------------------------------------------------------------------------------------
// SignedPower and Parallel

struct TwoArguments {
    double x;
    double y;
    double expected;
};

TEST(SignedPower, FollowsItsZeroTestsAndKeepsTheSign) {
    const std::vector<TwoArguments> cases = {
        {0, 0, 1},   // a zero exponent wins over a zero base
        {0, -1, 0},  // a zero base gives 0, no infinity
        {0, 2.5, 0}, //
        {10, 0, 1},  //
        {-7, 0, 1},  //
        {-8, 1.0 / 3, -2}, {8, 1.0 / 3, 2},
        {2, 10, 1024},     {-2, 10, -1024}, // the sign of the base is kept, whatever the exponent
        {4, -0.5, 0.5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "SignedPower(" << c.x << ", " << c.y << ")");
        EXPECT_NEAR(SignedPower(c.x, c.y), c.expected, 1e-12 * std::fabs(c.expected));
    }
}

TEST(SignedPower, GivesExactlyOneForTenToTheZero) {
    // So that PlateCurrent at Vg = 0 uses Perveance itself as the current coefficient.
    EXPECT_EQ(SignedPower(10, 0), 1.0);
    EXPECT_EQ(SignedPower(10, -0.0), 1.0);
}

TEST(Parallel, CombinesOrGivesZeroForAZeroSum) {
    const std::vector<TwoArguments> cases = {
        {2, 2, 1}, {3, -3, 0}, {0, 5, 0}, {0, 0, 0}, {3, 6, 2}, {-2, -2, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "Parallel(" << c.x << ", " << c.y << ")");
        EXPECT_DOUBLE_EQ(Parallel(c.x, c.y), c.expected);
    }
}

struct FaultCase {
    const char* name;
    std::function<void()> work;
    const char* message;
};

void ExpectFaults(const std::vector<FaultCase>& cases) {
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ErrorOf(c.work), c.message);
    }
}

TEST(BuildingBlockFaults, ReachTheCallerWithTheirMessage) {
    ExpectFaults({
        {"power beyond range", [] { SignedPower(10, 400); }, kOverflowMessage},
        {"negative power beyond range", [] { SignedPower(-10, 400); }, kOverflowMessage},
        {"infinite base", [] { SignedPower(kInf, 2); }, kOverflowMessage},
        {"infinite exponent", [] { SignedPower(2, kInf); }, kOverflowMessage},
        {"NaN base", [] { SignedPower(kNaN, 2); }, kInvalidOperationMessage},
        {"NaN exponent", [] { SignedPower(2, kNaN); }, kInvalidOperationMessage},
        {"one to an infinite power", [] { SignedPower(1, kInf); }, kInvalidOperationMessage},
        {"product beyond range", [] { Parallel(1e200, 1e200); }, kOverflowMessage},
        {"sum beyond range", [] { Parallel(kMax, kMax); }, kOverflowMessage},
        {"NaN operand", [] { Parallel(kNaN, 1); }, kInvalidOperationMessage},
        {"infinite operand", [] { Parallel(kInf, 1); }, kInvalidOperationMessage},
        {"opposite infinities", [] { Parallel(kInf, -kInf); }, kInvalidOperationMessage},
    });
    // Underflow passes silently, also from an infinite operand.
    EXPECT_EQ(SignedPower(10, -400), 0.0);
    EXPECT_EQ(SignedPower(kInf, -1), 0.0);
    EXPECT_EQ(Parallel(1e-300, 1e-300), 0.0);
}

// The checked division and logarithm on their own, at zero and infinite operands: IEEE's
// exceptions, with an infinite operand's exact results passing silently.
TEST(CheckedMath, DivisionAtZeroAndInfiniteOperands) {
    using tubemath::checked::Div;
    ExpectFaults({
        {"one over zero", [] { Div(1, 0); }, kDivisionByZeroMessage},
        {"minus one over zero", [] { Div(-1, 0); }, kDivisionByZeroMessage},
        {"one over minus zero", [] { Div(1, -0.0); }, kDivisionByZeroMessage},
        {"zero over zero", [] { Div(0, 0); }, kInvalidOperationMessage},
        {"infinity over infinity", [] { Div(kInf, -kInf); }, kInvalidOperationMessage},
        {"NaN over zero", [] { Div(kNaN, 0); }, kInvalidOperationMessage},
        {"one over NaN", [] { Div(1, kNaN); }, kInvalidOperationMessage},
        {"finite quotient beyond range", [] { Div(kMax, 0.5); }, kOverflowMessage},
    });
    EXPECT_EQ(Div(kInf, 0), kInf);
    EXPECT_EQ(Div(-kInf, 2), -kInf);
    EXPECT_EQ(Div(1, kInf), 0.0);
    EXPECT_TRUE(std::signbit(Div(-1, kInf)));
    EXPECT_EQ(Div(0, -5), 0.0);
    EXPECT_EQ(Div(1e-300, 1e300), 0.0); // underflow is silent
    EXPECT_EQ(Div(7, 2), 3.5);
}

TEST(CheckedMath, LogarithmAtZeroAndInfiniteOperands) {
    using tubemath::checked::Ln;
    ExpectFaults({
        {"zero", [] { Ln(0); }, kDivisionByZeroMessage},
        {"minus zero", [] { Ln(-0.0); }, kDivisionByZeroMessage},
        {"negative", [] { Ln(-1e-300); }, kInvalidOperationMessage},
        {"minus infinity", [] { Ln(-kInf); }, kInvalidOperationMessage},
        {"NaN", [] { Ln(kNaN); }, kInvalidOperationMessage},
    });
    EXPECT_EQ(Ln(kInf), kInf);
    EXPECT_EQ(Ln(1), 0.0);
    EXPECT_TRUE(HasFourDigits(Ln(std::numeric_limits<double>::denorm_min()), -744.4));
    EXPECT_TRUE(HasFourDigits(Ln(kMax), 709.8));
}

// ---------------------------------------------------------------------------------------------
// PlateCurrent

struct CurrentCase {
    double vg;
    double va;
    double expected; // to four significant digits; 0 means exactly 0
};

TEST(PlateCurrent, MatchesTheModelInsideTheLawsRegion) {
    const TubeParams tube;
    const std::vector<CurrentCase> cases = {
        {0, 250, 0.2011},  {-20, 400, 0.1577}, {10, 250, 0.3374},     {0, 10, 0.001716},
        {10, 10, 0.04522}, {10, 2, 0.02255},   {-40, 250, 3.492e-05}, {146, 250, 2.818},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "PlateCurrent(" << c.vg << ", " << c.va << ")");
        EXPECT_TRUE(HasFourDigits(PlateCurrent(tube, c.vg, c.va), c.expected));
    }
}

TEST(PlateCurrent, IsZeroOutsideTheLawsRegion) {
    const TubeParams tube;
    const std::vector<CurrentCase> cases = {
        {-50, 250, 0},    // cutoff: 50 >= 250 / 6.0095
        {0, 0, 0},        // cutoff at zero grid and plate
        {150, 250, 0},    // exponent limit: 150 / 99.1 >= 1.48
        {-6000, 1000, 0}, // amplification factor used up
        {6000, 1000, 0},  // used up by the magnitude of a positive grid too
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "PlateCurrent(" << c.vg << ", " << c.va << ")");
        EXPECT_EQ(PlateCurrent(tube, c.vg, c.va), 0.0);
    }
}

TEST(PlateCurrent, IsZeroAtZeroPlateVoltageForEveryGrid) {
    const TubeParams tube;
    for (double vg : {-5000.0, -100.0, -10.0, -0.5, 0.0, 0.5, 10.0, 100.0, 146.0}) {
        SCOPED_TRACE(vg);
        EXPECT_EQ(PlateCurrent(tube, vg, 0), 0.0);
    }
}

TEST(PlateCurrent, AtZeroGridIsTheLawCurrentTimes300Over301) {
    const TubeParams tube;
    for (double va : {10.0, 250.0, 800.0}) {
        SCOPED_TRACE(va);
        const double lawCurrent = 5.7e-05 * std::pow(va, 1.48);
        EXPECT_NEAR(PlateCurrent(tube, 0, va), lawCurrent * 300 / 301, 1e-12 * lawCurrent);
    }
}

TEST(PlateCurrent, RightAtTheLimitsTheTestsDecide) {
    const TubeParams tube;
    // Just below the exponent limit of 146.668 V the law still gives a current; above, 0.
    EXPECT_GT(PlateCurrent(tube, 146.66, 250), 0.0);
    EXPECT_EQ(PlateCurrent(tube, 146.67, 250), 0.0);
    // Either side of the used-up limit of about 5170.3 V, with the plate far past cutoff.
    EXPECT_GT(PlateCurrent(tube, -5170, 1000), 0.0);
    EXPECT_EQ(PlateCurrent(tube, -5171, 1000), 0.0);
}

TEST(PlateCurrent, NegativePlateVoltageWithPositiveGridGivesANegativeCurrent) {
    const TubeParams tube;
    EXPECT_LT(PlateCurrent(tube, 10, -1), 0.0);
}

TEST(PlateCurrentFaults, ReachTheCallerWithTheirMessage) {
    TubeParams flatSlope;
    flatSlope.ExponentSlope = 0;
    TubeParams noDecade;
    noDecade.GridDecade = 0;
    TubeParams steepDecade;
    steepDecade.GridDecade = 0.1;
    TubeParams hugeKnee;
    hugeKnee.Perveance = 1e200;
    hugeKnee.KneeFactor = 1e200;
    const TubeParams tube;
    ExpectFaults({
        {"NaN grid", [&] { PlateCurrent(tube, kNaN, 250); }, kInvalidOperationMessage},
        {"NaN plate", [&] { PlateCurrent(tube, -10, kNaN); }, kInvalidOperationMessage},
        {"infinite plate", [&] { PlateCurrent(tube, -10, kInf); }, kOverflowMessage},
        {"infinite grid", [&] { PlateCurrent(tube, -kInf, 250); }, kOverflowMessage},
        {"zero exponent slope", [&] { PlateCurrent(flatSlope, -10, 250); }, kDivisionByZeroMessage},
        {"zero exponent slope at zero grid", [&] { PlateCurrent(flatSlope, 0, 250); },
         kInvalidOperationMessage},
        {"zero grid decade", [&] { PlateCurrent(noDecade, -10, 250); }, kDivisionByZeroMessage},
        {"coefficient beyond range", [&] { PlateCurrent(steepDecade, -40, 2000); },
         kOverflowMessage},
        {"knee scale beyond range", [&] { PlateCurrent(hugeKnee, -10, 250); }, kOverflowMessage},
    });
    // A fault in a step that is never reached does not count.
    EXPECT_EQ(PlateCurrent(steepDecade, -50, 250), 0.0);
    EXPECT_EQ(PlateCurrent(hugeKnee, -60, 250), 0.0);
    EXPECT_EQ(PlateCurrent(flatSlope, -20000, 250), 0.0);
}

// ---------------------------------------------------------------------------------------------
// GridCurve

// What one call gave: the bits of its result, or the message of its fault.
struct Outcome {
    std::uint64_t bits = 0;
    std::string fault;
    bool operator==(const Outcome&) const = default;
};

Outcome OutcomeOf(const std::function<double()>& work) {
    Outcome outcome;
    try {
        outcome.bits = std::bit_cast<std::uint64_t>(work());
    } catch (const ArithmeticError& error) {
        outcome.fault = error.what();
    }
    return outcome;
}

std::vector<TubeParams> CurveTestTubes() {
    std::vector<TubeParams> tubes(8);
    tubes[1].GridDecade = 0.162; // coefficient overflows below about -50 V
    tubes[2].ExponentSlope = 0;  // exponent-limit test divides by zero
    tubes[3].GridDecade = 0;     // coefficient divides by zero, or 0/0 at zero grid
    tubes[4].Perveance = 1e200;  // knee scale overflows
    tubes[4].KneeFactor = 1e200; //
    tubes[5].LawExponent = kInf; // law and knee powers run out of range
    tubes[6].LawExponent = kMax; // law exponent overflows at small negative grids
    tubes[6].ExponentSlope = 1e-307;
    tubes[7].MuZero = kMax; // cutoff divisor overflows at huge grids
    tubes[7].MuExponent = 1;
    return tubes;
}

TEST(GridCurve, GivesBitForBitWhatPlateCurrentGivesFaultsIncluded) {
    const std::vector<double> gridVoltages = {-kInf, -1e300, -6000, -5171, -5170, -400,   -100,
                                              -59.5, -50,    -40,   -20.5, -1,    -0.01,  0,
                                              0.01,  2,      10,    100,   146,   146.66, 146.668,
                                              150,   249.5,  1000,  6000,  1e300, kInf,   kNaN};
    std::vector<double> plateVoltages = {-kInf, -100, -1, -0.5, 0.5, 1, 1e308, kInf, kNaN, 1e6};
    for (int va = 0; va <= 2000; va += 7)
        plateVoltages.push_back(va);

    int values = 0;
    int overflows = 0;
    int divisionsByZero = 0;
    int invalids = 0;
    for (const TubeParams& tube : CurveTestTubes()) {
        for (double vg : gridVoltages) {
            const GridCurve curve(tube, vg);
            for (double va : plateVoltages) {
                SCOPED_TRACE(testing::Message() << "Vg " << vg << ", Va " << va);
                const Outcome direct = OutcomeOf([&] { return PlateCurrent(tube, vg, va); });
                const Outcome hoisted = OutcomeOf([&] { return curve.PlateCurrentAt(va); });
                ASSERT_EQ(hoisted, direct)
                    << "hoisted " << hoisted.fault << " " << std::bit_cast<double>(hoisted.bits)
                    << ", direct " << direct.fault << " " << std::bit_cast<double>(direct.bits);
                values += direct.fault.empty() && direct.bits != 0;
                overflows += direct.fault == kOverflowMessage;
                divisionsByZero += direct.fault == kDivisionByZeroMessage;
                invalids += direct.fault == kInvalidOperationMessage;
            }
        }
    }
    // The sweep reaches the law, and every kind of fault, so the comparison has something to say.
    EXPECT_GT(values, 1000);
    EXPECT_GT(overflows, 10);
    EXPECT_GT(divisionsByZero, 10);
    EXPECT_GT(invalids, 10);
}

// ---------------------------------------------------------------------------------------------
// PlateVoltage

TEST(PlateVoltage, InvertsTheSpaceChargeCurrent) {
    const TubeParams tube;
    const std::vector<CurrentCase> cases = {
        {-20, 0.05, 266.9},
        {0, 0.1, 155.6},
        {-20, 0, 131.3},
        {5, 0.1, 92.50},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "PlateVoltage(" << c.vg << ", " << c.va << ")");
        EXPECT_TRUE(HasFourDigits(PlateVoltage(tube, c.vg, c.va), c.expected));
    }
    EXPECT_EQ(PlateVoltage(tube, 0, 0), 0.0);
    EXPECT_EQ(PlateVoltage(tube, 150, 0.1), 0.0); // exponent limit
}

TEST(PlateVoltage, LeavesOutTheKneeSoPlateCurrentFallsShort) {
    const TubeParams tube;
    const double va = PlateVoltage(tube, -20, 0.05);
    EXPECT_TRUE(HasFourDigits(PlateCurrent(tube, -20, va), 0.04996));
    EXPECT_LT(PlateCurrent(tube, -20, va), 0.05);
    EXPECT_TRUE(HasFourDigits(PlateCurrent(tube, 5, PlateVoltage(tube, 5, 0.1)), 0.08485));
}

TEST(PlateVoltage, AtZeroCurrentIsTheCutoffVoltage) {
    const TubeParams tube;
    EXPECT_NEAR(PlateVoltage(tube, -20, 0), 20 * (8.7 - std::pow(20, 0.253)), 1e-12);
    // A negative current gives the sign-kept root, below the cutoff.
    EXPECT_LT(PlateVoltage(tube, -20, -0.01), PlateVoltage(tube, -20, 0));
}

TEST(PlateVoltage, PositiveGridTakesMuFromMinusVgWithItsSign) {
    const TubeParams tube;
    // 8.7 + 2^0.253 = 9.892 at +2 V, where PlateCurrent's amplification factor is 7.508.
    EXPECT_NEAR(PlateVoltage(tube, 2, 0), -2 * (8.7 + std::pow(2, 0.253)), 1e-12);
}

TEST(PlateVoltageFaults, ReachTheCallerWithTheirMessage) {
    TubeParams flatSlope;
    flatSlope.ExponentSlope = 0;
    const TubeParams tube;
    ExpectFaults({
        {"Ip / k beyond range", [&] { PlateVoltage(tube, -100, 1e308); }, kOverflowMessage},
        {"root beyond range", [&] { PlateVoltage(tube, 146.6, 10); }, kOverflowMessage},
        {"NaN current", [&] { PlateVoltage(tube, -20, kNaN); }, kInvalidOperationMessage},
        {"NaN grid", [&] { PlateVoltage(tube, kNaN, 0.05); }, kInvalidOperationMessage},
        {"infinite negative grid", [&] { PlateVoltage(tube, -kInf, 0.05); }, kOverflowMessage},
        {"zero exponent slope", [&] { PlateVoltage(flatSlope, -20, 0.05); },
         kDivisionByZeroMessage},
    });
    // The bias line's most negative grid stays in range.
    EXPECT_NO_THROW(PlateVoltage(tube, -2495, 0.5));
}

} // namespace
