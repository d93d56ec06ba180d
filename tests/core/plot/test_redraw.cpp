// The curve plot's drawing operations on the window's initial 462 x 224 surface.
#include "core/plot/redraw.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace valvescope {

// Readable failure messages for operations; found by argument-dependent lookup.
void PrintTo(const DrawOp& op, std::ostream* os) {
    *os << "{kind " << static_cast<int>(op.kind) << " at (" << op.x << ", " << op.y << ") colour "
        << op.colour << " size " << op.size << " \"" << op.text << "\"}";
}

namespace {

constexpr std::int32_t kIntMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kIntMax = std::numeric_limits<std::int32_t>::max();

RedrawInput DefaultInput() {
    RedrawInput in;
    in.settings.EndI = 200;
    in.settings.EndV = 800;
    in.settings.GridStep = 10;
    in.settings.GridLineCount = 10;
    in.settings.Ra = 3000;
    in.settings.BPlus = 400;
    in.settings.Rk = 590;
    in.width = 462;
    in.height = 224;
    return in;
}

Overlays AllOverlays() {
    return Overlays{true, true, true, true, true};
}

struct Point {
    std::int32_t x;
    std::int32_t y;
    bool operator==(const Point&) const = default;
};

struct Segment {
    Point from;
    Point to;
    bool operator==(const Segment&) const = default;
};

void PrintTo(const Point& p, std::ostream* os) {
    *os << "(" << p.x << ", " << p.y << ")";
}
void PrintTo(const Segment& s, std::ostream* os) {
    PrintTo(s.from, os);
    *os << "-";
    PrintTo(s.to, os);
}

// The operations after one pen-colour change, up to the next.
struct PenBlock {
    Colour colour;
    DrawOps ops;
};

std::vector<PenBlock> PenBlocks(const DrawOps& ops) {
    std::vector<PenBlock> blocks;
    for (const DrawOp& op : ops) {
        if (op.kind == DrawOpKind::PenColour) {
            blocks.push_back({op.colour, {}});
        } else if (!blocks.empty()) {
            blocks.back().ops.push_back(op);
        }
    }
    return blocks;
}

std::vector<Colour> ColoursOf(const std::vector<PenBlock>& blocks) {
    std::vector<Colour> colours;
    for (const PenBlock& block : blocks) {
        colours.push_back(block.colour);
    }
    return colours;
}

// Every move-to followed at once by a line-to, as a segment.
std::vector<Segment> SegmentsOf(const DrawOps& ops) {
    std::vector<Segment> segments;
    for (std::size_t i = 0; i + 1 < ops.size(); ++i) {
        if (ops[i].kind == DrawOpKind::MoveTo && ops[i + 1].kind == DrawOpKind::LineTo) {
            segments.push_back({{ops[i].x, ops[i].y}, {ops[i + 1].x, ops[i + 1].y}});
        }
    }
    return segments;
}

std::vector<Point> PointsOf(const DrawOps& ops, DrawOpKind kind) {
    std::vector<Point> points;
    for (const DrawOp& op : ops) {
        if (op.kind == kind) {
            points.push_back({op.x, op.y});
        }
    }
    return points;
}

std::vector<std::string> TextsOf(const DrawOps& ops) {
    std::vector<std::string> texts;
    for (const DrawOp& op : ops) {
        if (op.kind == DrawOpKind::Text) {
            texts.push_back(op.text);
        }
    }
    return texts;
}

std::size_t CountOf(const DrawOps& ops, DrawOpKind kind) {
    return static_cast<std::size_t>(std::count_if(
        ops.begin(), ops.end(), [kind](const DrawOp& op) { return op.kind == kind; }));
}

// One plate curve: the operations from its font change up to the next.
std::vector<DrawOps> Curves(const DrawOps& ops) {
    std::vector<DrawOps> curves;
    for (const DrawOp& op : ops) {
        if (op.kind == DrawOpKind::Font) {
            curves.emplace_back();
        }
        if (!curves.empty()) {
            curves.back().push_back(op);
        }
    }
    return curves;
}

DrawOp PenWidthOp(std::int32_t width) {
    return {DrawOpKind::PenWidth, 0, 0, 0, width, {}};
}
DrawOp MoveToOp(std::int32_t x, std::int32_t y) {
    return {DrawOpKind::MoveTo, x, y, 0, 0, {}};
}
DrawOp LineToOp(std::int32_t x, std::int32_t y) {
    return {DrawOpKind::LineTo, x, y, 0, 0, {}};
}

DrawOps Redraw(const RedrawInput& in) {
    PlotScale scale;
    DrawOps ops;
    RedrawPlot(in, scale, ops);
    return ops;
}

// Runs a redraw that must fail; returns its message and leaves what it drew in `ops`.
std::string FailingRedraw(const RedrawInput& in, PlotScale& scale, DrawOps& ops) {
    try {
        RedrawPlot(in, scale, ops);
    } catch (const tubemath::ArithmeticError& error) {
        return error.what();
    }
    ADD_FAILURE() << "the redraw did not fail";
    return {};
}

std::vector<std::int32_t> Xs(const std::vector<Segment>& segments) {
    std::vector<std::int32_t> xs;
    for (const Segment& s : segments) {
        EXPECT_EQ(s.from.x, s.to.x);
        xs.push_back(s.from.x);
    }
    return xs;
}

std::vector<std::int32_t> Ys(const std::vector<Segment>& segments) {
    std::vector<std::int32_t> ys;
    for (const Segment& s : segments) {
        EXPECT_EQ(s.from.y, s.to.y);
        ys.push_back(s.from.y);
    }
    return ys;
}

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

// --- the curve family ----------------------------------------------------------------------

TEST(RedrawCurves, DefaultFamilyStopsAndLabelsAsExpected) {
    // As the rules read: the shortcuts leave out lines already drawn.
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

// These read the operations as the rules write them, curve by curve; the shortcuts leave out
// lines already drawn and labels that a later one covers.
RedrawInput LiteralInput() {
    RedrawInput in = DefaultInput();
    in.stepByStep = true;
    return in;
}

TEST(RedrawCurves, TopLabelSitsThreePixelsLeftOfTheLastPoint) {
    const auto curves = Curves(PenBlocks(Redraw(LiteralInput())).back().ops);
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

TEST(RedrawCurves, NegativeEndVDrawsNoPointsAndLabelsEveryCurveAtTheBottomRight) {
    RedrawInput in = LiteralInput();
    in.settings.EndV = -800;
    in.overlays.Rk = true;
    const auto blocks = PenBlocks(Redraw(in));
    ASSERT_GE(blocks.size(), 7u);
    EXPECT_EQ(blocks[5].colour, kMaroon);
    EXPECT_EQ(CountOf(blocks[5].ops, DrawOpKind::LineTo), 0u);
    const auto curves = Curves(blocks[6].ops);
    ASSERT_EQ(curves.size(), 11u);
    for (const DrawOps& curve : curves) {
        EXPECT_EQ(CountOf(curve, DrawOpKind::LineTo), 0u);
        EXPECT_EQ(curve.back().kind, DrawOpKind::Text);
        EXPECT_EQ((Point{curve.back().x, curve.back().y}), (Point{462 - 25, 224 - 10}));
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
    RedrawInput in = LiteralInput();
    in.width = kIntMin + 1; // W - 25 of the first right-edge label cannot be formed
    in.settings.GridStep = 100;
    in.settings.GridLineCount = 1;
    PlotScale scale;
    DrawOps ops;
    EXPECT_EQ(FailingRedraw(in, scale, ops), tubemath::kIntegerOverflowMessage);
    const auto curves = Curves(ops);
    ASSERT_EQ(curves.size(), 2u);
    EXPECT_EQ(curves[0].back().kind, DrawOpKind::Text);
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
