#include "core/tubeedit/modeldifference.h"

#include <algorithm>
#include <cmath>

namespace valvescope {

namespace {

double PlateCurrentAt(const tubemath::WiredModel& tube, const MeasuredPoint& point) {
    if (tube.Screen.TriodeConnected || !tubemath::HasScreen(tube.Model.Kind)) {
        return tubemath::CurrentsAt(tube, point.Vg, point.Va).Plate;
    }
    const double screen = point.Vs > 0 ? point.Vs : tube.Screen.Volts;
    return tubemath::CurrentsAt(tube.Model, point.Vg, point.Va, screen).Plate;
}

} // namespace

ModelDifference DifferenceOfModel(const tubemath::WiredModel& tube, const MeasuredPoints& points) {
    if (tube.Model.Kind == tubemath::ModelKind::Seed) {
        return DifferenceOf(tube.Model.Seed, points);
    }
    ModelDifference difference;
    double squares = 0;
    for (const MeasuredPoint& point : points) {
        double model = 0;
        try {
            model = PlateCurrentAt(tube, point);
        } catch (const tubemath::ArithmeticError&) {
            ++difference.Failed;
            continue;
        }
        const double milliamps = (model - point.Ia) * 1000.0;
        if (!std::isfinite(milliamps)) {
            ++difference.Failed; // a measured value out of range: no distance to speak of
            continue;
        }
        squares += milliamps * milliamps;
        difference.MaxMilliamps = std::max(difference.MaxMilliamps, std::fabs(milliamps));
        ++difference.Points;
    }
    if (difference.Points > 0) {
        difference.RmsMilliamps = std::sqrt(squares / static_cast<double>(difference.Points));
    }
    return difference;
}

} // namespace valvescope
