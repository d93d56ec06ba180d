// One bounded Levenberg-Marquardt solve from one start.
#pragma once

#include "core/fit/solverspace.h"
#include "core/tube/measuredpoint.h"

#include <atomic>
#include <optional>

namespace valvescope::fit {

struct Solution {
    SolverVector X;
    double SquaredMilliamps; // sum over the points of (model - measured)^2 in mA^2
};

// Sum of squared differences in mA^2 at x, or nothing where the model raises a fault.
std::optional<double> SquaredMilliampsAt(const MeasuredPoints& points, const SolverVector& x);

// The solver's result from start, or nothing when it could not even begin there or ended on
// something unusable, or when `cancel` was set (checked after every iteration).
std::optional<Solution> SolveFrom(const MeasuredPoints& points, const SolverVector& start,
                                  int maxIterations, const std::atomic<bool>* cancel = nullptr);

} // namespace valvescope::fit
