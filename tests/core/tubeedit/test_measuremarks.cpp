// Measured points as marks: one colour per grid voltage, readable against the plot's own
// colours, and the model's curves at the measured grid voltages in the colours of their dots.
#include "core/tubeedit/measuremarks.h"

#include "core/measure/measurements.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

using valvescope::Colour;
using valvescope::kMeasurementColours;
using valvescope::MeasuredPoints;
using valvescope::MeasurementColour;
using valvescope::MeasurementMarks;

// Red, green and blue apart, summed.
int Distance(Colour a, Colour b) {
    return std::abs(valvescope::RedOf(a) - valvescope::RedOf(b)) +
           std::abs(valvescope::GreenOf(a) - valvescope::GreenOf(b)) +
           std::abs(valvescope::BlueOf(a) - valvescope::BlueOf(b));
}

TEST(MeasurementColours, StandApartFromThePlotsOwnColoursAndFromEachOther) {
    // The colours as red, green, blue: the curves, the grid and labels, the overlays, paper.
    const Colour plotColours[] = {0x000000,           0xFF0000 /* blue */,
                                  0x0000FF /* red */, 0x000080 /* maroon */,
                                  0xFFFFFF,           0xC0C0C0};
    for (std::size_t k = 0; k < kMeasurementColours.size(); ++k) {
        const Colour colour = kMeasurementColours[k];
        for (Colour plot : plotColours) {
            EXPECT_GE(Distance(colour, plot), 150) << "colour " << k << " vs " << std::hex << plot;
        }
        // Readable on white: not a pale colour.
        EXPECT_LE(valvescope::RedOf(colour) + valvescope::GreenOf(colour) +
                      valvescope::BlueOf(colour),
                  480)
            << k;
        for (std::size_t j = 0; j < k; ++j) {
            EXPECT_GE(Distance(colour, kMeasurementColours[j]), 120) << k << " vs " << j;
        }
    }
    EXPECT_EQ(MeasurementColour(0), MeasurementColour(kMeasurementColours.size()));
    EXPECT_NE(MeasurementColour(0), MeasurementColour(1));
}

TEST(MeasurementMarks, EachGridVoltageHasOneColourAndItsCurve) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const MeasuredPoints points = {
        {-4, 100, 0.002}, {-2, 100, 0.005}, {-4, 150, 0.006}, {0, 50, 0.004}, {nan, 80, 0.001}};
    const std::vector<double> grid = valvescope::MeasuredGridVoltages(points);
    ASSERT_EQ(grid, (std::vector<double>{0, -2, -4}));

    const valvescope::PlotMarks dots = MeasurementMarks(points, grid, false);
    ASSERT_EQ(dots.Dots.size(), 4u); // the point without a grid voltage is left out
    EXPECT_TRUE(dots.Curves.empty());
    EXPECT_EQ(dots.Dots[0].Va, 100);
    EXPECT_EQ(dots.Dots[0].Ip, 0.002);
    EXPECT_EQ(dots.Dots[0].colour, kMeasurementColours[2]); // -4 V is the third
    EXPECT_EQ(dots.Dots[1].colour, kMeasurementColours[1]);
    EXPECT_EQ(dots.Dots[2].colour, kMeasurementColours[2]);
    EXPECT_EQ(dots.Dots[3].colour, kMeasurementColours[0]);
    EXPECT_EQ(dots.Dots[3].radius, 2);

    const valvescope::PlotMarks curves = MeasurementMarks(points, grid, true);
    ASSERT_EQ(curves.Curves.size(), 3u);
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_EQ(curves.Curves[k].Vg, grid[k]);
        EXPECT_EQ(curves.Curves[k].colour, kMeasurementColours[k]);
    }
}

TEST(MeasurementMarks, NoCurvesWhenThePointsAreNoFamily) {
    MeasuredPoints points;
    for (int i = 0; i <= static_cast<int>(valvescope::kMostModelCurves); ++i) {
        points.push_back({-0.01 * i, 100, 0.001});
    }
    const std::vector<double> grid = valvescope::MeasuredGridVoltages(points);
    const valvescope::PlotMarks marks = MeasurementMarks(points, grid, true);
    EXPECT_EQ(marks.Dots.size(), points.size());
    EXPECT_TRUE(marks.Curves.empty());
    points.pop_back();
    EXPECT_EQ(
        MeasurementMarks(points, valvescope::MeasuredGridVoltages(points), true).Curves.size(),
        valvescope::kMostModelCurves);
}

} // namespace
