// The family of plate curves: from 0 V of grid down in steps of Step V, # Grid Lines curves
// below the first, each with its label, in that order.
#pragma once

#include "core/plot/drawops.h"
#include "core/plot/plotmapping.h"
#include "core/plot/redraw.h"

#include <cstdint>

namespace valvescope {

// The index of the last curve: curve k has grid voltage k * Step V, for k = 0 down to it. Fails
// with "Integer overflow" for the lowest # Grid Lines, whose count of curves cannot be formed.
std::int64_t LastCurveIndex(const PlotSettings& settings);

// The grid voltage of curve k.
double GridVoltageOf(std::int64_t k, const PlotSettings& settings);

// The decade of a grid voltage's magnitude (where the label's layout can change).
int DecadeOf(double Vg);

// The reference path: each curve drawn in full, one whole volt at a time.
void DrawCurveFamilyReference(DrawRecorder& draw, const PlotMapping& map, const RedrawInput& in);

// The same picture with the shortcuts: runs of curves that draw the same points, blocks of
// curves packed closer than the pixels show (core/plot/denseblock.h), the column walk of
// core/plot/curvewalk.h, and the LabelQueue.
void DrawCurveFamily(DrawRecorder& draw, const PlotMapping& map, const RedrawInput& in);

} // namespace valvescope
