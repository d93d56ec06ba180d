// The readout over tubes other than the 807: the grid voltage as the root of the plotted current,
// mu, gm and rp from the model's derivatives there, and the screen current where there is one.
#include "core/readout/readout.h"
#include "core/readout/readoutgrid.h"
#include "core/tube/library.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

namespace valvescope {
namespace {

// One volt a pixel column, 100 rows a milliamp on a surface 500 rows high.
const PlotScale kScale{1.0, 100.0};
constexpr std::int32_t kHeight = 500;

tubemath::WiredModel Library(const char* name) {
    return WiredAtItsScreen(TubeOf(*FindLibraryTube(name)));
}

double PlateCurrent(const tubemath::WiredModel& tube, double vg, double va) {
    return tubemath::CurrentsAt(tube, vg, va).Plate;
}

// The 12AX7 (Koren's 100, 1.4, 1060, 600, 300) at Va = 300 V, Ip = 2 mA: the root of the
// published law, solved by hand by halving, is Vg = -2.0272414554 V.
TEST(ModelReadout, GridVoltageIsTheRootOfTheKorenTriodesCurrent) {
    const tubemath::WiredModel tube = Library("12AX7");
    Readout readout;
    const std::optional<PointerReading> reading =
        ReadPointer(tube, 590, kScale, kHeight, 300, kHeight - 200, readout);
    ASSERT_TRUE(reading.has_value());
    EXPECT_EQ(reading->Ip, 0.002);
    EXPECT_NEAR(reading->Vg, -2.027241455447, 1e-10);
    // Ip to the root's precision: within a few steps of the last bit of Vg times the slope.
    const double vg = reading->Vg;
    const double slope =
        std::fabs(PlateCurrent(tube, vg + 1e-6, 300) - PlateCurrent(tube, vg, 300)) / 1e-6;
    EXPECT_LE(std::fabs(PlateCurrent(tube, vg, 300) - 0.002),
              4 * slope * std::fabs(std::nextafter(vg, 2 * vg) - vg));
    EXPECT_LE(PlateCurrent(tube, vg, 300), 0.002);
    EXPECT_GT(PlateCurrent(tube, std::nextafter(vg, 1.0), 300), 0.002);

    // gm, rp and mu against central differences of the model's current.
    const double h = 1e-4;
    const double gm = (PlateCurrent(tube, vg + h, 300) - PlateCurrent(tube, vg - h, 300)) / (2 * h);
    const double perVa =
        (PlateCurrent(tube, vg, 300 + h) - PlateCurrent(tube, vg, 300 - h)) / (2 * h);
    EXPECT_NEAR(readout.Gm, gm, 1e-7 * gm);
    EXPECT_NEAR(readout.Rp, 1 / perVa, 1e-6 / perVa);
    EXPECT_NEAR(readout.Mu, gm / perVa, 1e-6 * gm / perVa);
    // And by hand: 2.348 mA/V, 39.77 kohm, mu 93.37.
    EXPECT_NEAR(readout.Gm, 2.34807e-3, 1e-8);
    EXPECT_NEAR(readout.Rp, 39765.1, 0.1);
    EXPECT_NEAR(readout.Mu, 93.3714, 1e-4);
    EXPECT_EQ(reading->Is, std::nullopt);
    EXPECT_EQ(reading->Text, " Vp=  300. v    Vg= -2.03 v    Ip= 2.00 ma    P= 600 mw    mu=  93.4"
                             "    gm= 2.35 ma/v    rp= 39.8 k");
}

// The EL34 at its screen voltage of 250 V, Va = 250 V, Ip = 50 mA: Vg = -17.96708 V, where the
// screen draws 1.95679 mA (by hand, Koren's pentode with 11, 1.35, 650, 4200, 60, 24).
TEST(ModelReadout, ThePentodesScreenCurrentEndsTheText) {
    const tubemath::WiredModel tube = Library("EL34");
    ASSERT_EQ(tube.Screen.Volts, 250);
    Readout readout;
    const PlotScale scale{1.0, 1.0}; // one row a milliamp
    const std::optional<PointerReading> reading =
        ReadPointer(tube, 590, scale, kHeight, 250, kHeight - 50, readout);
    ASSERT_TRUE(reading.has_value());
    EXPECT_NEAR(reading->Vg, -17.967081791817, 1e-9);
    ASSERT_TRUE(reading->Is.has_value());
    EXPECT_NEAR(*reading->Is, 1.95678726453e-3, 1e-12);
    const std::string& text = reading->Text;
    EXPECT_EQ(text.rfind(" Vp=  250. v    Vg= -18.0 v    Ip= 50.0 ma    P= 12.5 w    mu=  ", 0), 0u)
        << text;
    const std::string tail = "    Is= 1.96 ma";
    ASSERT_GE(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail) << text;

    // Triode-connected the screen's current is the plate's: no screen current of its own.
    tubemath::WiredModel strapped = tube;
    strapped.Screen = {0, true};
    const std::optional<PointerReading> triode =
        ReadPointer(strapped, 590, scale, kHeight, 250, kHeight - 50, readout);
    ASSERT_TRUE(triode.has_value());
    EXPECT_EQ(triode->Is, std::nullopt);
    EXPECT_EQ(triode->Text.find("Is="), std::string::npos) << triode->Text;
}

// Where no grid voltage draws the current (no model draws any at Va = 0, none a negative one)
// there is no reading, and mu, gm and rp stay as they were.
TEST(ModelReadout, NoGridVoltageDrawsCurrentAtZeroVolts) {
    const tubemath::WiredModel tube = Library("12AX7");
    EXPECT_EQ(ModelGridVoltage(tube, 0.002, 0), std::nullopt);
    EXPECT_EQ(ModelGridVoltage(tube, -0.001, 300), std::nullopt);
    Readout readout{1, 2, 1234};
    EXPECT_FALSE(ReadPointer(tube, 590, kScale, kHeight, 0, kHeight - 200, readout).has_value());
    EXPECT_FALSE(ReadPointer(tube, 590, kScale, kHeight, 300, kHeight + 5, readout).has_value());
    EXPECT_EQ(readout.Mu, 1);
    EXPECT_EQ(readout.Gm, 2);
    EXPECT_EQ(readout.Rp, 1234);
    // The bottom row, Ip = 0: the grid voltage where the current's arithmetic reaches exactly
    // nothing.
    const std::optional<double> cutOff = ModelGridVoltage(tube, 0, 300);
    ASSERT_TRUE(cutOff.has_value());
    EXPECT_EQ(PlateCurrent(tube, *cutOff, 300), 0);
    EXPECT_GT(PlateCurrent(tube, std::nextafter(*cutOff, 0.0), 300), 0);
}

} // namespace
} // namespace valvescope
