// What the seed's fit and the model fits share of their Ceres solves: the solver's settings and
// the check that a residual (a double, or a Jet with its derivatives) is a usable number.
#pragma once

#include <ceres/ceres.h>

#include <cmath>

namespace valvescope::fit {

// Bounded Levenberg-Marquardt on dense QR, on one thread and silent, stopping at `maxIterations`
// or when the step, the gradient or the change of the cost is down to rounding.
inline ceres::Solver::Options SolverOptions(int maxIterations) {
    ceres::Solver::Options options;
    options.minimizer_type = ceres::TRUST_REGION;
    options.trust_region_strategy_type = ceres::LEVENBERG_MARQUARDT;
    options.linear_solver_type = ceres::DENSE_QR;
    options.max_num_iterations = maxIterations;
    options.function_tolerance = 1e-12;
    options.gradient_tolerance = 1e-14;
    options.parameter_tolerance = 1e-12;
    options.num_threads = 1;
    options.logging_type = ceres::SILENT;
    options.minimizer_progress_to_stdout = false;
    return options;
}

inline bool IsFiniteResidual(double x) {
    return std::isfinite(x);
}

template <int N> bool IsFiniteResidual(const ceres::Jet<double, N>& x) {
    return std::isfinite(x.a) && x.v.allFinite();
}

} // namespace valvescope::fit
