// The push-pull stage's two small plots from its sweep: what they show with a sweep and without.
#include "core/design/pushpullplots.h"
#include "core/plot/smallplot.h"
#include "core/tube/tube.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
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

TEST(PushPullPlots, PowerGrowsFromNoDriveToTheStagesDrive) {
    const PushPullAnalysis a = Swept(10);
    const DrawOps ops = PowerAgainstDrivePlot(a, 220, 160);
    EXPECT_EQ(ops[0], (DrawOp{DrawOpKind::Blank, 220, 160, 0, 0, {}}));
    EXPECT_TRUE(Shows(ops, "Drive (V peak)"));
    EXPECT_TRUE(Shows(ops, "Power (W)"));
    EXPECT_FALSE(Shows(ops, "No sweep"));
    // From (0, 0) through the ten drives; the stage's own point is the last, marked.
    const std::vector<DrawOp> line = LineIn(ops, kSweepColour);
    ASSERT_EQ(line.size(), 11u);
    const std::vector<DrawOp> dots = Dots(ops);
    ASSERT_EQ(dots.size(), 1u);
    EXPECT_EQ(dots[0].x, line.back().x);
    EXPECT_EQ(dots[0].y, line.back().y);
    // Rising with the drive: columns to the right, rows up.
    for (std::size_t k = 1; k < line.size(); ++k) {
        EXPECT_GT(line[k].x, line[k - 1].x);
        EXPECT_LT(line[k].y, line[k - 1].y);
    }
}

TEST(PushPullPlots, DistortionAgainstPowerOnDecades) {
    const PushPullAnalysis a = Swept(10);
    const DrawOps ops = ThdAgainstPowerPlot(a, 220, 160);
    EXPECT_TRUE(Shows(ops, "THD (%)"));
    EXPECT_TRUE(Shows(ops, "Power (W)"));
    // Class A: the THD falls as the square of the drive, so over ten drives two decades.
    ASSERT_GT(a.Sweep.back().Thd / a.Sweep.front().Thd, 50);
    const std::vector<DrawOp> line = LineIn(ops, kSweepColour);
    ASSERT_EQ(line.size(), 10u);
    const std::vector<DrawOp> dots = Dots(ops);
    ASSERT_EQ(dots.size(), 1u);
    EXPECT_EQ(dots[0].x, line.back().x);
    EXPECT_EQ(dots[0].y, line.back().y);
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
