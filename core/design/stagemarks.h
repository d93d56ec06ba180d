// What the Operating Point window adds over the plot: a dot at the quiescent point, smaller dots
// at the two ends of the swing and, for a transformer, the AC load line through the quiescent
// point. Plain marks in volts (plate to ground, the plot's axis) and amperes.
#pragma once

#include "core/analysis/stage.h"
#include "core/plot/drawops.h"
#include "core/plot/marks.h"
#include "core/settings/plotsettings.h"

#include <cstdint>
#include <optional>

namespace valvescope {

// The operating point's colour: a deep orange, apart from the family's black, the grid's blue,
// the limits' red and maroon and the AC line's dark green.
inline constexpr Colour kOperatingPointColour = 0x0060E0;
inline constexpr std::int32_t kQuiescentDotRadius = 4;
inline constexpr std::int32_t kSwingDotRadius = 3;

// The part of the segment from (x0, y0) to (x1, y1) inside the box [0, right] x [0, top];
// nothing when none of it is. Its ends keep their order.
std::optional<MarkLine> ClipToPlot(const MarkLine& line, double right, double top);

// The marks for the analysis on a plot with these settings (End V and End I bound it): the swing
// ends first, the quiescent dot over them, then the AC line. Marks off the plot are left out.
PlotMarks StageMarks(const StageAnalysis& analysis, const PlotSettings& settings);

} // namespace valvescope
