// The plot's axes fitted to measured points.
#include "core/tubeedit/axesfit.h"

#include <gtest/gtest.h>

#include <limits>

namespace valvescope {
namespace {

// Seven curves 2 V apart, up to 287 V and 12.34 mA.
MeasuredPoints SevenCurves() {
    MeasuredPoints points;
    for (int k = 0; k <= 6; ++k) {
        points.push_back({-2.0 * k, 0, 0});
        points.push_back({-2.0 * k, 150, 0.004});
    }
    points.push_back({0, 287, 0.01234});
    return points;
}

TEST(AxesFit, RoundsTheRangesUpAndStepsAsTheMeasuredCurves) {
    const std::optional<FittedAxes> axes = AxesForMeasurements(SevenCurves(), 10);
    ASSERT_TRUE(axes);
    EXPECT_EQ(axes->EndV, "290");
    EXPECT_EQ(axes->EndI, "13");
    EXPECT_EQ(axes->StepV, "2");
}

TEST(AxesFit, TooFewLinesTakeAWholeMultipleOfTheSpacing) {
    // 4 curves below 0 V at 2 V would stop at -8 V; at 4 V they reach -12 V on measured ones.
    EXPECT_EQ(AxesForMeasurements(SevenCurves(), 4)->StepV, "4");
    EXPECT_EQ(AxesForMeasurements(SevenCurves(), 6)->StepV, "2");
}

TEST(AxesFit, SmallAndLargeRangesAndASingleCurve) {
    const MeasuredPoints tiny{{-5, 40, 0.0008}, {-5, 1234, 0.0002}};
    const std::optional<FittedAxes> axes = AxesForMeasurements(tiny, 10);
    ASSERT_TRUE(axes);
    EXPECT_EQ(axes->EndI, "1"); // never below a whole milliamp
    EXPECT_EQ(axes->EndV, "1300");
    EXPECT_EQ(axes->StepV, "0.5"); // ten steps down to the one curve
    EXPECT_EQ(AxesForMeasurements({{0, 300, 0.2}}, 10)->EndV, "300");
    EXPECT_EQ(AxesForMeasurements({{0, 300, 0.2}}, 10)->StepV, ""); // a 0 V curve alone
}

TEST(AxesFit, NothingToFitLeavesTheTextsAlone) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(AxesForMeasurements({}, 10));
    EXPECT_FALSE(AxesForMeasurements({{-1, 100, 0}, {-1, nan, 0.01}}, 10));
    SettingsTexts texts;
    texts.EndV = "800";
    texts.EndI = "200";
    texts.GridV = "10";
    texts.GridLines = "10";
    const SettingsTexts kept = WithAxesFitted(texts, {});
    EXPECT_EQ(kept.EndV, "800");
    EXPECT_EQ(kept.EndI, "200");
    const SettingsTexts fitted = WithAxesFitted(texts, SevenCurves());
    EXPECT_EQ(fitted.EndV, "290");
    EXPECT_EQ(fitted.EndI, "13");
    EXPECT_EQ(fitted.GridV, "2");
    EXPECT_EQ(fitted.GridLines, "10");
}

} // namespace
} // namespace valvescope
