// The tracer tables' screen columns.
#include "core/measure/measurements.h"

#include <gtest/gtest.h>

namespace valvescope {
namespace {

TEST(TracerTableScreen, ReadsScreenVoltageAndCurrent) {
    const MeasuredPoints points =
        ReadMeasurements("Point Curve Ia (mA) Is (mA) Vg (V) Va (V) Vs (V) Vf (V)\n"
                         "1 1 0.83 5.89 -3 3.39 199.38 6.29\n"
                         "2 1 2.5 0 -3 8.47 198.73 6.29\n",
                         "pentode.utd");
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points[0].Vs, 199.38);
    EXPECT_DOUBLE_EQ(points[0].Is, 5.89e-3);
    EXPECT_TRUE(points[0].ScreenMeasured);
    EXPECT_EQ(points[1].Is, 0);
    EXPECT_DOUBLE_EQ(points[1].Ia, 2.5e-3);
}

TEST(TracerTableScreen, OtherFilesCarryNoScreen) {
    const MeasuredPoints points = ReadMeasurements("Vg,Va,Ia\n-1,100,2\n", "plain.csv");
    ASSERT_EQ(points.size(), 1u);
    EXPECT_EQ(points[0].Vs, 0);
    EXPECT_FALSE(points[0].ScreenMeasured);
}

} // namespace
} // namespace valvescope
