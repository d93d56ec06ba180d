// The pointer readout over the window's initial 462 x 224 surface with the default axes.
#include "core/readout/readout.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace valvescope {
namespace {

constexpr std::int32_t kHeight = 224;
constexpr double kRk = 590;

PlotScale DefaultScale() {
    return PlotScale{800.0 / 462.0, 224.0 / 200.0};
}

std::string ReadoutAt(std::int32_t X, std::int32_t Y, Readout& readout,
                      const PlotScale& scale = DefaultScale()) {
    const auto text = PointerReadout(tubemath::TubeParams{}, kRk, scale, kHeight, X, Y, readout);
    EXPECT_TRUE(text.has_value());
    return text.value_or("");
}

// The piece of `text` that starts with `label` and runs up to the next four blanks.
std::string Piece(const std::string& text, const std::string& label) {
    const auto start = text.find(label);
    if (start == std::string::npos) {
        return "(no " + label + ")";
    }
    const auto end = text.find("    ", start + label.size());
    return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

TEST(PointerReadoutText, DefaultPlotGivesTheWholeHint) {
    Readout readout;
    EXPECT_EQ(ReadoutAt(144, 168, readout),
              " Vp=  249. v    Vg= -17.8 v    Ip= 50.0 ma    P= 12.5 w    mu=  8.07    "
              "gm= 5.09 ma/v    rp= 1.58 k");
    EXPECT_NEAR(readout.Mu, 8.068, 0.0005);
    EXPECT_NEAR(readout.Gm, 0.005095, 0.0000005);
    EXPECT_EQ(readout.Rp, readout.Mu / readout.Gm);
}

TEST(PointerReadoutText, RowJustBelowTheSurfaceReadsNoCurrent) {
    Readout readout;
    const std::string text = ReadoutAt(144, kHeight, readout);
    EXPECT_EQ(Piece(text, "Ip= "), "Ip= 0 A");
    EXPECT_EQ(Piece(text, "P= "), "P= 0 w");
}

TEST(PointerReadoutText, LeftColumnReadsZeroVolts) {
    Readout readout;
    const std::string text = ReadoutAt(0, 168, readout);
    EXPECT_EQ(text.rfind(" Vp=  0.00 v    Vg= ", 0), 0u) << text;
}

// X = 1 with the volts per pixel set to the plate voltage wanted under the pointer.
std::string PlateVoltagePieceAt(double Va, Readout& readout) {
    const PlotScale scale{Va, 224.0 / 200.0};
    return Piece(ReadoutAt(1, 168, readout, scale), "Vp=");
}

TEST(PointerReadoutText, PlateVoltageIsRoundedHalfToEvenBeforeFormatting) {
    Readout readout;
    EXPECT_EQ(PlateVoltagePieceAt(248.5, readout), "Vp=  248. v");
    EXPECT_EQ(PlateVoltagePieceAt(249.5, readout), "Vp=  250. v");
    EXPECT_EQ(PlateVoltagePieceAt(249.35, readout), "Vp=  249. v");
}

TEST(PointerReadoutText, DissipationUsesTheUnroundedPlateVoltage) {
    Readout readout;
    // 50 mA at 248.9 V is 12.445 W; at the rounded 249 V it would be 12.45 W, shown as 12.5.
    const PlotScale scale{248.9, 224.0 / 200.0};
    const std::string text = ReadoutAt(1, 168, readout, scale);
    EXPECT_EQ(Piece(text, "Vp="), "Vp=  249. v");
    EXPECT_EQ(Piece(text, "P= "), "P= 12.4 w");
}

TEST(PointerReadoutText, PointerOutsideTheSurfaceIsReadAllTheSame) {
    Readout readout;
    const std::string left = ReadoutAt(-10, 168, readout);
    EXPECT_EQ(left.rfind(" Vp= -17.0 v", 0), 0u) << left;
    const std::string below = ReadoutAt(144, kHeight + 56, readout);
    EXPECT_EQ(Piece(below, "Ip= "), "Ip= -50.0 ma");
}

// --- the small-signal values that outlive a readout ---------------------------------------

TEST(PointerReadoutValues, ZeroGmKeepsTheLastPlateResistance) {
    Readout readout;
    // Cut off at the left column: both neighbouring grid voltages draw no current.
    const std::string fresh = ReadoutAt(0, 168, readout);
    EXPECT_EQ(readout.Gm, 0.0);
    EXPECT_EQ(Piece(fresh, "gm= "), "gm= 0 ma/v");
    EXPECT_EQ(Piece(fresh, "rp= "), "rp= 0.00 ohm");

    ReadoutAt(144, 168, readout);
    const double lastRp = readout.Rp;
    ASSERT_NE(lastRp, 0.0);
    const std::string repeated = ReadoutAt(0, 168, readout);
    EXPECT_EQ(readout.Gm, 0.0);
    EXPECT_EQ(readout.Rp, lastRp);
    EXPECT_EQ(Piece(repeated, "rp= "), "rp= 1.58 k");
}

TEST(PointerReadoutValues, DivisionByZeroEndsTheReadoutSilently) {
    // A zero-height grid step in the model: PlateVoltage divides by ExponentSlope.
    tubemath::TubeParams tube;
    tube.ExponentSlope = 0;
    Readout readout{1, 2, 3};
    const auto text = PointerReadout(tube, kRk, DefaultScale(), kHeight, 144, 168, readout);
    EXPECT_FALSE(text.has_value());
    // Nothing was stored before the fault.
    EXPECT_EQ(readout.Mu, 1.0);
    EXPECT_EQ(readout.Gm, 2.0);
    EXPECT_EQ(readout.Rp, 3.0);
}

TEST(PointerReadoutValues, ZeroCurrentScaleFailsBeforeTheGuard) {
    Readout readout;
    const PlotScale scale{800.0 / 462.0, 0};
    try {
        PointerReadout(tubemath::TubeParams{}, kRk, scale, kHeight, 144, 168, readout);
        ADD_FAILURE() << "no error";
    } catch (const tubemath::ArithmeticError& error) {
        EXPECT_STREQ(error.what(), tubemath::kDivisionByZeroMessage);
    }
    try {
        PointerReadout(tubemath::TubeParams{}, kRk, scale, kHeight, 144, kHeight, readout);
        ADD_FAILURE() << "no error";
    } catch (const tubemath::ArithmeticError& error) {
        EXPECT_STREQ(error.what(), tubemath::kInvalidOperationMessage);
    }
}

} // namespace
} // namespace valvescope
