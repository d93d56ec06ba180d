// What the operating point and the measured curves add over the plot, given in volts and
// amperes: dots, straight lines, polylines and model curves at chosen grid voltages. They are
// drawn after everything else, as drawing operations like the rest, so they export and print too.
#pragma once

#include "core/plot/drawops.h"
#include "core/plot/plotmapping.h"
#include "model/wiredmodel.h"

#include <cstdint>
#include <optional>
#include <stop_token>
#include <utility>
#include <vector>

namespace valvescope {

// A dot at plate voltage Va and current Ip (A).
struct MarkDot {
    double Va = 0;
    double Ip = 0;
    Colour colour = kBlack;
    std::int32_t radius = 2;
};

// A straight line between two points in volts and amperes.
struct MarkLine {
    double Va0 = 0;
    double Ip0 = 0;
    double Va1 = 0;
    double Ip1 = 0;
    Colour colour = kBlack;
    std::int32_t width = 1;
};

// The model's plate curve at grid voltage Vg, from 0 V to End V a whole volt at a time.
struct MarkCurve {
    double Vg = 0;
    Colour colour = kBlack;
};

// A polyline through points in volts and amperes, clipped to the plot.
struct MarkPath {
    std::vector<std::pair<double, double>> Points;
    Colour colour = kBlack;
    std::int32_t width = 1;
};

// In the order they are drawn: dots, then curves over them, then paths, then lines on top.
struct PlotMarks {
    std::vector<MarkDot> Dots;
    std::vector<MarkCurve> Curves;
    std::vector<MarkPath> Paths;
    std::vector<MarkLine> Lines;

    bool Empty() const { return Dots.empty() && Curves.empty() && Paths.empty() && Lines.empty(); }
};

// The part of the segment from (Va0, Ip0) to (Va1, Ip1) inside the box [0, right] x [0, top];
// nothing when none of it is. Its ends keep their order.
std::optional<MarkLine> ClipToPlot(const MarkLine& line, double right, double top);

// Draws the marks. A model curve stops where its current leaves the top of the plot; its
// current is clamped at zero as the family's is. A path is clipped to the plot (0 to End V, 0 to
// End I) segment by segment, and a segment with an end that is not a finite number is left out.
// Arithmetic faults of the model throw as everywhere in the redraw.
void DrawMarks(DrawRecorder& draw, const PlotMapping& map, const tubemath::WiredModel& tube,
               const PlotMarks& marks, const std::stop_token& stop);

} // namespace valvescope
