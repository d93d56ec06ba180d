// The Rk bias line: for each whole plate voltage from 0 V to End V, the current at which the
// cathode resistor biases the tube, found by the search of core/plot/shortcuts/biassearch.h.
#pragma once

#include "core/plot/drawops.h"
#include "core/plot/plotmapping.h"
#include "model/wiredmodel.h"

#include <stop_token>

namespace valvescope {

// The reference path: every step of the search taken, every whole volt drawn; for any model.
void DrawBiasLineReference(DrawRecorder& draw, const PlotMapping& map,
                           const tubemath::WiredModel& tube, const std::stop_token& stop);

// The same picture with the shortcuts: each search found by doubling and halving, and of the
// whole volts in one pixel column only the first and the last drawn. The seed model's only
// (tube.Model.Seed); needs map.HasColumns().
void DrawBiasLineByColumns(DrawRecorder& draw, const PlotMapping& map,
                           const tubemath::WiredModel& tube, const std::stop_token& stop);

} // namespace valvescope
