#include "core/plot/curvewalk.h"

#include "core/plot/stoprequest.h"
#include "core/search/bracketsearch.h"

#include "formats/formats.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

namespace valvescope {

CurveEnd WalkEveryVolt(const PlotCurve& curve, const PlotMapping& map, CurvePen& pen,
                       const std::stop_token& stop) {
    const double voltageLimit = map.VoltageLimit();
    CurveEnd at;
    for (;;) {
        if (std::fmod(at.Va, 1024) == 0) {
            StopIfAsked(stop);
        }
        at.I = ClampedCurrent(curve.PlateCurrentAt(at.Va));
        pen.LineTo({map.X(at.Va), map.Y(at.I)});
        if (map.PassesCurrentLimit(at.I) || at.Va > voltageLimit) {
            return at;
        }
        if (at.Va == map.Settings().EndV) {
            at.Va = at.Va + 1;
            return at;
        }
        at.Va = at.Va + 1;
    }
}

namespace {

// Whether the curve's point at Va passes 95 % of the current axis, or cannot be drawn.
bool CurveStops(const PlotCurve& curve, const PlotMapping& map, double Va) {
    try {
        const double I = ClampedCurrent(curve.PlateCurrentAt(Va));
        map.Y(I);
        return map.PassesCurrentLimit(I);
    } catch (const tubemath::ArithmeticError&) {
        return true;
    }
}

// Whether the curve's point at Va cannot be drawn.
bool PointFaults(const PlotCurve& curve, const PlotMapping& map, double Va) {
    try {
        map.Y(ClampedCurrent(curve.PlateCurrentAt(Va)));
        return false;
    } catch (const tubemath::ArithmeticError&) {
        return true;
    }
}

} // namespace

CurveEnd WalkByColumns(const PlotCurve& curve, const PlotMapping& map, CurvePen& pen,
                       const std::stop_token& stop) {
    const std::int64_t lastVolt = map.LastCurveVolt();
    // The curve runs on past a volt where its point there neither passes 95 % of the current
    // axis nor fails. It ends at the last volt in any case, which is not looked at.
    const auto runsOn = [&](std::int64_t volts) {
        return volts < lastVolt && !CurveStops(curve, map, static_cast<double>(volts));
    };
    std::int64_t stopVolt = 0;
    if (!CurveStops(curve, map, 0)) {
        const search::Bracket<std::int64_t> bracket =
            search::Gallop<std::int64_t>(0, lastVolt, runsOn);
        stopVolt = std::min(search::Halve(bracket, runsOn).fails, lastVolt);
    }
    CurveEnd at;
    const auto point = [&](std::int64_t volts) {
        const auto Va = static_cast<double>(volts);
        at.I = ClampedCurrent(curve.PlateCurrentAt(Va));
        pen.LineTo({map.X(Va), map.Y(at.I)});
    };
    for (std::int64_t volts = 0; volts <= stopVolt;) {
        StopIfAsked(stop);
        const std::int64_t columnEnd = map.LastVoltInColumn(volts, stopVolt);
        point(volts);
        if (columnEnd > volts) {
            // Where the last volt cannot be drawn, the volts before it in its column have been,
            // up to the one before it, the highest.
            if (columnEnd == stopVolt && columnEnd - 1 > volts &&
                PointFaults(curve, map, static_cast<double>(columnEnd))) {
                point(columnEnd - 1);
            }
            point(columnEnd);
        }
        volts = columnEnd + 1;
    }
    at.Va = static_cast<double>(stopVolt);
    if (!map.PassesCurrentLimit(at.I) && !(at.Va > map.VoltageLimit())) {
        at.Va = at.Va + 1; // the curve ran to End V
    }
    return at;
}

CurveLabel DrawCurve(double Vg, const tubemath::WiredModel& tube, const PlotMapping& map,
                     CurvePen& pen, CurveWalk walk, const std::stop_token& stop) {
    pen.Start();
    CurveEnd end;
    if (map.Settings().EndV >= 0) {
        const PlotCurve curve(tube, Vg);
        end = walk(curve, map, pen, stop);
    }
    const std::string label = formats::FormatValue(Vg);
    // The row is that of the last point drawn, formed again.
    const LabelPlace place = map.LabelPlaceAt(end.Va, map.Y(end.I));
    return {place, pen.Label(place, label)};
}

} // namespace valvescope
