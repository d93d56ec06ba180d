// The operating point's marks over the plot: where the dots and the AC load line go.
#include "core/design/stagemarks.h"
#include "core/design/stagetexts.h"
#include "core/tubeedit/measuremarks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace valvescope {
namespace {

PlotSettings DefaultSettings() {
    PlotSettings settings;
    settings.EndV = 800;
    settings.EndI = 200;
    settings.GridStep = 10;
    settings.GridLineCount = 10;
    settings.Ra = 3000;
    settings.BPlus = 400;
    settings.Rk = 590;
    return settings;
}

// The quiescent current by plain bisection on I - PlateCurrent(-Rk I, B+ - drop I).
double BisectedQuiescent(double bPlus, double drop, double rk) {
    const tubemath::TubeParams tube = Builtin807().Model.Seed;
    double low = 0;
    double high = bPlus / drop;
    for (int i = 0; i < 200; ++i) {
        const double middle = 0.5 * (low + high);
        const double excess =
            middle - tubemath::PlateCurrent(tube, -rk * middle, bPlus - drop * middle);
        (excess > 0 ? high : low) = middle;
    }
    return low;
}

TEST(StageMarks, ResistorStageDotsSitOnTheCurvesAndTheStagesLoadLine) {
    const PlotSettings settings = DefaultSettings();
    const PlotMarks marks = StageMarks(DesignStage(Builtin807(), settings, {}), settings);
    ASSERT_EQ(marks.Dots.size(), 3u);
    EXPECT_TRUE(marks.Curves.empty());
    const MarkDot& q = marks.Dots.back();
    const double iq = BisectedQuiescent(400, 3590, 590);
    EXPECT_NEAR(q.Ip, iq, 1e-12);
    // Plate to cathode, 264 V: on the curve of its own grid voltage, -Rk Iq.
    EXPECT_NEAR(q.Va, 400 - 3590 * iq, 1e-8);
    EXPECT_NEAR(q.Va, 264.234229, 1e-6);
    EXPECT_NEAR(tubemath::PlateCurrent(Builtin807().Model.Seed, -590 * iq, q.Va), iq, 1e-12);
    // The stage's DC load line from B+ to B+ / (Ra + Rk), through the dot.
    ASSERT_EQ(marks.Lines.size(), 1u);
    const MarkLine& dc = marks.Lines[0];
    EXPECT_EQ(dc.colour, kStageLoadLineColour);
    EXPECT_EQ(dc.Va0, 400);
    EXPECT_EQ(dc.Ip0, 0);
    EXPECT_EQ(dc.Va1, 0);
    EXPECT_DOUBLE_EQ(dc.Ip1, 400.0 / 3590);
    EXPECT_EQ(q.radius, kQuiescentDotRadius);
    EXPECT_EQ(q.colour, kOperatingPointColour);
    // The swing's ends on the same line, either side of Q; the default drive just reaches 0 V
    // of grid, so the current rises further than it falls.
    const MarkDot& low = marks.Dots[0];
    const MarkDot& high = marks.Dots[1];
    for (const MarkDot& end : {low, high}) {
        EXPECT_NEAR(end.Va, 400 - 590 * iq - 3000 * end.Ip, 1e-9); // the cathode held
        EXPECT_EQ(end.colour, kOperatingPointColour);
        EXPECT_EQ(end.radius, kSwingDotRadius);
    }
    EXPECT_LT(low.Ip, iq);
    EXPECT_GT(high.Ip, iq);
    EXPECT_GT(high.Ip - iq, iq - low.Ip);
    // At the top of the swing the grid is at 0 V and the current balances the load.
    const double top =
        tubemath::PlateCurrent(Builtin807().Model.Seed, 0, 400 - 590 * iq - 3000 * high.Ip);
    EXPECT_NEAR(high.Ip, top, 1e-9 * top);
}

TEST(StageMarks, TransformerLineCrossesThePlotThroughQuiescent) {
    const PlotSettings settings = DefaultSettings();
    const StageAnalysis a =
        DesignStage(Builtin807(), settings, {LoadKind::Transformer, "5000", "15"});
    const PlotMarks marks = StageMarks(a, settings);
    ASSERT_EQ(marks.Dots.size(), 3u);
    ASSERT_EQ(marks.Lines.size(), 2u);
    const double iq = BisectedQuiescent(400, 590, 590);
    // The plate at B+ less the cathode's volts at rest: no primary resistance.
    const double vp = 400 - 590 * iq;
    EXPECT_NEAR(marks.Dots[2].Va, vp, 1e-9);
    EXPECT_NEAR(marks.Dots[2].Ip, iq, 1e-12);
    // The DC line drops by Rk alone: from B+ up to the top of the plot.
    const MarkLine& dc = marks.Lines[0];
    EXPECT_EQ(dc.colour, kStageLoadLineColour);
    EXPECT_EQ(dc.Va0, 400);
    EXPECT_NEAR(dc.Va1, 400 - 590 * 0.2, 1e-9);
    EXPECT_NEAR(dc.Ip1, 0.2, 1e-15);
    const MarkLine& line = marks.Lines[1];
    EXPECT_EQ(line.colour, kDarkGreen);
    // From the current axis at Iq + Vp / 5000 down to the voltage axis at Vp + 5000 Iq,
    // which lies inside the 800 V plot for this current.
    ASSERT_LT(vp + 5000 * iq, 800);
    EXPECT_EQ(line.Va0, 0);
    EXPECT_NEAR(line.Ip0, iq + vp / 5000, 1e-12);
    EXPECT_NEAR(line.Va1, vp + 5000 * iq, 1e-8);
    EXPECT_NEAR(line.Ip1, 0, 1e-15);
    for (const MarkDot& end : marks.Dots) {
        EXPECT_NEAR(end.Ip, iq - (end.Va - vp) / 5000, 1e-12);
    }
}

TEST(StageMarks, TransformerAtItsDefaultDriveStandsWhereTheTextSaysIt) {
    // Vp 368 V at rest and most Va 527 V: the dot and the swing's far end at those volts, not at
    // the 400 V and 559 V they would have plate to ground.
    const PlotSettings settings = DefaultSettings();
    const PlotMarks marks = StageMarks(
        DesignStage(Builtin807(), settings, {LoadKind::Transformer, "5000", ""}), settings);
    ASSERT_EQ(marks.Dots.size(), 3u);
    EXPECT_NEAR(marks.Dots[2].Va, 368.0467270, 1e-6);
    EXPECT_NEAR(marks.Dots[0].Va, 527.0661240, 1e-6);
    EXPECT_NEAR(marks.Dots[0].Ip, 0.0223542104, 1e-10);
}

TEST(StageMarks, MarksOffThePlotAreLeftOut) {
    PlotSettings settings = DefaultSettings();
    const StageAnalysis a = DesignStage(Builtin807(), settings, {LoadKind::Transformer, "1e9", ""});
    settings.EndV = 300; // B+ at 400 V, and the DC line rising from it, are off the right edge
    const PlotMarks marks = StageMarks(a, settings);
    // The quiescent dot at B+ is gone; what is left of the swing lies on the plot.
    EXPECT_LT(marks.Dots.size(), 3u);
    for (const MarkDot& dot : marks.Dots) {
        EXPECT_EQ(dot.radius, kSwingDotRadius);
        EXPECT_LE(dot.Va, 300);
    }
    // The DC line enters from the right edge where it has risen past 300 V; the AC line is a
    // nearly level line through Q across the whole width, not the megavolts of its own end.
    ASSERT_EQ(marks.Lines.size(), 2u);
    EXPECT_EQ(marks.Lines[0].Va0, 300);
    const MarkLine& ac = marks.Lines[1];
    const double vp = a.Quiescent.Vp;
    EXPECT_EQ(ac.Va0, 0);
    EXPECT_EQ(ac.Va1, 300);
    EXPECT_NEAR(ac.Ip0, a.Quiescent.Ip + vp / 1e9, 1e-15);
    EXPECT_NEAR(ac.Ip1, a.Quiescent.Ip + (vp - 300) / 1e9, 1e-15);
    settings.EndI = 10; // below the current: nothing shows
    EXPECT_TRUE(StageMarks(a, settings).Empty());
}

TEST(StageMarks, ColoursNoMeasuredGridVoltageUses) {
    for (const Colour measured : kMeasurementColours) {
        EXPECT_NE(measured, kOperatingPointColour);
        EXPECT_NE(measured, kStageLoadLineColour);
        EXPECT_NE(measured, kDarkGreen);
    }
}

TEST(StageMarks, ClippingKeepsThePartInsideInOrder) {
    // 0..100 V by 0..1 A.
    const auto clip = [](MarkLine line) { return ClipToPlot(line, 100, 1); };
    const auto inside = clip({10, 0.5, 90, 0.2, kBlack, 1});
    ASSERT_TRUE(inside);
    EXPECT_EQ(inside->Va0, 10);
    EXPECT_EQ(inside->Ip1, 0.2);
    const auto across = clip({-100, 2, 300, -2, kRed, 2}); // y = 1 - x / 100
    ASSERT_TRUE(across);
    EXPECT_DOUBLE_EQ(across->Va0, 0);
    EXPECT_DOUBLE_EQ(across->Ip0, 1);
    EXPECT_DOUBLE_EQ(across->Va1, 100);
    EXPECT_NEAR(across->Ip1, 0, 1e-15);
    EXPECT_EQ(across->colour, kRed);
    EXPECT_EQ(across->width, 2);
    EXPECT_FALSE(clip({-10, 0.5, -1, 0.5, kBlack, 1})); // left of the plot
    EXPECT_FALSE(clip({0, 1.5, 100, 1.2, kBlack, 1}));  // above it
    EXPECT_FALSE(clip({50, 2, 150, 0.5, kBlack, 1}));   // past the top-right corner
    const auto vertical = clip({50, -1, 50, 3, kBlack, 1});
    ASSERT_TRUE(vertical);
    EXPECT_EQ(vertical->Ip0, 0);
    EXPECT_EQ(vertical->Ip1, 1);
}

} // namespace
} // namespace valvescope
