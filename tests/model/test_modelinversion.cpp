#include "model/modelinversion.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using tubemath::CurrentsAt;
using tubemath::ModelKind;
using tubemath::PlateVoltageFor;
using tubemath::TubeModel;

const TubeModel kTriode{ModelKind::KorenTriode, {}, {100, 1.4, 1060, 0, 600, 300}};
const TubeModel kPentode{ModelKind::KorenPentode, {}, {8.7, 1.35, 1460, 4500, 48, 12}};
const TubeModel kDerk{ModelKind::Derk, {}, {10, 1.4, 500, 2500, 40, 20, 0.0005, 5, 0.05}};
// No slope with the plate voltage: the quadratic falls to a line.
const TubeModel kDerkFlat{ModelKind::Derk, {}, {10, 1.4, 500, 2500, 40, 20, 0, 5, 0.05}};
const TubeModel kDerkE{ModelKind::DerkE, {}, {10, 1.4, 500, 2500, 40, 20, 0.0005, 5, 0.05}};

TEST(PlateVoltageFor, KorenPentodeInClosedFormUpToItsAsymptote) {
    EXPECT_TRUE(tubemath::HasClosedFormPlateVoltage(ModelKind::KorenPentode));
    // Va = kvb tan(ip / K), K = 2 E1^ex / kg1; worked out apart from this code.
    const auto va = PlateVoltageFor(kPentode, 0.05, -14, 250, 800);
    ASSERT_TRUE(va.has_value());
    EXPECT_NEAR(*va, 16.4379481225981, 1e-11);
    // The plate current never reaches K pi / 2 = 83.53 mA here, nor 50 mA below 10 V.
    EXPECT_FALSE(PlateVoltageFor(kPentode, 0.0836, -14, 250, 1e9).has_value());
    EXPECT_FALSE(PlateVoltageFor(kPentode, 0.05, -14, 250, 10).has_value());
    EXPECT_FALSE(PlateVoltageFor(kPentode, 0.05, -14, 0, 800).has_value());
}

TEST(PlateVoltageFor, EveryModelFindsThePlateVoltageItsCurrentCameFrom) {
    struct Point {
        const TubeModel* model;
        double vg, va, vs;
    };
    for (const Point& p :
         {Point{&kTriode, -2, 250, 0}, Point{&kTriode, 0.5, 12, 0}, Point{&kPentode, -30, 3, 300},
          Point{&kDerk, -5, 150, 200}, Point{&kDerk, -5, 3, 200}, Point{&kDerkFlat, -5, 40, 200},
          Point{&kDerkE, -5, 150, 200}, Point{&kDerkE, -5, 20, 200}}) {
        const double ip = CurrentsAt(*p.model, p.vg, p.va, p.vs).Plate;
        const auto va = PlateVoltageFor(*p.model, ip, p.vg, p.vs, 800);
        ASSERT_TRUE(va.has_value()) << tubemath::ModelName(p.model->Kind) << " " << p.va;
        EXPECT_NEAR(*va, p.va, 1e-9 * p.va) << tubemath::ModelName(p.model->Kind);
    }
}

TEST(PlateVoltageFor, TriodeConnectedIsSearchedWithTheScreenOnThePlate) {
    const double ip = tubemath::TriodeConnectedCurrentsAt(kDerkE, -5, 120).Plate;
    const auto va = tubemath::TriodeConnectedPlateVoltageFor(kDerkE, ip, -5, 800);
    ASSERT_TRUE(va.has_value());
    EXPECT_NEAR(*va, 120, 1e-9 * 120);
}

TEST(PlateVoltageFor, NoCurrentNegativeCurrentOutOfReachAndTheSeed) {
    EXPECT_EQ(PlateVoltageFor(kTriode, 0, -2, 0, 800), 0.0);
    EXPECT_FALSE(PlateVoltageFor(kTriode, -1e-3, -2, 0, 800).has_value());
    // 12AX7 constants at -2 V draw 0.95 mA at 250 V: 5 mA is beyond a 300 V axis.
    EXPECT_FALSE(PlateVoltageFor(kTriode, 5e-3, -2, 0, 300).has_value());
    EXPECT_FALSE(PlateVoltageFor(kDerkE, 1e-3, -5, 0, 800).has_value());
    const TubeModel seed;
    EXPECT_EQ(PlateVoltageFor(seed, 0.05, -10, 0, 800), tubemath::PlateVoltage({}, -10, 0.05));
}

} // namespace
