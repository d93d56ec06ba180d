// The marks drawn over the plot: the operating point's and the measured curves'.
#include "core/plot/redraw.h"
#include "tests/core/plot/redrawreading.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

namespace valvescope {
namespace {

using namespace redrawtest;

// Marks come last, over everything else: dots where their volts and amperes fall, a model curve
// a whole volt at a time until it leaves the top, lines from end to end in their colour.
TEST(RedrawMarks, DotsCurvesAndLinesFollowTheFamily) {
    RedrawInput in = DefaultInput();
    const DrawOps plain = Redraw(in);
    in.marks.Dots.push_back({400, 0.1, kRed, 3});
    in.marks.Curves.push_back({-20, kBlue});
    in.marks.Lines.push_back({0, 0.2, 800, 0, kDarkGreen, 2});
    const DrawOps marked = Redraw(in);
    ASSERT_GT(marked.size(), plain.size());
    EXPECT_TRUE(std::equal(plain.begin(), plain.end(), marked.begin()));
    const auto extra = std::vector<DrawOp>(marked.begin() + plain.size(), marked.end());
    // 400 V of 800 on 462 pixels is column 231; 100 mA of 200 on 224 rows is row 112.
    EXPECT_EQ(extra.front(), (DrawOp{DrawOpKind::Dot, 231, 112, kRed, 3, {}}));
    EXPECT_EQ(extra[1], (DrawOp{DrawOpKind::PenColour, 0, 0, kBlue, 0, {}}));
    // The -20 V curve: every whole volt from 0 to 800, the first a move.
    EXPECT_EQ(extra[3].kind, DrawOpKind::MoveTo);
    EXPECT_EQ(extra[3].y, 224);
    const auto lastLine = extra.end() - 4;
    EXPECT_EQ(lastLine[0], (DrawOp{DrawOpKind::PenColour, 0, 0, kDarkGreen, 0, {}}));
    EXPECT_EQ(lastLine[2], (DrawOp{DrawOpKind::MoveTo, 0, 0, 0, 0, {}}));
    EXPECT_EQ(lastLine[3], (DrawOp{DrawOpKind::LineTo, 462, 224, 0, 0, {}}));
    // PlateCurrent(-20, 400) is 0.1577 A: row 224 - 157.7 * 1.12 = 47.4, so 47.
    const auto at400 = std::find_if(extra.begin() + 4, extra.end(), [](const DrawOp& op) {
        return op.kind == DrawOpKind::LineTo && op.x == 231;
    });
    ASSERT_NE(at400, extra.end());
    EXPECT_EQ(at400->y, 47);
}

// A path runs on where it stays inside, is cut at the edges, leaves out what lies wholly outside
// and every segment with an end that is not a number, and comes before the lines.
TEST(RedrawMarks, PathsAreClippedSegmentBySegment) {
    RedrawInput in = DefaultInput();
    const DrawOps plain = Redraw(in);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    MarkPath path;
    path.Points = {{-100, 0.1}, {400, 0.1}, {400, 0.3}, {600, 0.3},
                   {700, 0.1},  {nan, 0.1}, {800, 0},   {750, 0.05}};
    path.colour = kRed;
    path.width = 3;
    in.marks.Paths.push_back(path);
    ASSERT_FALSE(in.marks.Empty());
    in.marks.Lines.push_back({0, 0, 800, 0.2, kBlue, 1});
    const DrawOps marked = Redraw(in);
    ASSERT_TRUE(std::equal(plain.begin(), plain.end(), marked.begin()));
    const auto extra = std::vector<DrawOp>(marked.begin() + plain.size(), marked.end());
    const auto at = [](DrawOpKind kind, std::int32_t x, std::int32_t y) {
        return DrawOp{kind, x, y, 0, 0, {}};
    };
    using K = DrawOpKind;
    // 800 V on 462 columns, 200 mA on 224 rows: 400 V is column 231, 650 V 375.4, 700 V 404.3,
    // 750 V 433.1; 100 mA row 112, 50 mA row 168.
    const std::vector<DrawOp> expected = {
        {K::PenColour, 0, 0, kRed, 0, {}},
        {K::PenWidth, 0, 0, 0, 3, {}},
        at(K::MoveTo, 0, 112), // cut at the left edge
        at(K::LineTo, 231, 112),
        at(K::LineTo, 231, 0), // on up, cut at the top
        // 400 V to 600 V at 300 mA lies above the plot; the fall to 700 V enters at 650 V.
        at(K::MoveTo, 375, 0),
        at(K::LineTo, 404, 112),
        // Past the not-a-number, anew.
        at(K::MoveTo, 462, 224),
        at(K::LineTo, 433, 168),
        {K::PenColour, 0, 0, kBlue, 0, {}},
        {K::PenWidth, 0, 0, 0, 1, {}},
        at(K::MoveTo, 0, 224),
        at(K::LineTo, 462, 0),
    };
    EXPECT_EQ(extra, expected);
}

} // namespace
} // namespace valvescope
