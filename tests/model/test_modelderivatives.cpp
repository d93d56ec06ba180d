#include "model/tubemodels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

namespace {

using tubemath::CurrentsAt;
using tubemath::ModelConstant;
using tubemath::ModelKind;
using tubemath::TubeModel;

struct Case {
    std::string name;
    TubeModel model;
    double vg, va, vs;
};

TubeModel Model(ModelKind kind, tubemath::ModelConstants<double> constants) {
    return {kind, {}, constants};
}

// Points inside each law's region, away from its branches, including a triode's positive grid
// and derke's kink.
std::vector<Case> Cases() {
    const tubemath::ModelConstants<double> triode = {100, 1.4, 1060, 0, 600, 300};
    const tubemath::ModelConstants<double> pentode = {8.7, 1.35, 1460, 4500, 48, 12};
    const tubemath::ModelConstants<double> reefman = {10, 1.4, 500, 2500, 40, 20, 0.0005, 5, 0.05};
    return {
        {"koren-triode", Model(ModelKind::KorenTriode, triode), -2, 250, 0},
        {"koren-triode, grid positive", Model(ModelKind::KorenTriode, triode), 0.5, 60, 0},
        {"koren-pentode", Model(ModelKind::KorenPentode, pentode), -14, 250, 250},
        {"koren-pentode, knee", Model(ModelKind::KorenPentode, pentode), -20, 15, 300},
        {"derk", Model(ModelKind::Derk, reefman), -5, 150, 200},
        {"derke, kink", Model(ModelKind::DerkE, reefman), -5, 20, 200},
    };
}

// The central difference of f at x with a step of 1e-5 relative: truncation and rounding errors
// both near 1e-9 relative for these smooth laws.
template <class F> double CentralDifference(F f, double x) {
    const double h = 1e-5 * std::max(1.0, std::fabs(x));
    return (f(x + h) - f(x - h)) / (2 * h);
}

void ExpectSlope(double exact, double difference, double scale, const std::string& what) {
    EXPECT_NEAR(exact, difference, 1e-6 * scale) << what;
}

TEST(ModelDerivatives, VoltageSlopesMatchCentralDifferences) {
    for (const Case& c : Cases()) {
        const auto slopes = tubemath::SlopesAt(c.model, c.vg, c.va, c.vs);
        EXPECT_EQ(slopes.Value.Plate, CurrentsAt(c.model, c.vg, c.va, c.vs).Plate) << c.name;
        // Slopes are compared on the scale of the largest of the three, per current.
        const auto check = [&](const char* name, auto current,
                               const tubemath::VoltageSlopes& exact) {
            const double dg = CentralDifference(
                [&](double x) { return current(CurrentsAt(c.model, x, c.va, c.vs)); }, c.vg);
            const double da = CentralDifference(
                [&](double x) { return current(CurrentsAt(c.model, c.vg, x, c.vs)); }, c.va);
            const double ds = CentralDifference(
                [&](double x) { return current(CurrentsAt(c.model, c.vg, c.va, x)); }, c.vs);
            const double scale = std::max({std::fabs(dg), std::fabs(da), std::fabs(ds), 1e-12});
            const std::string what = c.name + " " + name;
            ExpectSlope(exact.PerVg, dg, scale, what + " per Vg");
            ExpectSlope(exact.PerVa, da, scale, what + " per Va");
            ExpectSlope(exact.PerVs, ds, scale, what + " per Vs");
        };
        check(
            "plate", [](const tubemath::Currents& i) { return i.Plate; }, slopes.Plate);
        check(
            "screen", [](const tubemath::Currents& i) { return i.Screen; }, slopes.Screen);
    }
}

TEST(ModelDerivatives, ConstantGradientsMatchCentralDifferences) {
    for (const Case& c : Cases()) {
        const auto gradients = tubemath::ConstantGradientsAt(c.model, c.vg, c.va, c.vs);
        for (const ModelConstant constant : tubemath::ConstantsOf(c.model.Kind)) {
            const auto at = [&](double value) {
                TubeModel moved = c.model;
                moved.Constants[constant] = value;
                return CurrentsAt(moved, c.vg, c.va, c.vs);
            };
            const double x = c.model.Constants[constant];
            // A difference of a current that does not depend on the constant is rounding
            // noise, near 1e-16 of the current over the step; alphaS leaves Reefman's plate
            // current unchanged (alpha / kg1 + alphaS / kg2 = 1 / kg1 - 1 / kg2).
            const auto floor = [&](double current) {
                return 1e-9 * std::fabs(current) / std::max(1.0, std::fabs(x));
            };
            const auto i = static_cast<std::size_t>(constant);
            const std::string what =
                c.name + " per " + std::string(tubemath::ConstantName(constant));
            const double dPlate = CentralDifference([&](double v) { return at(v).Plate; }, x);
            const double dScreen = CentralDifference([&](double v) { return at(v).Screen; }, x);
            EXPECT_NEAR(gradients.Plate[i], dPlate,
                        1e-6 * std::fabs(dPlate) + floor(gradients.Value.Plate))
                << what;
            EXPECT_NEAR(gradients.Screen[i], dScreen,
                        1e-6 * std::fabs(dScreen) + floor(gradients.Value.Screen))
                << what;
        }
    }
}

// The seed through its own law's template: the value PlateCurrent's bit for bit, the slopes
// the differences' (the constants' gradients belong to the seed fit). Not at Vg = 0, where
// |Vg|^MuExponent has no derivative.
TEST(ModelDerivatives, SeedSlopesMatchCentralDifferences) {
    const TubeModel seed;
    for (const auto& point : {std::pair{-10.0, 250.0}, {-35.0, 400.0}, {-2.0, 60.0}}) {
        const double vg = point.first;
        const double va = point.second;
        const auto slopes = tubemath::SlopesAt(seed, vg, va, 0);
        EXPECT_EQ(slopes.Value.Plate, tubemath::PlateCurrent({}, vg, va));
        const double dg =
            CentralDifference([&](double x) { return tubemath::PlateCurrent({}, x, va); }, vg);
        const double da =
            CentralDifference([&](double x) { return tubemath::PlateCurrent({}, vg, x); }, va);
        EXPECT_NEAR(slopes.Plate.PerVg, dg, 1e-6 * std::fabs(dg)) << vg << " " << va;
        EXPECT_NEAR(slopes.Plate.PerVa, da, 1e-6 * std::fabs(da)) << vg << " " << va;
        EXPECT_EQ(slopes.Plate.PerVs, 0);
    }
    // Past cut-off: nothing, and flat.
    const auto off = tubemath::SlopesAt(seed, -60, 100, 0);
    EXPECT_EQ(off.Value.Plate, 0);
    EXPECT_EQ(off.Plate.PerVa, 0);
}

TEST(ModelDerivatives, TriodeConnectedSlopeMovesTheScreenWithThePlate) {
    const TubeModel tube = Model(ModelKind::DerkE, {10, 1.4, 500, 2500, 40, 20, 0.0005, 5, 0.05});
    const auto slopes = tubemath::TriodeConnectedSlopesAt(tube, -5, 180);
    const double da = CentralDifference(
        [&](double va) { return tubemath::TriodeConnectedCurrentsAt(tube, -5, va).Plate; }, 180);
    EXPECT_NEAR(slopes.Plate.PerVa, da, 1e-6 * std::fabs(da));
    EXPECT_EQ(slopes.Plate.PerVs, 0);
}

TEST(ModelDerivatives, FlatBelowZeroPlateVoltageAndAtCutOff) {
    const TubeModel tube = Model(ModelKind::Derk, {10, 1.4, 500, 2500, 40, 20, 0.0005, 5, 0.05});
    const auto low = tubemath::SlopesAt(tube, -5, -10, 200);
    EXPECT_EQ(low.Plate.PerVa, 0);
    EXPECT_EQ(low.Screen.PerVa, 0);
    EXPECT_GT(low.Screen.PerVs, 0);
    const auto off = tubemath::SlopesAt(tube, -5, 150, 0);
    EXPECT_EQ(off.Plate.PerVs, 0);
    EXPECT_EQ(off.Screen.PerVg, 0);
}

} // namespace
