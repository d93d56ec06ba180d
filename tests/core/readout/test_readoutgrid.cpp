// The readout's grid voltage far below -100 V, where the model's own search stops short.
#include "core/readout/readout.h"
#include "core/readout/readoutgrid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace valvescope {
namespace {

const tubemath::TubeParams kTube{};
constexpr std::int32_t kHeight = 224;
constexpr double kRk = 590;

// The plot of End V `endV` over the initial 462 x 224 surface with End I at 200 mA.
PlotScale ScaleForEndV(double endV) {
    return PlotScale{endV / 462.0, 224.0 / 200.0};
}

std::string TextAt(double endV, std::int32_t X, std::int32_t Y) {
    Readout readout;
    return PointerReadout(kTube, kRk, ScaleForEndV(endV), kHeight, X, Y, readout).value_or("");
}

// A different root finder: plain halving between two grid voltages whose currents lie on either
// side of Ip, down to well below the walk's last step.
double HalvedGridVoltage(double low, double high, double Ip, double Va) {
    EXPECT_LT(tubemath::PlateCurrent(kTube, low, Va), Ip);
    EXPECT_GT(tubemath::PlateCurrent(kTube, high, Va), Ip);
    while (high - low > 1e-6) {
        const double middle = (low + high) / 2;
        (tubemath::PlateCurrent(kTube, middle, Va) < Ip ? low : high) = middle;
    }
    return low;
}

TEST(ReadoutGridVoltage, FarBelowTheSearchsStopMatchesAHalvingSolve) {
    struct Point {
        double Va, Ip, Low, High;
    };
    // Plate voltages and currents whose grid voltage lies from -110 V to about -1.8 kV.
    for (const Point& p : {Point{686.0, 0.00179, -200, -100}, Point{1266.2, 0.1, -200, -100},
                           Point{3000, 0.05, -1000, -100}, Point{4990, 0.2, -1800, -1700}}) {
        const double expected = HalvedGridVoltage(p.Low, p.High, p.Ip, p.Va);
        const double vg = ReadoutGridVoltage(kTube, kRk, p.Ip, p.Va);
        EXPECT_NEAR(vg, expected, 0.0101) << p.Va << " V, " << p.Ip << " A";
        EXPECT_TRUE(ReproducesCurrent(kTube, vg, p.Ip, p.Va));
        // The model's own search answers far off here, which is what the readout mends.
        EXPECT_FALSE(
            ReproducesCurrent(kTube, tubemath::GridVoltage(kTube, kRk, p.Ip, p.Va), p.Ip, p.Va));
    }
}

TEST(ReadoutGridVoltage, ConvergedSearchIsKeptBitForBit) {
    // 249.35 V and 50 mA: the search ends at -17.8 V within its own walk.
    const double searched = tubemath::GridVoltage(kTube, kRk, 0.05, 249.35);
    EXPECT_NEAR(searched, -17.8, 0.05);
    EXPECT_EQ(ReadoutGridVoltage(kTube, kRk, 0.05, 249.35), searched);
}

TEST(ReadoutGridVoltage, NoGridVoltageDrawsTheCurrentKeepsTheSearchsAnswer) {
    // 10 A at 5 V is beyond the model anywhere on the grid; no current flows at 0 V or below.
    for (const auto& [Ip, Va] : {std::pair{10.0, 5.0}, std::pair{0.05, 0.0}, std::pair{0.05, -17.0},
                                 std::pair{-0.05, 250.0}}) {
        EXPECT_EQ(ReadoutGridVoltage(kTube, kRk, Ip, Va), tubemath::GridVoltage(kTube, kRk, Ip, Va))
            << Ip << " A at " << Va << " V";
    }
}

TEST(ReadoutGridVoltage, HugeCathodeResistorStartsTheWalkInsideTheGridRange) {
    const double vg = ReadoutGridVoltage(kTube, 1e300, 0.1, 1266.2);
    EXPECT_TRUE(ReproducesCurrent(kTube, vg, 0.1, 1266.2)) << vg;
}

TEST(ReadoutText, CurveAtMinus150VoltsReadsItsOwnGridVoltage) {
    // End V 1500, Step V 50, 4 grid lines: the pointer on the curve labelled -150.
    EXPECT_EQ(TextAt(1500, 390, 112),
              " Vp=  1.27 kv    Vg= -150. v    Ip= 100.0 ma    P= 127. w    mu=  6.14    "
              "gm= 3.71 ma/v    rp= 1.65 k");
    // Its neighbours read a gm within a few percent, not a jump to 10 ma/v.
    EXPECT_NE(TextAt(1500, 385, 112)
                  .find("Vg= -147. v    Ip= 100.0 ma    P= 125. w    "
                        "mu=  6.18    gm= 3.74 ma/v    rp= 1.65 k"),
              std::string::npos);
    EXPECT_NE(TextAt(1500, 395, 112)
                  .find("Vg= -152. v    Ip= 100.0 ma    P= 128. w    "
                        "mu=  6.11    gm= 3.69 ma/v    rp= 1.66 k"),
              std::string::npos);
}

TEST(ReadoutText, TopRightCornerAtFiveKilovoltsReadsAPositiveGm) {
    EXPECT_EQ(TextAt(5000, 461, 0),
              " Vp=  4.99 kv    Vg= -1.76 kv    Ip= 200. ma    P= 998. w    mu=  0.5    "
              "gm= 1.44 ma/v    rp= 347. ohm");
}

} // namespace
} // namespace valvescope
