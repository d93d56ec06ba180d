// Measured points over the plot: a dot for each, one colour per measured grid voltage, and,
// when asked for, the model's curve at each measured grid voltage in the colour of its dots.
#pragma once

#include "core/plot/drawops.h"
#include "core/plot/marks.h"
#include "core/tube/measuredpoint.h"

#include <array>
#include <cstddef>
#include <vector>

namespace valvescope {

// Colours that read well on white and stand apart from the black curves, the blue grid and
// labels, and the red and maroon limit overlays; neighbours differ most.
inline constexpr std::size_t kMeasurementColourCount = 7;
extern const std::array<Colour, kMeasurementColourCount> kMeasurementColours;

// The colour of the k-th measured grid voltage (most positive first), the palette repeating.
Colour MeasurementColour(std::size_t k);

// The radius of a measured point's dot, in pixels.
inline constexpr std::int32_t kMeasuredDotRadius = 2;

// Model curves are drawn for at most this many measured grid voltages: beyond that the points
// are not a family of curves (each point at a grid voltage of its own, say).
inline constexpr std::size_t kMostModelCurves = 100;

// The dots of every point with a finite grid voltage, in file order, coloured by the place of
// their grid voltage among `gridVoltages` (MeasuredGridVoltages of the points, most positive
// first); with `modelCurves`, the model's curve at each of those grid voltages over them, unless
// there are more than kMostModelCurves.
PlotMarks MeasurementMarks(const MeasuredPoints& points, const std::vector<double>& gridVoltages,
                           bool modelCurves);

} // namespace valvescope
