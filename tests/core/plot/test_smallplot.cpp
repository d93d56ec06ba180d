// The small x-y plot: nice ticks on linear and logarithmic axes, what is left out, and that
// whatever the values every line, dot and label stays on the surface and labels stay apart.
#include "core/plot/labelboxes.h"
#include "core/plot/smallplot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>
#include <string>
#include <vector>

namespace valvescope {
namespace {

std::vector<std::string> Texts(const DrawOps& ops) {
    std::vector<std::string> texts;
    for (const DrawOp& op : ops) {
        if (op.kind == DrawOpKind::Text)
            texts.push_back(op.text);
    }
    return texts;
}

std::vector<DrawOp> OfKind(const DrawOps& ops, DrawOpKind kind) {
    std::vector<DrawOp> found;
    std::copy_if(ops.begin(), ops.end(), std::back_inserter(found),
                 [kind](const DrawOp& op) { return op.kind == kind; });
    return found;
}

// The operations after the pen takes `colour`, up to its next change.
std::vector<DrawOp> InColour(const DrawOps& ops, Colour colour) {
    std::vector<DrawOp> found;
    bool in = false;
    for (const DrawOp& op : ops) {
        if (op.kind == DrawOpKind::PenColour)
            in = op.colour == colour;
        else if (in && (op.kind == DrawOpKind::MoveTo || op.kind == DrawOpKind::LineTo))
            found.push_back(op);
    }
    return found;
}

// Every point drawn lies on the surface, every label's box too and apart from the others.
void ExpectOnTheSurface(const DrawOps& ops, std::int32_t width, std::int32_t height) {
    ASSERT_FALSE(ops.empty());
    EXPECT_EQ(ops[0], (DrawOp{DrawOpKind::Blank, width, height, 0, 0, {}}));
    std::vector<LabelBox> boxes;
    for (const DrawOp& op : ops) {
        switch (op.kind) {
        case DrawOpKind::MoveTo:
        case DrawOpKind::LineTo:
            EXPECT_TRUE(op.x >= 0 && op.x < width && op.y >= 0 && op.y < height)
                << op.x << ", " << op.y << " on " << width << " x " << height;
            break;
        case DrawOpKind::Dot:
            EXPECT_TRUE(op.x - op.size >= 0 && op.x + op.size < width && op.y - op.size >= 0 &&
                        op.y + op.size < height);
            break;
        case DrawOpKind::Text: {
            const LabelBox box = LabelBoxAt({op.x, op.y}, op.text);
            EXPECT_TRUE(box.left >= 0 && box.top >= 0 && box.right <= width && box.bottom <= height)
                << op.text;
            for (const LabelBox& other : boxes)
                EXPECT_FALSE(box.Overlaps(other)) << op.text;
            boxes.push_back(box);
            break;
        }
        case DrawOpKind::Font:
            EXPECT_EQ(op.text, kLabelFace);
            EXPECT_EQ(op.size, kLabelPointSize);
            break;
        default:
            break;
        }
    }
}

SmallPlot Titled(std::vector<std::pair<double, double>> points) {
    SmallPlot plot;
    plot.X.Title = "Drive (V peak)";
    plot.Y.Title = "Power (W)";
    plot.Points = std::move(points);
    plot.colour = kBlue;
    plot.Empty = "No sweep";
    return plot;
}

TEST(SmallPlot, LinearAxesRunFromZeroAtNiceSteps) {
    SmallPlot plot = Titled({{0, 0}, {10, 5}, {20, 20}});
    plot.Marked = {{10, 5}};
    const DrawOps ops = DrawSmallPlot(plot, 200, 150);
    ExpectOnTheSurface(ops, 200, 150);
    const std::vector<std::string> texts = Texts(ops);
    const std::set<std::string> shown(texts.begin(), texts.end());
    EXPECT_TRUE(shown.count("Drive (V peak)"));
    EXPECT_TRUE(shown.count("Power (W)"));
    EXPECT_FALSE(shown.count("No sweep"));
    for (const char* tick : {"0", "10", "20"})
        EXPECT_TRUE(shown.count(tick)) << tick;
    // The line from the box's bottom-left corner to its top-right one, both ends at ticks.
    const std::vector<DrawOp> line = InColour(ops, kBlue);
    ASSERT_EQ(line.size(), 3u);
    EXPECT_EQ(line[0].kind, DrawOpKind::MoveTo);
    const std::vector<DrawOp> box = InColour(ops, kBlack);
    ASSERT_GE(box.size(), 5u);
    EXPECT_EQ(line[0].x, box[0].x); // left
    EXPECT_EQ(line[0].y, box[2].y); // bottom
    EXPECT_EQ(line[2].x, box[1].x); // right
    EXPECT_EQ(line[2].y, box[0].y); // top
    // The marked point halfway across, a quarter up.
    const std::vector<DrawOp> dots = OfKind(ops, DrawOpKind::Dot);
    ASSERT_EQ(dots.size(), 1u);
    EXPECT_EQ(dots[0].colour, kSmallPlotMarkColour);
    EXPECT_EQ(dots[0].x, line[1].x);
    EXPECT_EQ(dots[0].y, line[1].y);
    EXPECT_NEAR(dots[0].x, (box[0].x + box[1].x) / 2.0, 0.5);
    EXPECT_NEAR(dots[0].y, box[2].y - (box[2].y - box[0].y) / 4.0, 0.5);
}

TEST(SmallPlot, ALogarithmicAxisRunsOverWholeDecadesAndLeavesOutWhatItCannotShow) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    SmallPlot plot = Titled({{1, 0.05}, {5, 0.3}, {10, 2}, {20, 0}, {30, -1}, {nan, 1}, {40, 3}});
    plot.Y.Logarithmic = true;
    plot.Y.Title = "THD (%)";
    const DrawOps ops = DrawSmallPlot(plot, 240, 180);
    ExpectOnTheSurface(ops, 240, 180);
    const std::vector<std::string> texts = Texts(ops);
    for (const char* tick : {"0.01", "0.1", "1", "10", "THD (%)"})
        EXPECT_NE(std::find(texts.begin(), texts.end(), tick), texts.end()) << tick;
    // 0 and below, and not a number, are left out: four points joined.
    const std::vector<DrawOp> line = InColour(ops, kBlue);
    ASSERT_EQ(line.size(), 4u);
    // 0.05 to 2 over 0.01 to 10: the first point 0.7 of a decade up of three, the last 2.3.
    const std::vector<DrawOp> box = InColour(ops, kBlack);
    const double bottom = box[2].y;
    const double rows = box[2].y - box[0].y;
    EXPECT_NEAR(line[0].y, bottom - rows * std::log10(5.0) / 3, 0.5);
    EXPECT_NEAR(line[2].y, bottom - rows * (2 + std::log10(2.0)) / 3, 0.5);
    EXPECT_TRUE(OfKind(ops, DrawOpKind::Dot).empty());
}

TEST(SmallPlot, WithoutPointsTheFrameAndTheEmptyText) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const auto& points : std::vector<std::vector<std::pair<double, double>>>{
             {}, {{nan, 1}, {1, std::numeric_limits<double>::infinity()}}}) {
        SmallPlot plot = Titled(points);
        plot.Marked = {{1, 1}};
        const DrawOps ops = DrawSmallPlot(plot, 200, 150);
        ExpectOnTheSurface(ops, 200, 150);
        EXPECT_EQ(Texts(ops),
                  (std::vector<std::string>{"Power (W)", "Drive (V peak)", "No sweep"}));
        EXPECT_TRUE(OfKind(ops, DrawOpKind::Dot).empty());
        EXPECT_EQ(OfKind(ops, DrawOpKind::LineTo).size(), 4u); // the box alone
    }
}

