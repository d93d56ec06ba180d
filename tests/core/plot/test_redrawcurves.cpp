// The curve family and the redraw's failures on the window's initial 462 x 224 surface.
#include "core/plot/redraw.h"
#include "tests/core/plot/redrawreading.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace valvescope {
namespace {

using namespace redrawtest;

// --- the curve family ----------------------------------------------------------------------

TEST(RedrawCurves, DefaultFamilyStopsAndLabelsAsExpected) {
    // On the reference path: the shortcuts leave out lines already drawn.
    RedrawInput in = DefaultInput();
    in.stepByStep = true;
    const auto blocks = PenBlocks(Redraw(in));
    ASSERT_EQ(blocks.back().colour, kBlack);
    const auto curves = Curves(blocks.back().ops);
    ASSERT_EQ(curves.size(), 11u);

    const std::vector<std::size_t> stopVolts{241, 340, 432, 520, 604, 686, 761, 761, 761, 761, 761};
    const std::vector<Point> labels{{136, 1},   {193, 1},   {246, 1},  {297, 1},
                                    {346, 1},   {393, 1},   {437, 5},  {437, 77},
                                    {437, 130}, {437, 167}, {437, 190}};
    const std::vector<std::string> texts{"0",   "-10", "-20", "-30", "-40", "-50",
                                         "-60", "-70", "-80", "-90", "-100"};
    for (std::size_t k = 0; k < curves.size(); ++k) {
        SCOPED_TRACE(k);
        const DrawOps& curve = curves[k];
        EXPECT_EQ(curve[0], (DrawOp{DrawOpKind::Font, 0, 0, kBlue, 9, "ariel"}));
        EXPECT_EQ(curve[1], MoveToOp(0, 224));
        const auto points = PointsOf(curve, DrawOpKind::LineTo);
        // One point per whole volt from 0 V up to the stop voltage.
        EXPECT_EQ(points.size(), stopVolts[k] + 1);
        EXPECT_EQ(points.front(), (Point{0, 224}));
        EXPECT_EQ(curve.back().kind, DrawOpKind::Text);
        EXPECT_EQ((Point{curve.back().x, curve.back().y}), labels[k]);
        EXPECT_EQ(curve.back().text, texts[k]);
    }
}

TEST(RedrawCurves, TopLabelSitsThreePixelsLeftOfTheLastPoint) {
    const auto curves = Curves(PenBlocks(Redraw(ReferenceInput())).back().ops);
    ASSERT_FALSE(curves.empty());
    const auto points = PointsOf(curves[0], DrawOpKind::LineTo);
    EXPECT_EQ(curves[0].back().x, points.back().x - 3);
    EXPECT_LE(points.back().y, 224 - 190 * 1.12);
}

TEST(RedrawCurves, GridLineCountZeroDrawsOnlyTheZeroVoltCurve) {
    RedrawInput in = DefaultInput();
    in.settings.GridLineCount = 0;
    const DrawOps ops = Redraw(in);
    EXPECT_EQ(CountOf(ops, DrawOpKind::Font), 1u);
    EXPECT_EQ(TextsOf(ops), (std::vector<std::string>{"0"}));
}

TEST(RedrawCurves, NegativeGridLineCountDrawsNoCurvesAndNoLabels) {
    RedrawInput in = DefaultInput();
    in.settings.GridLineCount = -3;
    const DrawOps ops = Redraw(in);
    EXPECT_EQ(CountOf(ops, DrawOpKind::Font), 0u);
    EXPECT_EQ(CountOf(ops, DrawOpKind::Text), 0u);
    EXPECT_EQ(ops.back(), PenWidthOp(1));
}

TEST(RedrawCurves, NegativeEndVDrawsNoPointsAndNoLabelsPastTheBottomEdge) {
    RedrawInput in = ReferenceInput();
    in.settings.EndV = -800;
    in.overlays.Rk = true;
    const auto blocks = PenBlocks(Redraw(in));
    ASSERT_GE(blocks.size(), 7u);
    EXPECT_EQ(blocks[5].colour, kMaroon);
    EXPECT_EQ(CountOf(blocks[5].ops, DrawOpKind::LineTo), 0u);
    // Every label would go to the bottom right, 10 rows above the row of no current, one past the
    // surface's last, and so hang 4 rows past the bottom edge: none shows.
    const auto curves = Curves(blocks[6].ops);
    ASSERT_EQ(curves.size(), 11u);
    for (const DrawOps& curve : curves) {
        EXPECT_EQ(CountOf(curve, DrawOpKind::LineTo), 0u);
        EXPECT_EQ(CountOf(curve, DrawOpKind::Text), 0u);
    }
}

// --- failures ------------------------------------------------------------------------------

TEST(RedrawFailures, ZeroWidthOrZeroEndIFailsAtTheScaleAndKeepsTheOldOne) {
    RedrawInput zeroWidth = DefaultInput();
    zeroWidth.width = 0;
    RedrawInput zeroEndI = DefaultInput();
    zeroEndI.settings.EndI = 0;
    for (const RedrawInput& in : {zeroWidth, zeroEndI}) {
        PlotScale scale{1.5, 2.5};
        DrawOps ops{MoveToOp(1, 1)};
        EXPECT_EQ(FailingRedraw(in, scale, ops), tubemath::kDivisionByZeroMessage);
        EXPECT_TRUE(ops.empty());
        EXPECT_EQ(scale.VoltsPerPixel, 1.5);
        EXPECT_EQ(scale.PixelsPerMilliamp, 2.5);
    }
}

TEST(RedrawFailures, ZeroRaFailsRightAfterTheScaleIsStored) {
    RedrawInput in = DefaultInput();
    in.settings.Ra = 0;
    PlotScale scale;
    DrawOps ops;
    EXPECT_EQ(FailingRedraw(in, scale, ops), tubemath::kDivisionByZeroMessage);
    EXPECT_TRUE(ops.empty());
    EXPECT_EQ(scale.VoltsPerPixel, 800.0 / 462.0);
    EXPECT_EQ(scale.PixelsPerMilliamp, 1.12);

    in.settings.BPlus = 0;
    EXPECT_EQ(FailingRedraw(in, scale, ops), tubemath::kInvalidOperationMessage);
    EXPECT_TRUE(ops.empty());
}

TEST(RedrawFailures, ZeroEndVFailsAtTheFirstVoltageConvertedToAColumn) {
    RedrawInput in = DefaultInput();
    in.settings.EndV = 0;
    PlotScale scale;
    DrawOps ops;

    in.overlays.Vmax = true; // Vmax / 0
    EXPECT_EQ(FailingRedraw(in, scale, ops), tubemath::kDivisionByZeroMessage);
    EXPECT_EQ(scale.VoltsPerPixel, 0.0);
    auto blocks = PenBlocks(ops);
    EXPECT_EQ(blocks.back().colour, kRed);
    EXPECT_EQ(blocks.back().ops, DrawOps{PenWidthOp(2)});

    in.overlays.Vmax = false;
    in.overlays.Rk = true; // 0 V / 0 at the bias line's first point
    EXPECT_EQ(FailingRedraw(in, scale, ops), tubemath::kInvalidOperationMessage);
    blocks = PenBlocks(ops);
    EXPECT_EQ(blocks.back().colour, kMaroon);
    EXPECT_EQ(blocks.back().ops, DrawOps{PenWidthOp(2)});

    in.overlays.Rk = false; // 0 V / 0 at the first curve's first point
    in.stepByStep = true;
    EXPECT_EQ(FailingRedraw(in, scale, ops), tubemath::kInvalidOperationMessage);
    EXPECT_EQ(ops.back(), MoveToOp(0, 224));
    EXPECT_EQ(ops[ops.size() - 2].kind, DrawOpKind::Font);
}

TEST(RedrawFailures, MostNegativeGridLineCountFailsBeforeTheCurveFamily) {
    RedrawInput in = DefaultInput();
    in.settings.GridLineCount = kIntMin;
    PlotScale scale;
    DrawOps ops;
    EXPECT_EQ(FailingRedraw(in, scale, ops), tubemath::kIntegerOverflowMessage);
    const auto blocks = PenBlocks(ops);
    EXPECT_EQ(blocks.back().colour, kBlack);
    EXPECT_EQ(blocks.back().ops, DrawOps{PenWidthOp(1)});
}

TEST(RedrawFailures, LimitLineMarginThatOverflowsFailsWithIntegerOverflow) {
    RedrawInput in = DefaultInput();
    in.height = kIntMin + 1; // H - 2 of the Vmax line cannot be formed
    in.overlays.Vmax = true;
    PlotScale scale;
    DrawOps ops;
    EXPECT_EQ(FailingRedraw(in, scale, ops), tubemath::kIntegerOverflowMessage);
    EXPECT_EQ(ops.back(), MoveToOp(274, 2));

    in = DefaultInput();
    in.width = kIntMin + 1; // W - 2 of the Imax line cannot be formed
    in.overlays.Imax = true;
    EXPECT_EQ(FailingRedraw(in, scale, ops), tubemath::kIntegerOverflowMessage);
    EXPECT_EQ(ops.back(), MoveToOp(2, 90));
}

TEST(RedrawFailures, LabelMarginThatOverflowsFailsWithIntegerOverflow) {
    RedrawInput in = ReferenceInput();
    in.width = kIntMin + 1; // W - 25 of the first right-edge label cannot be formed
    in.settings.GridStep = 100;
    in.settings.GridLineCount = 1;
    PlotScale scale;
    DrawOps ops;
    EXPECT_EQ(FailingRedraw(in, scale, ops), tubemath::kIntegerOverflowMessage);
    const auto curves = Curves(ops);
    ASSERT_EQ(curves.size(), 2u);
    // The first curve's label is left out, a surface without columns having no room for it.
    EXPECT_EQ(CountOf(curves[0], DrawOpKind::Text), 0u);
    EXPECT_EQ(curves[0].back().kind, DrawOpKind::LineTo);
    EXPECT_EQ(curves[1].back().kind, DrawOpKind::LineTo);
}

TEST(RedrawFailures, CoordinateBeyondThe64BitRangeIsAnInvalidOperation) {
    RedrawInput in = DefaultInput();
    in.settings.BPlus = 1e300;
    in.overlays.LoadLine = true;
    PlotScale scale;
    DrawOps ops;
    EXPECT_EQ(FailingRedraw(in, scale, ops), tubemath::kInvalidOperationMessage);
    const auto blocks = PenBlocks(ops);
    EXPECT_EQ(blocks.back().colour, kBlue);
    EXPECT_EQ(blocks.back().ops, DrawOps{PenWidthOp(2)});
}

} // namespace
} // namespace valvescope
