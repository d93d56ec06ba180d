#include "core/tubeedit/measuremarks.h"

#include <algorithm>
#include <functional>

namespace valvescope {

namespace {

// From red, green and blue in the usual order to the drawing interface's colour.
constexpr Colour Rgb(int red, int green, int blue) {
    return static_cast<Colour>(red) | static_cast<Colour>(green) << 8 |
           static_cast<Colour>(blue) << 16;
}

} // namespace

const std::array<Colour, kMeasurementColourCount> kMeasurementColours{{
    Rgb(240, 140, 0),   // orange
    Rgb(0, 140, 70),    // green
    Rgb(150, 50, 200),  // purple
    Rgb(0, 160, 220),   // sky blue
    Rgb(220, 40, 150),  // magenta
    Rgb(110, 180, 0),   // leaf green
    Rgb(110, 110, 110), // grey
}};

Colour MeasurementColour(std::size_t k) {
    return kMeasurementColours[k % kMeasurementColours.size()];
}

PlotMarks MeasurementMarks(const MeasuredPoints& points, const std::vector<double>& gridVoltages,
                           bool modelCurves) {
    PlotMarks marks;
    marks.Dots.reserve(points.size());
    for (const MeasuredPoint& point : points) {
        const auto place =
            std::lower_bound(gridVoltages.begin(), gridVoltages.end(), point.Vg, std::greater<>());
        if (place == gridVoltages.end() || *place != point.Vg) {
            continue; // not a finite grid voltage: it has no curve and no colour
        }
        const auto k = static_cast<std::size_t>(place - gridVoltages.begin());
        marks.Dots.push_back({point.Va, point.Ia, MeasurementColour(k), kMeasuredDotRadius});
    }
    if (modelCurves && gridVoltages.size() <= kMostModelCurves) {
        for (std::size_t k = 0; k < gridVoltages.size(); ++k) {
            marks.Curves.push_back({gridVoltages[k], MeasurementColour(k)});
        }
    }
    return marks;
}

} // namespace valvescope
