// The redraw's shortcuts against the reference path for tubes other than the 807: fits of real
// triodes, constants at the fit's bounds and beyond them. Same picture, same fault.
#include "core/plot/redraw.h"
#include "core/plot/shortcuts/biassearch.h"
#include "core/plot/shortcuts/biasshape.h"
#include "core/plot/shortcuts/tubeshape.h"

#include "tests/core/plot/pathredraw.h"
#include "tests/support/picturemodel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace {

using tubemath::TubeParams;
using valvescope::DrawOps;
using valvescope::PlotScale;
using valvescope::RedrawInput;

struct NamedTube {
    const char* name;
    TubeParams params;
};

// MuExponent, ExponentSlope, GridDecade, KneeFactor, MuZero, Perveance, LawExponent.
const std::vector<NamedTube>& FittedTubes() {
    static const std::vector<NamedTube> tubes{
        {"high-mu triode", {0.3, 60, 12, 100, 100, 2e-6, 1.4}},
        {"low-mu power triode", {0.2, 200, 60, 50, 4, 3e-4, 1.5}},
        {"ECC82-like", {0.01, 300, 20, 1, 17, 1e-4, 1.45}},
        {"all lower bounds", {0.01, 1, 1, 1, 1, 1e-9, 1}},
        {"all upper bounds", {1, 1e4, 1e3, 1e5, 200, 1, 2.5}},
        {"steep and weak", {1, 1, 1e3, 1e5, 1, 1e-9, 2.5}},
        {"flat and strong", {0.01, 1e4, 1, 1, 200, 1, 1}},
        {"mu 1, exponent 0.5", {0.5, 99.1, 31.1, 300, 1, 5.7e-5, 1.48}},
    };
    return tubes;
}

// Constants the shortcuts' proofs do not cover; the redraw takes the reference path for them.
const std::vector<NamedTube>& UncoveredTubes() {
    static const std::vector<NamedTube> tubes{
        {"negative MuExponent", {-0.2, 99.1, 31.1, 300, 8.7, 5.7e-5, 1.48}},
        {"negative ExponentSlope", {0.253, -50, 31.1, 300, 8.7, 5.7e-5, 1.48}},
        {"negative KneeFactor", {0.253, 99.1, 31.1, -3, 8.7, 5.7e-5, 1.48}},
        {"MuExponent 2", {2, 99.1, 31.1, 300, 8.7, 5.7e-5, 1.48}},
        {"negative MuZero", {0.253, 99.1, 31.1, 300, -8.7, 5.7e-5, 1.48}},
    };
    return tubes;
}

using valvescope::pathtest::Outcome;
using valvescope::pathtest::Redraw;

struct Setting {
    const char* name;
    std::int32_t endV;
    std::int32_t endI;
    double rk;
    double step;
    int lines;
    std::int32_t width = 462;
    std::int32_t height = 224;
};

const std::vector<Setting>& Settings() {
    static const std::vector<Setting> settings{
        {"default", 800, 200, 590, 10, 10},
        {"dense small steps", 300, 60, 590, 0.05, 600},
        {"mapped family", 800, 200, 590, 0.01, 3000},
        {"runs of flat curves", 120, 5, 590, 7.3, 800},
        {"large End V", 6001, 500, 590, 70, 4, 97, 61},
        {"bias line past its peak", 20001, 3000, 4990, 70, 2},
        {"negative Rk", 2024, 1406, -50, 10, 1, 128, 70},
        {"far negative Rk", 20001, 3000, -1000, 10, 1},
        {"steps of either sign far out", 1500, 300, 10, -1e4, 15},
        {"negligible steps", 800, 200, 590, 1e-72, 300},
    };
    return settings;
}

void ExpectSamePictures(const TubeParams& tube) {
    for (const Setting& s : Settings()) {
        for (const bool overlays : {false, true}) {
            SCOPED_TRACE(testing::Message() << s.name << (overlays ? ", overlays" : ""));
            RedrawInput in;
            in.tube.Model.Seed = tube;
            in.settings = {s.lines, s.step, s.endI, s.endV, 3000, s.rk, 400};
            in.overlays = valvescope::Overlays{overlays, overlays, overlays, overlays, overlays};
            in.width = s.width;
            in.height = s.height;
            const Outcome reference = Redraw(in, true);
            const Outcome fast = Redraw(in, false);
            EXPECT_EQ(fast.fault, reference.fault);
            EXPECT_EQ(picturemodel::Surface(fast.ops).FirstDifference(
                          picturemodel::Surface(reference.ops)),
                      "");
        }
    }
}

TEST(OtherTubes, FittedTriodesDrawAsTheReferencePathDoes) {
    for (const NamedTube& tube : FittedTubes()) {
        SCOPED_TRACE(tube.name);
        EXPECT_TRUE(valvescope::ShortcutsHoldFor(tube.params));
        ExpectSamePictures(tube.params);
    }
}

TEST(OtherTubes, ConstantsBeyondTheProofsFallBackToTheReferencePath) {
    for (const NamedTube& tube : UncoveredTubes()) {
        SCOPED_TRACE(tube.name);
        EXPECT_FALSE(valvescope::ShortcutsHoldFor(tube.params));
        ExpectSamePictures(tube.params);
    }
}

