// The lines under and over the curve family: the grid and the frame, the limit lines of the
// tube's ratings (Vmax, Imax, the Wp hyperbola) and the Ra load line. Each leaves the pen as the
// next part of the picture expects it.
#pragma once

#include "core/plot/drawops.h"
#include "core/plot/plotmapping.h"
#include "core/plot/tubelimits.h"

namespace valvescope {

// Fine lines first, then the coarse ones over them: tenths and fifths of the axes.
void DrawGrid(DrawRecorder& draw, const PlotMapping& map);

// The right and bottom sides run along x = W and y = H, just outside the surface.
void DrawFrame(DrawRecorder& draw, const PlotMapping& map);

// Each limit overlay needs its rating in `limits`; the caller leaves out one the tube lacks.
void DrawVmaxLine(DrawRecorder& draw, const PlotMapping& map, const TubeLimits& limits);

// Imax is in milliamps, so the line takes its own conversion.
void DrawImaxLine(DrawRecorder& draw, const PlotMapping& map, const TubeLimits& limits);

// The plate-dissipation limit I = Wp / V, from where it crosses the top edge to the right edge.
void DrawWpHyperbola(DrawRecorder& draw, const PlotMapping& map, const TubeLimits& limits);

// From the short-circuit current down to the bottom edge at one volt above B+.
void DrawLoadLine(DrawRecorder& draw, const PlotMapping& map, double shortCircuitCurrent);

} // namespace valvescope
