#include "model/tubemodels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

using tubemath::ArithmeticError;
using tubemath::CurrentsAt;
using tubemath::ModelKind;
using tubemath::TubeModel;

// The expected currents below were worked out apart from this code, with 30-digit arithmetic.
constexpr double kRelative = 1e-12;

TubeModel KorenTriode12AX7() {
    TubeModel model{ModelKind::KorenTriode, {}, {}};
    model.Constants.Mu = 100;
    model.Constants.Ex = 1.4;
    model.Constants.Kg1 = 1060;
    model.Constants.Kp = 600;
    model.Constants.Kvb = 300;
    return model;
}

TubeModel KorenPentode6L6GC() {
    TubeModel model{ModelKind::KorenPentode, {}, {}};
    model.Constants = {8.7, 1.35, 1460, 4500, 48, 12};
    return model;
}

TubeModel Reefman(ModelKind kind) {
    TubeModel model{kind, {}, {}};
    model.Constants = {10, 1.4, 500, 2500, 40, 20, 0.0005, 5, 0.05};
    return model;
}

void ExpectNear(double value, double expected) {
    EXPECT_NEAR(value, expected, kRelative * std::fabs(expected)) << "expected " << expected;
}

TEST(ModelNames, ReadBackAsWritten) {
    for (const char* name : {"seed", "koren-triode", "koren-pentode", "derk", "derke"}) {
        const auto kind = tubemath::ModelNamed(name);
        ASSERT_TRUE(kind.has_value()) << name;
        EXPECT_EQ(tubemath::ModelName(*kind), name);
    }
    EXPECT_FALSE(tubemath::ModelNamed("Derk").has_value());
    EXPECT_EQ(tubemath::ConstantNamed("alphaS"), tubemath::ModelConstant::AlphaS);
    EXPECT_EQ(tubemath::ConstantsOf(ModelKind::KorenTriode).size(), 5u);
    EXPECT_EQ(tubemath::ConstantsOf(ModelKind::KorenPentode).size(), 6u);
    EXPECT_EQ(tubemath::ConstantsOf(ModelKind::DerkE).size(), 9u);
    EXPECT_TRUE(tubemath::ConstantsOf(ModelKind::Seed).empty());
}

TEST(SeedModel, IsPlateCurrentBitForBitFaultsIncluded) {
    const TubeModel seed;
    for (const double vg : {0.0, -10.0, -37.5, 5.0})
        for (const double va : {0.0, 1.0, 123.4, 800.0})
            EXPECT_EQ(CurrentsAt(seed, vg, va, 300).Plate, tubemath::PlateCurrent({}, vg, va));
    EXPECT_EQ(CurrentsAt(seed, -10, 250, 300).Screen, 0);
    TubeModel broken;
    broken.Seed.ExponentSlope = 0;
    EXPECT_THROW(CurrentsAt(broken, -10, 250, 0), ArithmeticError);
}

TEST(KorenTriode, CurrentsAtWorkedPoints) {
    const TubeModel tube = KorenTriode12AX7();
    ExpectNear(CurrentsAt(tube, -2, 250, 0).Plate, 0.000951803209891591);
    ExpectNear(CurrentsAt(tube, 0, 100, 0).Plate, 0.00188788246704088);
    ExpectNear(CurrentsAt(tube, -1, 100, 0).Plate, 0.000100391369064604);
    EXPECT_EQ(CurrentsAt(tube, -2, 250, 0).Screen, 0);
}

TEST(KorenTriode, EdgesGiveExactZeroAndNoOverflow) {
    const TubeModel tube = KorenTriode12AX7();
    // Far enough past cut-off that 1 + exp(x) rounds to 1: exactly nothing.
    EXPECT_EQ(CurrentsAt(tube, -10, 100, 0).Plate, 0);
    EXPECT_EQ(CurrentsAt(tube, 0, 0, 0).Plate, 0);
    EXPECT_EQ(CurrentsAt(tube, 0, -50, 0).Plate, 0);
    // kp = 800, mu = 1, Vg = 0: the softplus argument is 800, where exp(800) would overflow;
    // E1 = (100 / 800) 800 = 100 and Ia = 2 100^1.5 / 1000 = 2 A.
    TubeModel steep{ModelKind::KorenTriode, {}, {}};
    steep.Constants = {1, 1.5, 1000, 0, 800, 300};
    EXPECT_DOUBLE_EQ(CurrentsAt(steep, 0, 100, 0).Plate, 2.0);
}

