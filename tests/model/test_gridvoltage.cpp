// The grid-voltage search: its walks, its faults and its skip over the used-up region.
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
// GridVoltage

struct Walk {
    double step;
    int count;
};

// The grid voltage reached from start by the given walks, each step added once and rounded.
double Walked(double start, const std::vector<Walk>& walks) {
    double vg = start;
    for (const Walk& walk : walks)
        for (int i = 0; i < walk.count; ++i)
            vg = vg + walk.step;
    return vg;
}

struct SearchCase {
    const char* name;
    double rk;
    double ip;
    double va;
    std::vector<Walk> walks;
    double approximately;
};

TEST(GridVoltage, WalksTheStepsOfTheSearch) {
    const std::vector<SearchCase> cases = {
        {"down, up, down, up", 590, 0.05, 250, {{-10, 5}, {1, 3}, {-0.1, 4}, {0.01, 2}}, -17.88},
        {"cut off at the target", 590, 0, 250, {{-10, 5}}, -50},
        {"current equals target at start", 590, 0, 0, {}, 0},
        {"ends at a positive grid", 590, 0.15, 200, {{-10, 9}, {1, 2}, {-0.1, 1}, {0.01, 8}}, 0.48},
        {"eleventh 0.1 V step upwards", 590, 0.05, 0, {{10, 8}, {0.1, 11}}, 110.6},
        {"start above the exponent limit",
         4990,
         0.05,
         250,
         {{-10, 27}, {1, 3}, {-0.1, 4}, {0.01, 2}},
         -17.88},
        {"start above +100 V", 4990, 0.2, 800, {{0.1, 10}}, 999.0},
        {"past -100 V downwards", 590, 0.001, 2000, {{-10, 11}, {-0.1, 11}}, -110.51},
        {"negative target", 590, -0.05, 250, {{-10, 8}, {-0.1, 11}}, -110.6},
        // At a negative plate voltage a positive grid draws a negative current: the start
        // compares it as it is, every later step clamps it to 0. The 0.01 V walk, short of its
        // span after ten steps, takes an eleventh.
        {"negative current at the start", -1000, -0.01, -1, {{10, 1}, {-1, 10}, {-0.01, 11}}, 9.89},
    };
    const TubeParams tube;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const double result = GridVoltage(tube, c.rk, c.ip, c.va);
        EXPECT_EQ(result, Walked(c.rk * c.ip, c.walks));
        EXPECT_NEAR(result, c.approximately, 1e-9);
    }
}

TEST(GridVoltage, EndsWhereTheCurrentCrossesTheTarget) {
    const TubeParams tube;
    const double vg = GridVoltage(tube, 590, 0.05, 250);
    EXPECT_GE(PlateCurrent(tube, vg, 250), 0.05);
    EXPECT_LT(PlateCurrent(tube, vg - 0.01, 250), 0.05);
}

TEST(GridVoltage, ReadsTheCathodeResistorPassedIn) {
    const TubeParams tube;
    // From 0 V the search takes another road to the same grid voltage as from +29.5 V.
    EXPECT_EQ(GridVoltage(tube, 0, 0.05, 250), Walked(0, {{-10, 2}, {1, 3}, {-0.1, 9}, {0.01, 2}}));
}

TEST(GridVoltageFaults, AnyFaultGivesZeroAndTheSearchEnds) {
    const TubeParams tube;
    struct Inputs {
        const char* name;
        double rk;
        double ip;
        double va;
    };
    const std::vector<Inputs> cases = {
        {"NaN current", 590, kNaN, 250},
        {"NaN plate", 590, 0.05, kNaN},
        {"NaN resistor", kNaN, 0.05, 250},
        {"infinite current", 590, kInf, 250},
        {"minus infinite current", 590, -kInf, 250},
        {"infinite resistor times zero current", kInf, 0, 250},
        {"infinite plate", 590, 0.05, kInf},
        {"start beyond range", 1e300, 1e300, 250},
        // Far out the 0.1 V steps no longer change Vg, so the walk could never end.
        {"steps too small to move", 590, -1e13, 250},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(GridVoltage(tube, c.rk, c.ip, c.va), 0.0);
    }
}

