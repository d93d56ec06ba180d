// What the Operating Point window draws over the plot for a push-pull pair: the composite
// characteristics, the composite load line and the working path over one cycle. Plain marks in
// volts plate to cathode of tube 1, and amperes of the difference of the two tubes' currents
// through the primary (I1 - I2), so the composite curves read like a single tube's.
#pragma once

#include "core/analysis/pushpull.h"
#include "core/design/stagemarks.h"
#include "core/plot/drawops.h"
#include "core/plot/marks.h"
#include "core/settings/plotsettings.h"
#include "core/tube/tube.h"

#include <cstdint>

namespace valvescope {

// The composite curves: indigo, apart from the family's black, the grid's blue, the limits' red
// and maroon, the operating point's teal, the load lines' olive and dark green and every colour
// of the measured points (whose purple is lighter and bluer).
inline constexpr Colour kCompositeCurveColour = 0x82004B; // red 75, green 0, blue 130
// Tube 1's own path over the cycle: sienna, a brown apart from the measured points' orange.
inline constexpr Colour kTubePathColour = 0x2D52A0; // red 160, green 82, blue 45
// The composite load line is the stage's load line, in its olive.
inline constexpr Colour kCompositeLoadLineColour = kStageLoadLineColour;
// The working path of I1 - I2 is the operating point's, in its teal and drawn thick.
inline constexpr Colour kWorkingPathColour = kOperatingPointColour;
inline constexpr std::int32_t kWorkingPathWidth = 3;
// The instants of the cycle on each path, both ends at the peak of tube 1's grid.
inline constexpr int kPathInstants = 181;

// The marks for a push-pull analysis of `first` and `second` on a plot with these settings:
// - the quiescent dot at tube 1's rest;
// - composite curves for the grid pairs Vbias + v (tube 1) and Vbias - v (tube 2), v = 0 and on
//   by the grid step up to the stage's drive and no further than the family's grid lines reach,
//   each the current I1 - I2 against Va1 with Va2 = 2 (B+ - Vk) - Va1 at the rest cathode voltage;
// - tube 1's own current I1 over the cycle at the stage's drive, then the working path I1 - I2
//   over it (the pair solved at each instant with the swing's cathode voltage and magnetising
//   current);
// - the composite load line through (B+ - Vk, 0) of slope -4 / Raa at the rest cathode voltage,
//   clipped to the plot. Under drive, the working path lies on the line of that slope through
//   (B+ - Vk, M) at the swing's Vk and magnetising current M: the rest line itself for a matched
//   pair with fixed bias.
// Paths are clipped as they are drawn; the dot is left out off the plot. Throws
// tubemath::ArithmeticError for an arithmetic fault of a model.
PlotMarks PushPullMarks(const Tube& first, const Tube& second, const PushPullAnalysis& analysis,
                        const PlotSettings& settings);

} // namespace valvescope
