// The bounds of the model constants and the Levenberg-Marquardt solve from one start.
#include "core/fit/modelproblem.h"
#include "core/fit/solveroptions.h"

#include <ceres/ceres.h>

#include <algorithm>
#include <vector>

namespace valvescope {

namespace {

// Indexed by ModelConstant: mu, ex, kg1, kg2, kp, kvb, a, alphaS, beta.
constexpr std::array<ModelConstantBounds, tubemath::kModelConstantCount> kBounds{{
    {1, 1000, true},
    {1, 2.5, false},
    {1, 1e6, true},
    {1, 1e7, true},
    {1, 1e4, true},
    {1, 1e6, true},
    {0, 0.01, false},
    {0, 100, false},
    {1e-4, 10, true},
}};

} // namespace

const ModelConstantBounds& ModelFitBounds(tubemath::ModelConstant constant) {
    return kBounds[static_cast<std::size_t>(constant)];
}

} // namespace valvescope

namespace valvescope::modelfit {

SolverVector SolverPointOf(const tubemath::ModelConstants<double>& constants) {
    SolverVector x;
    for (int i = 0; i < kCount; ++i)
        x[i] = ToSolverCoordinate(i, constants[ConstantAt(i)]);
    return x;
}

SolverVector SolverLowerBounds() {
    SolverVector x;
    for (int i = 0; i < kCount; ++i)
        x[i] = ToSolverCoordinate(i, kBounds[i].Lower);
    return x;
}

SolverVector SolverUpperBounds() {
    SolverVector x;
    for (int i = 0; i < kCount; ++i)
        x[i] = ToSolverCoordinate(i, kBounds[i].Upper);
    return x;
}

SolverVector ClampedToBounds(SolverVector x) {
    const SolverVector lower = SolverLowerBounds();
    const SolverVector upper = SolverUpperBounds();
    for (int i = 0; i < kCount; ++i)
        x[i] = std::isfinite(x[i]) ? std::clamp(x[i], lower[i], upper[i]) : lower[i];
    return x;
}

std::optional<double> SquaredMilliampsAt(const Problem& problem, const SolverVector& x) {
    std::vector<double> residuals(problem.Residuals);
    if (!DifferencesAt(problem, x.data(), residuals.data()))
        return std::nullopt;
    double sum = 0;
    for (double r : residuals)
        sum += r * r;
    if (!std::isfinite(sum))
        return std::nullopt;
    return sum;
}

namespace {

class Differences {
public:
    explicit Differences(const Problem& problem) : problem_(problem) {}

    template <class T> bool operator()(const T* x, T* residuals) const {
        if (!DifferencesAt(problem_, x, residuals))
            return false;
        for (std::size_t i = 0; i < problem_.Residuals; ++i)
            if (!fit::IsFiniteResidual(residuals[i]))
                return false;
        return true;
    }

private:
    const Problem& problem_;
};

// As in the seed's fit: a constant that the step would push through its bound is held there
// for a round, since the solver's projection can crawl along a bound for hundreds of steps.
constexpr int kRoundIterations = 25;

enum class RunEnd { Failed, Converged, Unfinished };

RunEnd RunSolver(const Problem& problem, SolverVector& x, const ConstantMask& held,
                 int maxIterations) {
    ceres::Problem solverProblem;
    auto* cost = new ceres::AutoDiffCostFunction<Differences, ceres::DYNAMIC, kCount>(
        new Differences(problem), static_cast<int>(problem.Residuals));
    solverProblem.AddResidualBlock(cost, nullptr, x.data());
    const SolverVector lower = SolverLowerBounds();
    const SolverVector upper = SolverUpperBounds();
    std::vector<int> heldIndices;
    for (int i = 0; i < kCount; ++i) {
        solverProblem.SetParameterLowerBound(x.data(), i, lower[i]);
        solverProblem.SetParameterUpperBound(x.data(), i, upper[i]);
        if (held[i] || !problem.Used[i])
            heldIndices.push_back(i);
    }
    if (heldIndices.size() == kCount)
        return RunEnd::Converged;
    if (!heldIndices.empty())
        solverProblem.SetManifold(x.data(), new ceres::SubsetManifold(kCount, heldIndices));
    ceres::Solver::Summary summary;
    ceres::Solve(fit::SolverOptions(maxIterations), &solverProblem, &summary);
    if (!summary.IsSolutionUsable())
        return RunEnd::Failed;
    return summary.termination_type == ceres::CONVERGENCE ? RunEnd::Converged : RunEnd::Unfinished;
}

std::optional<SolverVector> GradientAt(const Problem& problem, const SolverVector& x) {
    using Jet = ceres::Jet<double, kCount>;
    std::array<Jet, kCount> jx;
    for (int i = 0; i < kCount; ++i)
        jx[i] = Jet(x[i], i);
    std::vector<Jet> r(problem.Residuals);
    if (!Differences(problem)(jx.data(), r.data()))
        return std::nullopt;
    SolverVector gradient{};
    for (const Jet& ri : r)
        for (int i = 0; i < kCount; ++i)
            gradient[i] += ri.a * ri.v[i];
    return gradient;
}

ConstantMask HeldOnBounds(const SolverVector& x, const SolverVector& gradient) {
    const SolverVector lower = SolverLowerBounds();
    const SolverVector upper = SolverUpperBounds();
    ConstantMask held{};
    for (int i = 0; i < kCount; ++i) {
        const double tolerance = 1e-9 * (1 + std::fabs(x[i]));
        held[i] = (x[i] <= lower[i] + tolerance && gradient[i] > 0) ||
                  (x[i] >= upper[i] - tolerance && gradient[i] < 0);
    }
    return held;
}

} // namespace

std::optional<Solution> SolveFrom(const Problem& problem, const SolverVector& start,
                                  int maxIterations) {
    SolverVector x = ClampedToBounds(start);
    ConstantMask held{};
    const int rounds = (maxIterations + kRoundIterations - 1) / kRoundIterations;
    for (int round = 0; round < rounds; ++round) {
        const RunEnd end = RunSolver(problem, x, held, std::min(kRoundIterations, maxIterations));
        if (end == RunEnd::Failed)
            return std::nullopt;
        const std::optional<SolverVector> gradient = GradientAt(problem, x);
        if (!gradient)
            return std::nullopt;
        const ConstantMask next = HeldOnBounds(x, *gradient);
        if (end == RunEnd::Converged && next == held)
            break;
        held = next;
    }
    const std::optional<double> squares = SquaredMilliampsAt(problem, x);
    if (!squares)
        return std::nullopt;
    return Solution{x, *squares};
}

} // namespace valvescope::modelfit
