// A small framed x-y plot as drawing operations, so it paints, exports and prints like the plot:
// a frame, axes with their ticks and labels, the points as a line and one marked point.
#pragma once

#include "core/plot/drawops.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace valvescope {

struct SmallPlotAxis {
    std::string Title;
    bool Logarithmic = false;
};

struct SmallPlot {
    SmallPlotAxis X, Y;
    std::vector<std::pair<double, double>> Points;
    Colour colour = kBlack;
    std::optional<std::pair<double, double>> Marked;
    std::string Empty; // the text shown when there are no points
};

// The marked point's dot: red, the one point the eye looks for, over the line in any colour.
inline constexpr Colour kSmallPlotMarkColour = kRed;
inline constexpr std::int32_t kSmallPlotMarkRadius = 3;

// The plot on a surface of width x height pixels: a blank surface; the box, its ticks at 1, 2 or
// 5 times a power of ten (a linear axis from 0, or from its least value where that is below 0;
// a logarithmic one at the decades from the one at or below its least value); the tick labels
// and titles in the label face, each left out where it would overlap one before it or run past
// the surface; the points joined in order, and the marked point as a dot. A point with a
// coordinate that is not a finite number, or not above 0 on a logarithmic axis, is left out.
// Without a point left, the box, the titles and the Empty text.
DrawOps DrawSmallPlot(const SmallPlot& plot, std::int32_t width, std::int32_t height);

} // namespace valvescope
