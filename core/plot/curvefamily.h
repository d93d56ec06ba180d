// The family of plate curves: from 0 V of grid down in steps of Step V, # Grid Lines curves
// below the first, each with its label, in that order.
#pragma once

#include "core/plot/drawops.h"
#include "core/plot/plotmapping.h"
#include "core/plot/redrawinput.h"

#include <cstdint>

namespace valvescope {

// The reference path: each curve drawn in full, one whole volt at a time.
void DrawCurveFamilyReference(DrawRecorder& draw, const PlotMapping& map, const RedrawInput& in);

// The same picture with the shortcuts: runs of curves that draw the same points, blocks of
// curves packed closer than the pixels show (core/plot/shortcuts/denseblock.h), the column walk of
// core/plot/curvewalk.h, and the LabelQueue. The seed model's only: every other model, and a
// seed tube the shortcuts' proofs do not cover, is drawn by the reference path.
void DrawCurveFamily(DrawRecorder& draw, const PlotMapping& map, const RedrawInput& in);

} // namespace valvescope
