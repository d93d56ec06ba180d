// What the Operating Point window adds over the plot: the stage's own DC load line, a dot at the
// quiescent point, smaller dots at the two ends of the swing and, for a transformer, the AC load
// line through the quiescent point. Plain marks in volts plate to cathode, as the curves are
// drawn, and amperes.
#pragma once

#include "core/analysis/stage.h"
#include "core/plot/drawops.h"
#include "core/plot/marks.h"
#include "core/settings/plotsettings.h"

#include <cstdint>

namespace valvescope {

// The operating point's colour: a dark teal, apart from the family's black, the grid's blue, the
// limits' red and maroon, the AC line's dark green and every colour of the measured points.
inline constexpr Colour kOperatingPointColour = 0x808000;
// The stage's DC load line: olive, apart from the Ra load line's blue that it may run beside.
inline constexpr Colour kStageLoadLineColour = 0x008080;
inline constexpr std::int32_t kQuiescentDotRadius = 4;
inline constexpr std::int32_t kSwingDotRadius = 3;

// The marks for the analysis on a plot with these settings (End V and End I bound it): the swing
// ends first, the quiescent dot over them, then the DC line and the AC line. Marks off the plot
// are left out.
PlotMarks StageMarks(const StageAnalysis& analysis, const PlotSettings& settings);

} // namespace valvescope