TEST(SmallPlot, AnyValuesStayOnTheSurface) {
    constexpr double kMax = std::numeric_limits<double>::max();
    constexpr double kTiny = std::numeric_limits<double>::denorm_min();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<std::vector<std::pair<double, double>>> sets = {
        {{3, 3}},
        {{7, 7}, {7, 7}, {7, 7}},
        {{0, 0}, {0, 0}},
        {{-5, -5}, {-5, 2}},
        {{kMax, kMax}, {-kMax, -kMax}},
        {{kMax, 1}, {kMax / 3, 2}},
        {{kTiny, kTiny}, {2 * kTiny, 3 * kTiny}},
        {{1e-300, 1e300}, {1e300, 1e-300}},
        {{0.1, 0.3}, {0.7, 1e-9}, {123456789, 0.000123}},
        {{nan, nan}, {1, 2}, {nan, 3}},
    };
    const std::vector<std::pair<std::int32_t, std::int32_t>> sizes = {
        {0, 0}, {-5, 10}, {12, 12}, {60, 45}, {200, 150}, {1200, 900}};
    for (const auto& points : sets) {
        for (const bool logX : {false, true}) {
            for (const bool logY : {false, true}) {
                SmallPlot plot = Titled(points);
                plot.X.Logarithmic = logX;
                plot.Y.Logarithmic = logY;
                plot.Marked = points.front();
                for (const auto& [w, h] : sizes) {
                    SCOPED_TRACE(::testing::Message() << points.size() << " points " << logX << logY
                                                      << " on " << w << " x " << h);
                    const DrawOps ops = DrawSmallPlot(plot, w, h);
                    ExpectOnTheSurface(ops, w, h);
                    if (w < 60) {
                        EXPECT_EQ(ops.size(), 1u); // too small for a box: blank alone
                    } else if (w >= 200) {
                        EXPECT_GE(OfKind(ops, DrawOpKind::LineTo).size(), 4u); // the box at least
                    }
                }
            }
        }
    }
}

} // namespace
} // namespace valvescope