TEST(KorenPentode, CurrentsAndEdges) {
    const TubeModel tube = KorenPentode6L6GC();
    auto currents = CurrentsAt(tube, -14, 250, 250);
    ExpectNear(currents.Plate, 0.0809839507414259);
    ExpectNear(currents.Screen, 0.00839624937901280);
    currents = CurrentsAt(tube, -30, 100, 300);
    ExpectNear(currents.Plate, 0.0273260312701691);
    ExpectNear(currents.Screen, 0.00168412264182776);
    // Below Va = 0, the value at 0: no plate current, the screen's unchanged.
    currents = CurrentsAt(tube, -14, -20, 250);
    EXPECT_EQ(currents.Plate, 0);
    ExpectNear(currents.Screen, 0.00839624937901280);
    // Vg + Vs / mu <= 0: the screen is cut off; no screen voltage: nothing at all.
    EXPECT_EQ(CurrentsAt(tube, -40, 250, 250).Screen, 0);
    currents = CurrentsAt(tube, 0, 250, 0);
    EXPECT_EQ(currents.Plate, 0);
    EXPECT_EQ(currents.Screen, 0);
    EXPECT_EQ(CurrentsAt(tube, 0, 250, -100).Screen, 0);
}

TEST(Reefman, CurrentsAtWorkedPoints) {
    auto currents = CurrentsAt(Reefman(ModelKind::Derk), -5, 150, 200);
    ExpectNear(currents.Plate, 0.0707879258088850);
    ExpectNear(currents.Screen, 0.0287950884646312);
    currents = CurrentsAt(Reefman(ModelKind::DerkE), -5, 150, 200);
    ExpectNear(currents.Plate, 0.0793198037853368);
    ExpectNear(currents.Screen, 0.0181302409940664);
    currents = CurrentsAt(Reefman(ModelKind::DerkE), -5, 20, 200);
    ExpectNear(currents.Plate, 0.0467485040442965);
    ExpectNear(currents.Screen, 0.0514789553107794);
}

TEST(Reefman, LowPlateVoltageSendsTheCathodeCurrentToTheScreen) {
    for (const ModelKind kind : {ModelKind::Derk, ModelKind::DerkE}) {
        const TubeModel tube = Reefman(kind);
        for (const double va : {0.0, -1e-9, -300.0}) {
            const auto currents = CurrentsAt(tube, -5, va, 200);
            EXPECT_EQ(currents.Plate, 0) << va;
            ExpectNear(currents.Screen, 0.108781445310829);
        }
        const auto off = CurrentsAt(tube, -5, 150, 0);
        EXPECT_EQ(off.Plate, 0);
        EXPECT_EQ(off.Screen, 0);
    }
}

TEST(TriodeConnected, PlateTakesBothCurrentsAtVsEqualVa) {
    for (const TubeModel& tube :
         {KorenPentode6L6GC(), Reefman(ModelKind::Derk), Reefman(ModelKind::DerkE)}) {
        const auto split = CurrentsAt(tube, -14, 250, 250);
        const auto tied = tubemath::TriodeConnectedCurrentsAt(tube, -14, 250);
        EXPECT_EQ(tied.Plate, split.Plate + split.Screen);
        EXPECT_EQ(tied.Screen, 0);
        EXPECT_EQ(tubemath::TriodeConnectedCurrentsAt(tube, -14, -10).Plate, 0);
    }
}

TEST(Faults, RaiseInsteadOfReturningInfinityOrNaN) {
    TubeModel tube = KorenPentode6L6GC();
    tube.Constants.Kvb = 0;
    EXPECT_THROW(CurrentsAt(tube, -14, 250, 250), ArithmeticError); // atan(Va / 0)
    tube = Reefman(ModelKind::Derk);
    tube.Constants.Kvb = -1e6;
    EXPECT_THROW(CurrentsAt(tube, -5, 150, 200), ArithmeticError); // root of a negative
    tube = KorenTriode12AX7();
    tube.Constants.Kg1 = 1e-320;
    EXPECT_THROW(CurrentsAt(tube, 0, 300, 0), ArithmeticError); // overflow
    EXPECT_THROW(tubemath::ConstantGradientsAt(TubeModel{}, 0, 100, 0), std::invalid_argument);
}

} // namespace
