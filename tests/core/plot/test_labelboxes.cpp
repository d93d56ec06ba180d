// Which curve labels show: a label is left out where its box would overlap one already shown or
// run past the edge of the surface, on the reference path and the shortcuts alike.
#include "core/plot/labelboxes.h"
#include "core/plot/redraw.h"
#include "tests/core/plot/pathredraw.h"
#include "tests/core/plot/redrawreading.h"
#include "tests/support/picturemodel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace valvescope {
namespace {

using redrawtest::TextsOf;

// Widths as the painter measures them (Arial's metrics, at 12 pixels, without kerning).
TEST(LabelBoxes, AsWideAsThePainterWritesThem) {
    EXPECT_EQ(LabelWidth("0"), 7);
    EXPECT_EQ(LabelWidth("-6"), 11);
    EXPECT_EQ(LabelWidth("-5.5"), 21);
    EXPECT_EQ(LabelWidth("-100"), 24);
    EXPECT_EQ(LabelWidth("-10.5"), 27);
    EXPECT_EQ(LabelWidth("-152.5"), 34);
    EXPECT_EQ(LabelWidth("-12.5 K"), 39);
    const LabelBox box = LabelBoxAt({437, 193}, "-5.5");
    EXPECT_EQ(box.left, 437);
    EXPECT_EQ(box.right, 458);
    EXPECT_EQ(box.top, 193);
    EXPECT_EQ(box.bottom, 207);
}

TEST(LabelBoxes, ALabelPastAnEdgeOrOverAnotherIsLeftOut) {
    ShownLabels shown(100, 50);
    EXPECT_FALSE(shown.Admits({-1, 10}, "0"));
    EXPECT_FALSE(shown.Admits({10, -1}, "0"));
    EXPECT_FALSE(shown.Admits({94, 10}, "0")); // 7 wide: one column past the right edge
    EXPECT_FALSE(shown.Admits({10, 37}, "0")); // 14 high: one row past the bottom
    EXPECT_TRUE(shown.Admits({93, 36}, "0"));  // just fits in the corner
    EXPECT_TRUE(shown.Show({20, 10}, "-5.5")); // columns 20 to 40, rows 10 to 23
    EXPECT_FALSE(shown.Show({40, 23}, "-6"));  // its corner on the last pixel of the box
    EXPECT_FALSE(shown.Show({10, 5}, "-6"));   // its last column on the box's first
    EXPECT_TRUE(shown.Show({41, 10}, "-6"));   // right beside it
    EXPECT_TRUE(shown.Show({20, 24}, "-6"));   // right below it
    EXPECT_FALSE(shown.Show({30, 30}, "-6"));  // over the one below
}

// A high-mu triode like an ECC83 in half-volt steps: the curves of -5.5 V and -6 V end at the
// right edge 12 rows apart, so the label "-6" would cover most of "-5.5".
RedrawInput HighMuTriodeInHalfVolts() {
    RedrawInput in = redrawtest::DefaultInput();
    in.tube.Model.Seed = {0.3, 60, 12, 100, 100, 2e-6, 1.4};
    in.settings.EndV = 700;
    in.settings.EndI = 10;
    in.settings.GridStep = 0.5;
    in.settings.GridLineCount = 12;
    return in;
}

// The boxes of the labels in `ops`: none overlaps another or runs past the surface.
void ExpectApart(const DrawOps& ops, std::int32_t width, std::int32_t height) {
    std::vector<LabelBox> boxes;
    for (const DrawOp& op : ops) {
        if (op.kind != DrawOpKind::Text) {
            continue;
        }
        const LabelBox box = LabelBoxAt({op.x, op.y}, op.text);
        EXPECT_GE(box.left, 0) << op.text;
        EXPECT_GE(box.top, 0) << op.text;
        EXPECT_LE(box.right, width) << op.text;
        EXPECT_LE(box.bottom, height) << op.text;
        for (const LabelBox& other : boxes) {
            EXPECT_FALSE(box.Overlaps(other)) << op.text;
        }
        boxes.push_back(box);
    }
}

void ExpectPathsAgree(const RedrawInput& in) {
    const pathtest::Outcome reference = pathtest::Redraw(in, true);
    const pathtest::Outcome shortcuts = pathtest::Redraw(in, false);
    EXPECT_EQ(TextsOf(shortcuts.ops), TextsOf(reference.ops));
    const picturemodel::Surface expected(reference.ops);
    EXPECT_EQ(picturemodel::Surface(shortcuts.ops).FirstDifference(expected), "");
    EXPECT_EQ(shortcuts.fault, reference.fault);
}

TEST(CurveLabels, TheLaterOfTwoCollidingLabelsIsLeftOut) {
    const RedrawInput in = HighMuTriodeInHalfVolts();
    const DrawOps ops = pathtest::Redraw(in, true).ops;
    EXPECT_EQ(TextsOf(ops), (std::vector<std::string>{"0", "-0.5", "-1", "-1.5", "-2", "-2.5", "-3",
                                                      "-3.5", "-4", "-4.5", "-5", "-5.5"}));
    ExpectApart(ops, in.width, in.height);
    ExpectPathsAgree(in);
}

TEST(CurveLabels, LabelsCutAtTheBottomEdgeAreLeftOut) {
    // Two more curves, which end on the bottom row: their labels would hang 4 rows below it.
    RedrawInput in = HighMuTriodeInHalfVolts();
    in.settings.GridLineCount = 16;
    const DrawOps ops = pathtest::Redraw(in, true).ops;
    const std::vector<std::string> texts = TextsOf(ops);
    ASSERT_EQ(texts.size(), 12u);
    EXPECT_EQ(texts.back(), "-5.5");
    ExpectApart(ops, in.width, in.height);
    ExpectPathsAgree(in);
}

TEST(CurveLabels, ARunAtOnePlaceShowsItsFirstLabelThatFits) {
    // Flat curves in steps of 7.3 V all end at the bottom right, where no label fits; the curve
    // of -14.6 V ends higher, but "-14.6" runs two columns past the right edge.
    RedrawInput runs = redrawtest::DefaultInput();
    runs.settings.GridStep = 7.3;
    runs.settings.GridLineCount = 800;
    runs.settings.EndV = 120;
    runs.settings.EndI = 5;
    EXPECT_EQ(TextsOf(pathtest::Redraw(runs, true).ops), (std::vector<std::string>{"0", "-7.3"}));
    ExpectPathsAgree(runs);
    // Packed closer than the pixels show: of the labels along the top edge only those apart.
    RedrawInput dense = redrawtest::DefaultInput();
    dense.settings.GridStep = 0.01;
    dense.settings.GridLineCount = 3000;
    const DrawOps ops = pathtest::Redraw(dense, false).ops;
    EXPECT_EQ(TextsOf(ops).size(), 7u);
    ExpectApart(ops, dense.width, dense.height);
    ExpectPathsAgree(dense);
}

} // namespace
} // namespace valvescope
