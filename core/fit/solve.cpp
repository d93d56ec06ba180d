#include "core/fit/solve.h"
#include "core/fit/solveroptions.h"

#include <ceres/ceres.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace valvescope::fit {

namespace {

// Model minus measured current in mA at every point. A fault of the model anywhere makes the
// whole evaluation fail, which the solver takes as a step to reject.
class CurrentResiduals {
public:
    explicit CurrentResiduals(const MeasuredPoints& points) : points_(points) {}

    template <class T> bool operator()(const T* x, T* residuals) const {
        try {
            const LawConstants<T> constants = LawConstantsAt(x);
            for (std::size_t i = 0; i < points_.size(); ++i) {
                const MeasuredPoint& point = points_[i];
                const T current = PlateCurrentOf(constants, point.Vg, point.Va);
                residuals[i] = (current - T(point.Ia)) * 1000.0;
                if (!IsFiniteResidual(residuals[i]))
                    return false;
            }
        } catch (const tubemath::ArithmeticError&) {
            return false;
        }
        return true;
    }

private:
    const MeasuredPoints& points_;
};

} // namespace

std::optional<double> SquaredMilliampsAt(const MeasuredPoints& points, const SolverVector& x) {
    const tubemath::TubeParams params = ParamsAt(x);
    double sum = 0;
    try {
        for (const MeasuredPoint& point : points) {
            const double difference =
                (tubemath::PlateCurrent(params, point.Vg, point.Va) - point.Ia) * 1000.0;
            sum += difference * difference;
        }
    } catch (const tubemath::ArithmeticError&) {
        return std::nullopt;
    }
    if (!std::isfinite(sum))
        return std::nullopt;
    return sum;
}

namespace {

// A constant that the unconstrained step would push through its bound is held there; the
// solver's own projection onto the bounds can crawl along a bound for hundreds of steps. The
// set of held constants is looked at again after every round of this many iterations.
constexpr int kRoundIterations = 25;

using ConstantMask = std::array<bool, kFitConstantCount>;

enum class RunEnd { Failed, Converged, Unfinished };

// Ends the solver's run once the fit is asked to stop.
class CancelCheck : public ceres::IterationCallback {
public:
    explicit CancelCheck(const std::atomic<bool>* cancel) : cancel_(cancel) {}
    ceres::CallbackReturnType operator()(const ceres::IterationSummary&) override {
        return cancel_ && cancel_->load() ? ceres::SOLVER_ABORT : ceres::SOLVER_CONTINUE;
    }

private:
    const std::atomic<bool>* cancel_;
};

// One solver run from x with the masked constants held where they are; x is moved to the end.
RunEnd RunSolver(const MeasuredPoints& points, SolverVector& x, const ConstantMask& held,
                 int maxIterations, const std::atomic<bool>* cancel) {
    ceres::Problem problem;
    auto* cost =
        new ceres::AutoDiffCostFunction<CurrentResiduals, ceres::DYNAMIC, kFitConstantCount>(
            new CurrentResiduals(points), static_cast<int>(points.size()));
    problem.AddResidualBlock(cost, nullptr, x.data());
    const SolverVector lower = SolverLowerBounds();
    const SolverVector upper = SolverUpperBounds();
    for (int i = 0; i < kFitConstantCount; ++i) {
        problem.SetParameterLowerBound(x.data(), i, lower[i]);
        problem.SetParameterUpperBound(x.data(), i, upper[i]);
    }
    std::vector<int> heldIndices;
    for (int i = 0; i < kFitConstantCount; ++i)
        if (held[i])
            heldIndices.push_back(i);
    if (heldIndices.size() == kFitConstantCount)
        return RunEnd::Converged;
    if (!heldIndices.empty())
        problem.SetManifold(x.data(), new ceres::SubsetManifold(kFitConstantCount, heldIndices));
    ceres::Solver::Options options = SolverOptions(maxIterations);
    CancelCheck check(cancel);
    options.callbacks.push_back(&check);
    ceres::Solver::Summary summary;
    ceres::Solve(options, &problem, &summary);
    if (cancel && cancel->load())
        return RunEnd::Failed;
    if (!summary.IsSolutionUsable())
        return RunEnd::Failed;
    return summary.termination_type == ceres::CONVERGENCE ? RunEnd::Converged : RunEnd::Unfinished;
}

// The gradient of half the sum of squares at x, or nothing where the model faults.
std::optional<SolverVector> GradientAt(const MeasuredPoints& points, const SolverVector& x) {
    const CurrentResiduals residuals(points);
    using Jet = ceres::Jet<double, kFitConstantCount>;
    std::array<Jet, kFitConstantCount> jx;
    for (int i = 0; i < kFitConstantCount; ++i)
        jx[i] = Jet(x[i], i);
    std::vector<Jet> r(points.size());
    if (!residuals(jx.data(), r.data()))
        return std::nullopt;
    SolverVector gradient{};
    for (const Jet& ri : r)
        for (int i = 0; i < kFitConstantCount; ++i)
            gradient[i] += ri.a * ri.v[i];
    return gradient;
}

// The constants on a bound whose descent direction points out of the box.
ConstantMask HeldOnBounds(const SolverVector& x, const SolverVector& gradient) {
    const SolverVector lower = SolverLowerBounds();
    const SolverVector upper = SolverUpperBounds();
    ConstantMask held{};
    for (int i = 0; i < kFitConstantCount; ++i) {
        const double tolerance = 1e-9 * (1 + std::fabs(x[i]));
        held[i] = (x[i] <= lower[i] + tolerance && gradient[i] > 0) ||
                  (x[i] >= upper[i] - tolerance && gradient[i] < 0);
    }
    return held;
}

} // namespace

std::optional<Solution> SolveFrom(const MeasuredPoints& points, const SolverVector& start,
                                  int maxIterations, const std::atomic<bool>* cancel) {
    SolverVector x = ClampedToBounds(start);
    ConstantMask held{};
    const int rounds = (maxIterations + kRoundIterations - 1) / kRoundIterations;
    for (int round = 0; round < rounds; ++round) {
        const RunEnd end =
            RunSolver(points, x, held, std::min(kRoundIterations, maxIterations), cancel);
        if (end == RunEnd::Failed)
            return std::nullopt;
        const std::optional<SolverVector> gradient = GradientAt(points, x);
        if (!gradient)
            return std::nullopt;
        const ConstantMask next = HeldOnBounds(x, *gradient);
        if (end == RunEnd::Converged && next == held)
            break;
        held = next;
    }
    const std::optional<double> squares = SquaredMilliampsAt(points, x);
    if (!squares)
        return std::nullopt;
    return Solution{x, *squares};
}

} // namespace valvescope::fit