// A law exponent that climbs 1e6 per grid volt: a curve a few micro-volts below 0 V overflows
// a few volts into its plate voltages, inside one pixel column of 8.4 V. The column is drawn up
// to the volt before the fault, as stepping volt by volt draws it. Found by the fuzzer.
TEST(OtherTubes, FaultInsideAColumnOfVolts) {
    RedrawInput in;
    in.tube.Model.Seed = {0.0253, 9.91e-07, 31.1, 300, 8.7, 5.7e-05, 1.48};
    in.settings = {43, 9.237e-06, 650, 812, 3000, 1e-300, 400};
    in.width = 97;
    in.height = 20;
    const Outcome reference = Redraw(in, true);
    const Outcome fast = Redraw(in, false);
    EXPECT_EQ(reference.fault, std::string(tubemath::kOverflowMessage));
    EXPECT_EQ(fast.fault, reference.fault);
    EXPECT_EQ(picturemodel::Surface(fast.ops).FirstDifference(picturemodel::Surface(reference.ops)),
              "");
}

TEST(TubeShape, UsedUpMagnitudeFromTheConstants) {
    // MuZero^(1 / MuExponent): 4^2 = 16, 200^1 = 200, and for the 807 8.7^(1 / 0.253) = 5170.289.
    const struct {
        TubeParams tube;
        double expected;
    } cases[] = {{{0.5, 99.1, 31.1, 300, 4, 5.7e-5, 1.48}, 16},
                 {{1, 99.1, 31.1, 300, 200, 5.7e-5, 1.48}, 200},
                 {TubeParams{}, 5170.289}};
    for (const auto& c : cases) {
        const double g = valvescope::UsedUpMagnitude(c.tube);
        EXPECT_NEAR(g, c.expected, c.expected * 2e-5);
        for (const double further : {g, g * 1.001, g * 10, 1e300}) {
            EXPECT_GE(tubemath::SignedPower(further, c.tube.MuExponent), c.tube.MuZero);
        }
        EXPECT_LT(tubemath::SignedPower(c.expected * 0.999, c.tube.MuExponent), c.tube.MuZero);
    }
    // With MuExponent not above 0 the factor is never used up from some magnitude on.
    EXPECT_TRUE(
        std::isinf(valvescope::UsedUpMagnitude({-0.2, 99.1, 31.1, 300, 8.7, 5.7e-5, 1.48})));
}

TEST(TubeShape, NegligibleGridVoltagesDrawTheCurveOfZero) {
    EXPECT_EQ(valvescope::NegligibleGridMagnitude(TubeParams{}), 1e-70);
    // With MuExponent 0.01 even 1e-300^0.01 = 0.001 is far from negligible beside MuZero.
    EXPECT_EQ(valvescope::NegligibleGridMagnitude({0.01, 300, 20, 1, 17, 1e-4, 1.45}), 0);
    for (const NamedTube& tube : FittedTubes()) {
        const double g = valvescope::NegligibleGridMagnitude(tube.params);
        if (g == 0) {
            continue;
        }
        for (const double va : {0.0, 1.0, 37.0, 800.0}) {
            EXPECT_EQ(tubemath::PlateCurrent(tube.params, -g, va),
                      tubemath::PlateCurrent(tube.params, 0, va))
                << tube.name << " at " << va << " V";
        }
    }
}

TEST(BiasShape, The807RisesToItsPeakNearMinus3300VoltsOfGrid) {
    const TubeParams tube;
    const valvescope::BiasShape shape = valvescope::BiasShapeFor(tube, 4990, 3, 20001);
    ASSERT_TRUE(shape.proven);
    EXPECT_TRUE(shape.peaks);
    EXPECT_GT(shape.risingUpTo, 3000);
    EXPECT_LT(shape.risingUpTo, 3400);
    // The bias voltage as the model forms it rises up to there, and has fallen well past it.
    double before = -1;
    for (double I = 0.01; 4990 * I < shape.risingUpTo; I += 0.01) {
        const double v = valvescope::BiasVoltageAt(tube, 4990, I);
        EXPECT_GT(v, before) << I << " A";
        before = v;
    }
    EXPECT_LT(valvescope::BiasVoltageAt(tube, 4990, 1.6),
              valvescope::BiasVoltageAt(tube, 4990, 0.7));
    // A small bias resistor keeps the grid near 0 V: no peak within an ampere.
    const valvescope::BiasShape small = valvescope::BiasShapeFor(tube, 590, 1, 1e6);
    EXPECT_TRUE(small.proven);
    EXPECT_FALSE(small.peaks);
    // With Rk = -1 the grid reaches the law exponent's limit (99.1 * 1.48 = 146.7 V) only after
    // the bias voltage has passed every plate voltage: no search gets near it.
    const valvescope::BiasShape capped =
        valvescope::BiasShapeFor(tube, -1, 2147483.647, 2147483647);
    EXPECT_TRUE(capped.proven);
    EXPECT_TRUE(capped.capped);
    EXPECT_LT(capped.risingUpTo, 146.7);
    EXPECT_GT(valvescope::BiasVoltageAt(tube, -1, capped.risingUpTo + 1e-5), 2147483647.0);
}

} // namespace
