#include "core/layout/anchoring.h"

#include <gtest/gtest.h>

using namespace valvescope;

namespace {

const Size kDesigned{510, 339};
const Size kLarger{610, 389}; // 100 wider, 50 higher

} // namespace

TEST(RoundHalfEven, SendsHalvesToTheEvenNeighbour) {
    EXPECT_EQ(RoundHalfEven(46.5), 46);
    EXPECT_EQ(RoundHalfEven(47.5), 48);
    EXPECT_EQ(RoundHalfEven(139.5), 140);
    EXPECT_EQ(RoundHalfEven(44.8), 45);
    EXPECT_EQ(RoundHalfEven(46.2), 46);
    EXPECT_EQ(RoundHalfEven(-0.5), 0);
    EXPECT_EQ(RoundHalfEven(-1.5), -2);
}

TEST(PlaceAnchored, EdgeAnchorsKeepDistancesOrStretch) {
    const Rect plot{37, 32, 462, 224};
    EXPECT_EQ(PlaceAnchored(plot, kDesigned, {true, true, true, true}, kLarger),
              (Rect{37, 32, 562, 274}));
    const Rect combo{36, 285, 66, 23};
    EXPECT_EQ(PlaceAnchored(combo, kDesigned, {true, false, false, true}, kLarger),
              (Rect{36, 335, 66, 23}));
    const Rect corner{486, 259, 20, 12};
    EXPECT_EQ(PlaceAnchored(corner, kDesigned, {false, false, true, true}, kLarger),
              (Rect{586, 309, 20, 12}));
    const Rect button{6, 0, 91, 23};
    EXPECT_EQ(PlaceAnchored(button, kDesigned, {true, true, false, false}, kLarger), button);
}

TEST(PlaceAnchored, NeitherEdgeKeepsTheCentresRelativePlace) {
    // Centre at 100 of 500 stays at a fifth: 120 of 600.
    EXPECT_EQ(PlaceAnchored({84, 0, 32, 10}, {500, 100}, {false, true, false, false}, {600, 100}),
              (Rect{104, 0, 32, 10}));
    // Centre 50 of 200 -> 75 of 300 down the other axis.
    EXPECT_EQ(PlaceAnchored({0, 44, 10, 12}, {100, 200}, {true, false, false, false}, {100, 300}),
              (Rect{0, 69, 10, 12}));
    // Halves go to the even neighbour: centre 15 of 20 -> 16.5 of 22, left 16.5 - 5 = 11.5 -> 12.
    EXPECT_EQ(PlaceAnchored({10, 0, 10, 1}, {20, 1}, {false, true, false, false}, {22, 1}).Left,
              12);
}

TEST(PlaceAnchored, SameParentSizeLeavesEveryKindOfControlInPlace) {
    const Rect control{77, 259, 32, 12};
    for (int mask = 0; mask < 16; ++mask) {
        Anchors anchors{(mask & 1) != 0, (mask & 2) != 0, (mask & 4) != 0, (mask & 8) != 0};
        EXPECT_EQ(PlaceAnchored(control, kDesigned, anchors, kDesigned), control) << mask;
    }
}

TEST(PlaceAxisLabels, DesignedPlotGivesTheDesignedSpacing) {
    AxisLabelPlaces places = PlaceAxisLabels({37, 32, 462, 224}, 12, 32);
    EXPECT_EQ(places.CurrentTops, (std::array<int, 4>{71, 116, 161, 206}));
    EXPECT_EQ(places.VoltageLefts,
              (std::array<int, 9>{67, 113, 159, 205, 251, 297, 343, 389, 435}));
}

TEST(PlaceAxisLabels, SpacingIsOneRoundedStepMultiplied) {
    // 465 / 10 = 46.5 goes to 46; 475 / 10 = 47.5 goes to 48.
    EXPECT_EQ(PlaceAxisLabels({0, 0, 465, 100}, 12, 32).VoltageLefts[8], 9 * 46 - 16);
    EXPECT_EQ(PlaceAxisLabels({0, 0, 475, 100}, 12, 32).VoltageLefts[8], 9 * 48 - 16);
    // 227 / 5 = 45.4 -> 45 per fifth; 13 / 2 = 6.5 -> 6.
    EXPECT_EQ(PlaceAxisLabels({10, 20, 100, 227}, 13, 32).CurrentTops,
              (std::array<int, 4>{59, 104, 149, 194}));
    // 33 / 2 = 16.5 -> 16.
    EXPECT_EQ(PlaceAxisLabels({0, 0, 100, 100}, 12, 33).VoltageLefts[0], 10 - 16);
}
