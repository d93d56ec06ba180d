// A block of plate curves packed closer than the pixels show them, drawn from a map of where
// their points fall (core/plot/shortcuts/densefamily.h) rather than curve by curve: each stretch of
// curves with the same points is drawn as one run, with the one label of it that shows, if any,
// and each curve after the first only where it differs from the one before.
#pragma once

#include "core/plot/drawops.h"
#include "core/plot/plotmapping.h"
#include "core/plot/redrawinput.h"
#include "core/plot/shortcuts/labelqueue.h"

#include <cstdint>

namespace valvescope {

// The curves first, first - 1, ..., last. Each curve's current must rise with its grid voltage
// at every plate voltage up to End V, and whole volts must fall into distinct columns or a few
// to a column.
void DrawDenseBlock(std::int64_t first, std::int64_t last, DrawRecorder& draw,
                    const PlotMapping& map, const RedrawInput& in, LabelQueue& labels);

} // namespace valvescope
