#include "core/plot/marks.h"

#include "core/plot/plotcurve.h"
#include "core/plot/stoprequest.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace valvescope {

namespace {

void DrawModelCurve(DrawRecorder& draw, const PlotMapping& map, const tubemath::WiredModel& tube,
                    const MarkCurve& curve, const std::stop_token& stop) {
    draw.PenColour(curve.colour);
    draw.PenWidth(1);
    const PlotCurve model(tube, curve.Vg);
    const std::int64_t endV = map.Settings().EndV;
    for (std::int64_t volts = 0; volts <= endV; ++volts) {
        if ((volts & 0xFFF) == 0) {
            StopIfAsked(stop);
        }
        const double Va = static_cast<double>(volts);
        const double Ip = ClampedCurrent(model.PlateCurrentAt(Va));
        const std::int32_t x = map.X(Va);
        const std::int32_t y = map.Y(Ip);
        if (volts == 0) {
            draw.MoveTo(x, y);
        } else {
            draw.LineTo(x, y);
        }
        if (y < 0) {
            break; // past the top: the rest lies off the plot
        }
    }
}

// A path's segments one by one, each clipped to the plot; a segment that goes on from where the
// last one ended unclipped continues the line, any other starts anew.
void DrawPath(DrawRecorder& draw, const PlotMapping& map, const MarkPath& path) {
    const double right = map.Settings().EndV;
    const double top = map.Settings().EndI / 1000.0;
    draw.PenColour(path.colour);
    draw.PenWidth(path.width);
    bool joined = false; // the current point is the last segment's unclipped end
    for (std::size_t k = 1; k < path.Points.size(); ++k) {
        const auto [va0, ip0] = path.Points[k - 1];
        const auto [va1, ip1] = path.Points[k];
        if (!(std::isfinite(va0) && std::isfinite(ip0) && std::isfinite(va1) &&
              std::isfinite(ip1))) {
            joined = false;
            continue;
        }
        const std::optional<MarkLine> shown = ClipToPlot({va0, ip0, va1, ip1}, right, top);
        if (!shown) {
            joined = false;
            continue;
        }
        if (!joined || shown->Va0 != va0 || shown->Ip0 != ip0) {
            draw.MoveTo(map.X(shown->Va0), map.Y(shown->Ip0));
        }
        draw.LineTo(map.X(shown->Va1), map.Y(shown->Ip1));
        joined = shown->Va1 == va1 && shown->Ip1 == ip1;
    }
}

} // namespace

std::optional<MarkLine> ClipToPlot(const MarkLine& line, double right, double top) {
    // Liang-Barsky: the segment is P0 + t (P1 - P0), t in [0, 1]; each edge narrows t.
    const double dx = line.Va1 - line.Va0;
    const double dy = line.Ip1 - line.Ip0;
    double enter = 0;
    double leave = 1;
    const auto narrow = [&](double p, double q) {
        if (p == 0) {
            return q >= 0; // parallel to the edge: inside it or not at all
        }
        const double t = q / p;
        if (p < 0) {
            enter = std::max(enter, t);
        } else {
            leave = std::min(leave, t);
        }
        return enter <= leave;
    };
    if (!(narrow(-dx, line.Va0) && narrow(dx, right - line.Va0) && narrow(-dy, line.Ip0) &&
          narrow(dy, top - line.Ip0))) {
        return std::nullopt;
    }
    MarkLine clipped = line;
    clipped.Va0 = line.Va0 + enter * dx;
    clipped.Ip0 = line.Ip0 + enter * dy;
    clipped.Va1 = line.Va0 + leave * dx;
    clipped.Ip1 = line.Ip0 + leave * dy;
    return clipped;
}

void DrawMarks(DrawRecorder& draw, const PlotMapping& map, const tubemath::WiredModel& tube,
               const PlotMarks& marks, const std::stop_token& stop) {
    for (const MarkDot& dot : marks.Dots) {
        draw.Dot(map.X(dot.Va), map.Y(dot.Ip), dot.radius, dot.colour);
    }
    for (const MarkCurve& curve : marks.Curves) {
        DrawModelCurve(draw, map, tube, curve, stop);
    }
    for (const MarkPath& path : marks.Paths) {
        StopIfAsked(stop);
        DrawPath(draw, map, path);
    }
    for (const MarkLine& line : marks.Lines) {
        draw.PenColour(line.colour);
        draw.PenWidth(line.width);
        draw.MoveTo(map.X(line.Va0), map.Y(line.Ip0));
        draw.LineTo(map.X(line.Va1), map.Y(line.Ip1));
    }
}

} // namespace valvescope
