// One plate curve: its points from 0 V of plate voltage until it passes 95 % of either axis or
// reaches End V, and its label.
#pragma once

#include "core/plot/curvepen.h"
#include "core/plot/plotcurve.h"
#include "core/plot/plotmapping.h"
#include "model/wiredmodel.h"

#include <stop_token>

namespace valvescope {

// The last point a walk drew: its current, and its plate voltage, one volt further where the
// curve ran to End V without passing either limit.
struct CurveEnd {
    double I = 0;
    double Va = 0;
};

// The reference walk: every whole volt, one at a time.
CurveEnd WalkEveryVolt(const PlotCurve& curve, const PlotMapping& map, CurvePen& pen,
                       const std::stop_token& stop);

// The same lines with a shortcut: where several volts fall into one pixel column the current
// rises along the column, so only its first and last points are drawn, and the point where the
// curve passes 95 % of the current axis is found by doubling and halving. Needs
// map.HasColumns(); pays off from a few volts to a column.
CurveEnd WalkByColumns(const PlotCurve& curve, const PlotMapping& map, CurvePen& pen,
                       const std::stop_token& stop);

using CurveWalk = CurveEnd (*)(const PlotCurve&, const PlotMapping&, CurvePen&,
                               const std::stop_token&);

// The curve of grid voltage Vg, its points given by `walk`, and its label.
CurveLabel DrawCurve(double Vg, const tubemath::WiredModel& tube, const PlotMapping& map,
                     CurvePen& pen, CurveWalk walk, const std::stop_token& stop);

} // namespace valvescope
