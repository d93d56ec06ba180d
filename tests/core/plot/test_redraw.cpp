// The curve plot's scale, grid, frame and overlays on the window's initial 462 x 224 surface.
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

// --- scale, grid and frame ---------------------------------------------------------------

TEST(RedrawScale, StoresBothQuotientsOfTheAxisEndsAndTheSurface) {
    PlotScale scale;
    DrawOps ops;
    RedrawPlot(DefaultInput(), scale, ops);
    EXPECT_EQ(scale.VoltsPerPixel, 800.0 / 462.0);
    EXPECT_EQ(scale.PixelsPerMilliamp, 1.12);
}

TEST(RedrawScale, StartsFromABlankSurfaceAndReplacesEarlierOperations) {
    PlotScale scale;
    DrawOps ops{MoveToOp(5, 5)};
    RedrawPlot(DefaultInput(), scale, ops);
    ASSERT_GE(ops.size(), 2u);
    EXPECT_EQ(ops[0], (DrawOp{DrawOpKind::Blank, 462, 224, 0, 0, {}}));
    EXPECT_EQ(ops[1], PenWidthOp(1));
}

TEST(RedrawGrid, FineLinesThenCoarseLinesOverThemOnBothAxes) {
    const auto blocks = PenBlocks(Redraw(DefaultInput()));
    ASSERT_GE(blocks.size(), 4u);
    EXPECT_EQ(blocks[0].colour, kSilver);
    EXPECT_EQ(blocks[1].colour, kBlue);
    EXPECT_EQ(blocks[2].colour, kSilver);
    EXPECT_EQ(blocks[3].colour, kBlue);

    const auto fineVertical = SegmentsOf(blocks[0].ops);
    ASSERT_EQ(fineVertical.size(), 49u);
    EXPECT_EQ(fineVertical[0], (Segment{{9, 0}, {9, 224}}));
    EXPECT_EQ(fineVertical[1], (Segment{{18, 0}, {18, 224}}));
    EXPECT_EQ(fineVertical[2], (Segment{{28, 0}, {28, 224}}));

    const auto coarseVertical = SegmentsOf(blocks[1].ops);
    EXPECT_EQ(Xs(coarseVertical),
              (std::vector<std::int32_t>{46, 92, 139, 185, 231, 277, 323, 370, 416}));
    for (const Segment& s : coarseVertical) {
        EXPECT_EQ(s.from.y, 0);
        EXPECT_EQ(s.to.y, 224);
    }

    const auto fineHorizontal = SegmentsOf(blocks[2].ops);
    ASSERT_EQ(fineHorizontal.size(), 24u);
    EXPECT_EQ(fineHorizontal[0], (Segment{{0, 9}, {462, 9}}));
    EXPECT_EQ(fineHorizontal[1], (Segment{{0, 18}, {462, 18}}));
    EXPECT_EQ(fineHorizontal[2], (Segment{{0, 27}, {462, 27}}));

    const auto coarseHorizontal = SegmentsOf(blocks[3].ops);
    EXPECT_EQ(Ys(coarseHorizontal), (std::vector<std::int32_t>{45, 90, 134, 179}));
    for (const Segment& s : coarseHorizontal) {
        EXPECT_EQ(s.from.x, 0);
        EXPECT_EQ(s.to.x, 462);
    }
}

TEST(RedrawGrid, HalfPixelStepsRoundToTheEvenNeighbour) {
    RedrawInput in = DefaultInput();
    in.width = 465;
    const auto blocks = PenBlocks(Redraw(in));
    ASSERT_GE(blocks.size(), 2u);
    EXPECT_EQ(Xs(SegmentsOf(blocks[1].ops)),
              (std::vector<std::int32_t>{46, 93, 140, 186, 232, 279, 326, 372, 418}));
}

TEST(RedrawGrid, FrameRunsAlongAllFourEdgesWithItsFarSidesJustOutside) {
    const auto blocks = PenBlocks(Redraw(DefaultInput()));
    ASSERT_GE(blocks.size(), 5u);
    EXPECT_EQ(blocks[4].colour, kBlack);
    const DrawOps frame{PenWidthOp(1),    MoveToOp(0, 0), LineToOp(462, 0), LineToOp(462, 224),
                        LineToOp(0, 224), LineToOp(0, 0), MoveToOp(0, 224)};
    EXPECT_EQ(blocks[4].ops, frame);
}

// --- overlays ----------------------------------------------------------------------------

TEST(RedrawOverlays, WithEveryToggleUpOnlyGridFrameAndCurvesAreDrawn) {
    const DrawOps ops = Redraw(DefaultInput());
    EXPECT_EQ(ColoursOf(PenBlocks(ops)),
              (std::vector<Colour>{kSilver, kBlue, kSilver, kBlue, kBlack, kBlack}));
    EXPECT_EQ(std::count(ops.begin(), ops.end(), PenWidthOp(2)), 0);
}

TEST(RedrawOverlays, AllTogglesDownDrawTheOverlaysInTheirOrder) {
    RedrawInput in = DefaultInput();
    in.overlays = AllOverlays();
    EXPECT_EQ(ColoursOf(PenBlocks(Redraw(in))),
              (std::vector<Colour>{kSilver, kBlue, kSilver, kBlue, kBlack, kRed, kRed, kRed,
                                   kMaroon, kBlack, kBlue}));
}