TEST(GridVoltageFaults, AFaultMidwayThroughTheSearchGivesZero) {
    // With a target below any current the search walks down to -109.5 V and on to -110.6 V.
    const TubeParams tube;
    ASSERT_EQ(GridVoltage(tube, 590, -0.05, 2000), Walked(-29.5, {{-10, 8}, {-0.1, 11}}));
    // A steep grid decade makes the current coefficient overflow below about -50 V: the start
    // and the first two steps evaluate, the third does not.
    TubeParams steep;
    steep.GridDecade = 0.162;
    ASSERT_NO_THROW(PlateCurrent(steep, -29.5, 2000));
    ASSERT_NO_THROW(PlateCurrent(steep, -49.5, 2000));
    ASSERT_EQ(ErrorOf([&] { PlateCurrent(steep, -59.5, 2000); }), kOverflowMessage);
    EXPECT_EQ(GridVoltage(steep, 590, -0.05, 2000), 0.0);
}

// The used-up region, where the search current is 0 for certain, is crossed in one jump.

// Plain 10 V steps towards zero from `magnitude` while the next one stays at or above `floor`.
double LiteralTenVoltSteps(double magnitude, double floor) {
    for (;;) {
        const double next = magnitude - 10;
        if (next < floor || next == magnitude)
            return magnitude;
        magnitude = next;
    }
}

TEST(GridVoltageSkip, JumpLandsWhereThePlainStepsLandInEveryBinade) {
    // Spacings from far below 1 up to 32, where a step no longer moves; starts on and just past
    // binade edges, and in between.
    std::vector<double> starts;
    for (int exponent = 13; exponent <= 58; ++exponent) {
        const double edge = std::ldexp(1.0, exponent);
        for (const double offset : {0.0, 10.0, 14.0, 28.0, 40.0, 100.0, 12345.678})
            starts.push_back(edge + offset);
        starts.push_back(std::nextafter(edge, 0.0));
        starts.push_back(edge * 1.37);
    }
    for (const double start : starts) {
        SCOPED_TRACE(start);
        // About 100 000 plain steps, crossing the binade's lower edge where the start is near it.
        for (const double floor :
             {std::max(5200.0, start - 1e6), std::max(5200.0, start * 0.5 - 1e6)}) {
            if (start - floor > 2e6 || start < floor)
                continue;
            EXPECT_EQ(tubemath::detail::TenVoltStepsTowardZero(start, floor),
                      LiteralTenVoltSteps(start, floor));
        }
    }
}

TEST(GridVoltageSkip, GivesWhatTheStepByStepSearchGives) {
    // Starts up to 1e7 V out, with resistors of either sign, currents of either sign, and
    // plate voltages inside and outside the law's region.
    const TubeParams tube;
    int compared = 0;
    for (const double start : {-1e7, -3.3e5 - 0.25, -1e5 + 0.01, -5230.0, -5215.5, 5215.5, 5230.0,
                               1e5 - 0.01, 3.3e5 + 0.25, 1e7}) {
        for (const double ip : {-0.05, -1e-6, 1e-6, 0.0013, 0.05, 0.3}) {
            for (const double va : {-10.0, 0.0, 250.0, 2000.0}) {
                const double rk = start / ip;
                SCOPED_TRACE(testing::Message() << rk << " " << ip << " " << va);
                EXPECT_EQ(std::bit_cast<std::uint64_t>(GridVoltage(tube, rk, ip, va)),
                          std::bit_cast<std::uint64_t>(
                              tubemath::detail::GridVoltageStepByStep(tube, rk, ip, va)));
                ++compared;
            }
        }
    }
    EXPECT_EQ(compared, 240);
}

TEST(GridVoltageSkip, FarStartsEndWithAValue) {
    const TubeParams tube;
    // A negative resistor, as the box accepts, and a huge one, from either side.
    EXPECT_EQ(GridVoltage(tube, -1e300, 0.05, 250), 0.0); // no step moves Vg out there
    // Far below -100 V with a target under any current, no walk runs: the start is the result.
    EXPECT_EQ(GridVoltage(tube, 1e300, -0.05, 250), 1e300 * -0.05);
    // From 2^54 + 2 the steps are 12 V once and then 8 V down to 2^54, then 10 V: the walk
    // reaches the law's region and the search ends near the start's residue.
    const double far = GridVoltage(tube, -(std::ldexp(1.0, 54) + 2) / 0.05, 0.05, 250);
    EXPECT_TRUE(std::isfinite(far));
    EXPECT_GT(far, -120.0);
    EXPECT_LT(far, 120.0);
}

} // namespace
