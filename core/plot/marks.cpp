#include "core/plot/marks.h"

#include "core/plot/plotcurve.h"
#include "core/plot/stoprequest.h"

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

} // namespace

void DrawMarks(DrawRecorder& draw, const PlotMapping& map, const tubemath::WiredModel& tube,
               const PlotMarks& marks, const std::stop_token& stop) {
    for (const MarkDot& dot : marks.Dots) {
        draw.Dot(map.X(dot.Va), map.Y(dot.Ip), dot.radius, dot.colour);
    }
    for (const MarkCurve& curve : marks.Curves) {
        DrawModelCurve(draw, map, tube, curve, stop);
    }
    for (const MarkLine& line : marks.Lines) {
        draw.PenColour(line.colour);
        draw.PenWidth(line.width);
        draw.MoveTo(map.X(line.Va0), map.Y(line.Ip0));
        draw.LineTo(map.X(line.Va1), map.Y(line.Ip1));
    }
}

} // namespace valvescope