TEST(RedrawOverlays, VmaxAndImaxLinesKeepTheirMargins) {
    RedrawInput in = DefaultInput();
    in.overlays.Vmax = true;
    in.overlays.Imax = true;
    const auto blocks = PenBlocks(Redraw(in));
    ASSERT_GE(blocks.size(), 7u);
    EXPECT_EQ(blocks[5].colour, kRed);
    EXPECT_EQ(blocks[5].ops,
              (DrawOps{PenWidthOp(2), MoveToOp(274, 2), LineToOp(274, 222), PenWidthOp(1)}));
    EXPECT_EQ(blocks[6].colour, kRed);
    EXPECT_EQ(blocks[6].ops, (DrawOps{PenWidthOp(2), MoveToOp(2, 90), LineToOp(460, 90),
                                      PenWidthOp(1), MoveToOp(0, 224)}));
}

TEST(RedrawOverlays, WpHyperbolaRunsFromTheTopEdgeToTheLastColumn) {
    RedrawInput in = DefaultInput();
    in.overlays.Wp = true;
    const auto blocks = PenBlocks(Redraw(in));
    ASSERT_GE(blocks.size(), 6u);
    EXPECT_EQ(blocks[5].colour, kRed);
    const DrawOps& hyperbola = blocks[5].ops;
    ASSERT_GE(hyperbola.size(), 3u);
    EXPECT_EQ(hyperbola[0], PenWidthOp(2));
    EXPECT_EQ(hyperbola[1], MoveToOp(72, 0));
    EXPECT_EQ(hyperbola[2], LineToOp(73, 2));
    const auto columns = PointsOf(hyperbola, DrawOpKind::LineTo);
    EXPECT_EQ(columns.size(), 462u - 72u);
    EXPECT_EQ(columns.back(), (Point{462, 189}));
    // Step 8's move back to the origin follows the hyperbola.
    EXPECT_EQ(hyperbola.back(), MoveToOp(0, 224));
}

TEST(RedrawOverlays, WpHyperbolaIsLeftOutUnlessTheAxisEndsAboveVtop) {
    for (std::int32_t endV : {100, 125}) {
        RedrawInput in = DefaultInput();
        in.settings.EndV = endV;
        in.overlays.Wp = true;
        const auto blocks = PenBlocks(Redraw(in));
        ASSERT_GE(blocks.size(), 6u);
        EXPECT_EQ(blocks[5].colour, kRed);
        EXPECT_EQ(blocks[5].ops, (DrawOps{PenWidthOp(2), MoveToOp(0, 224)})) << endV;
    }
}

TEST(RedrawOverlays, RkBiasLineStartsAtTheOriginAndEndsAtTheRightEdge) {
    RedrawInput in = DefaultInput();
    in.overlays.Rk = true;
    const auto blocks = PenBlocks(Redraw(in));
    ASSERT_GE(blocks.size(), 7u);
    EXPECT_EQ(blocks[4].ops.back(), MoveToOp(0, 224));
    EXPECT_EQ(blocks[5].colour, kMaroon);
    EXPECT_EQ(blocks[5].ops[0], PenWidthOp(2));
    const auto points = PointsOf(blocks[5].ops, DrawOpKind::LineTo);
    ASSERT_EQ(points.size(), 801u);
    EXPECT_EQ(points.front(), (Point{0, 224}));
    EXPECT_EQ(points.back(), (Point{462, 96}));
    // The search only moves up: the line never falls back towards the axis.
    for (std::size_t i = 1; i < points.size(); ++i) {
        EXPECT_LE(points[i].y, points[i - 1].y) << i;
    }
    // Pen black, width 1 again before the curves.
    EXPECT_EQ(blocks[6].colour, kBlack);
    EXPECT_EQ(blocks[6].ops[0], PenWidthOp(1));
}

TEST(RedrawOverlays, RkBiasLineRunsAlongTheTopOnceTheCurrentReachesEndI) {
    RedrawInput in = DefaultInput();
    in.settings.Rk = 10;
    in.settings.EndI = 100;
    in.overlays.Rk = true;
    const auto blocks = PenBlocks(Redraw(in));
    ASSERT_GE(blocks.size(), 6u);
    const auto points = PointsOf(blocks[5].ops, DrawOpKind::LineTo);
    ASSERT_EQ(points.size(), 801u);
    EXPECT_EQ(points.back(), (Point{462, 0}));
}

TEST(RedrawOverlays, LoadLineEndsOneVoltAboveBPlus) {
    RedrawInput in = DefaultInput();
    in.overlays.LoadLine = true;
    auto blocks = PenBlocks(Redraw(in));
    EXPECT_EQ(blocks.back().colour, kBlue);
    EXPECT_EQ(blocks.back().ops, (DrawOps{PenWidthOp(2), MoveToOp(0, 75), LineToOp(232, 224)}));

    in.settings.Ra = 1000; // 400 mA short-circuit current: the line enters through the top
    blocks = PenBlocks(Redraw(in));
    EXPECT_EQ(blocks.back().ops, (DrawOps{PenWidthOp(2), MoveToOp(116, 0), LineToOp(232, 224)}));
}

TEST(RedrawOverlays, CoordinatesBeyondThe32BitRangeAreClamped) {
    RedrawInput in = DefaultInput();
    in.settings.BPlus = 1e10;
    in.overlays.LoadLine = true;
    const auto blocks = PenBlocks(Redraw(in));
    EXPECT_EQ(blocks.back().ops,
              (DrawOps{PenWidthOp(2), MoveToOp(kIntMax, 0), LineToOp(kIntMax, 224)}));
}

} // namespace
} // namespace valvescope
