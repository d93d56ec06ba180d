// The push-pull stage's two small plots from its sweep: what they show with a sweep and without.
#include "core/design/pushpullplots.h"
#include "core/plot/smallplot.h"
#include "core/tube/tube.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace valvescope {
namespace {

PushPullAnalysis Swept(int points) {
    PushPullInput input;
    input.BPlus = 400;
    input.Raa = 6600;
    input.Vg = -30;
    input.SweepPoints = points;
    const Tube tube = Builtin807();
    return AnalyzePushPull(tube, tube, input);
}

bool Shows(const DrawOps& ops, const std::string& text) {
    return std::any_of(ops.begin(), ops.end(), [&](const DrawOp& op) {
        return op.kind == DrawOpKind::Text && op.text == text;
    });
}

std::vector<DrawOp> LineIn(const DrawOps& ops, Colour colour) {
    std::vector<DrawOp> line;
    bool in = false;
    for (const DrawOp& op : ops) {
        if (op.kind == DrawOpKind::PenColour)
            in = op.colour == colour;
        else if (in && (op.kind == DrawOpKind::MoveTo || op.kind == DrawOpKind::LineTo))
            line.push_back(op);
    }
    return line;
}

std::vector<DrawOp> Dots(const DrawOps& ops) {
    std::vector<DrawOp> dots;
    std::copy_if(ops.begin(), ops.end(), std::back_inserter(dots),
                 [](const DrawOp& op) { return op.kind == DrawOpKind::Dot; });
    return dots;
}

// Power from (0, 0) through the ten drives, THD over the ten; each ends at the stage's own point,
// marked.
TEST(PushPullPlots, BothRunOverTheSweepToTheStagesPoint) {
    const PushPullAnalysis a = Swept(10);
    const DrawOps power = PowerAgainstDrivePlot(a, 220, 160);
    const DrawOps thd = ThdAgainstPowerPlot(a, 220, 160);
    EXPECT_EQ(power[0], (DrawOp{DrawOpKind::Blank, 220, 160, 0, 0, {}}));
    for (const char* title : {"Drive (V peak)", "Power (W)"})
        EXPECT_TRUE(Shows(power, title)) << title;
    for (const char* title : {"Power (W)", "THD (%)"})
        EXPECT_TRUE(Shows(thd, title)) << title;
    const std::vector<DrawOp> powerLine = LineIn(power, kSweepColour);
    const std::vector<DrawOp> thdLine = LineIn(thd, kSweepColour);
    ASSERT_EQ(powerLine.size(), 11u);
    ASSERT_EQ(thdLine.size(), 10u);
    for (const auto& [ops, line] : {std::pair{&power, &powerLine}, std::pair{&thd, &thdLine}}) {
        const std::vector<DrawOp> dots = Dots(*ops);
        ASSERT_EQ(dots.size(), 1u);
        EXPECT_EQ(dots[0].x, line->back().x);
        EXPECT_EQ(dots[0].y, line->back().y);
        // Both grow with the drive: columns to the right, rows up.
        for (std::size_t k = 1; k < line->size(); ++k) {
            EXPECT_GT((*line)[k].x, (*line)[k - 1].x);
            EXPECT_LT((*line)[k].y, (*line)[k - 1].y);
        }
    }
}

TEST(PushPullPlots, WithoutASweepTheFrameAndNoSweep) {
    const PushPullAnalysis a = Swept(0);
    for (const DrawOps& ops :
         {PowerAgainstDrivePlot(a, 220, 160), ThdAgainstPowerPlot(a, 220, 160)}) {
        EXPECT_TRUE(Shows(ops, "No sweep"));
        EXPECT_TRUE(Dots(ops).empty());
        EXPECT_TRUE(LineIn(ops, kSweepColour).empty());
    }
}

} // namespace
} // namespace valvescope
