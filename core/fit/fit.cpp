#include "core/fit/fit.h"

#include "core/fit/solve.h"
#include "core/fit/starts.h"
#include "core/fit/uncertainty.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace valvescope {

namespace {

using fit::Solution;
using fit::SolverVector;

constexpr std::size_t kLeastPoints = kFitConstantCount + 1;

// The best-ranked starts each get a short solve; the best few of those are then solved to the
// end. A short solve is enough to leave a basin that leads nowhere.
constexpr int kScreenedStarts = 16;
constexpr int kScreenIterations = 20;
constexpr int kFinalists = 4;
constexpr int kMaxIterations = 300;
// On more points than this the starts are screened and the finalists solved on an even
// subsample of this many; only the best is then finished on all the points. From there it
// takes a few steps, where every step on all of them costs much.
constexpr std::size_t kScreenPoints = 2000;

// Counts the solves done for the progress report, and stops the fit when asked to.
class FitProgress {
public:
    FitProgress(const FitControl& control, int solves) : control_(control), solves_(solves) {
        Check();
    }
    void SolveDone() {
        ++done_;
        Check();
        if (control_.Progress)
            control_.Progress(std::min(1.0, static_cast<double>(done_) / solves_));
    }
    const std::atomic<bool>* Cancel() const { return control_.Cancel; }

private:
    void Check() const {
        if (control_.Cancel && control_.Cancel->load())
            throw FitCancelled();
    }

    const FitControl& control_;
    int solves_;
    int done_ = 0;
};

// Every k-th point, so that each curve keeps its share: at most `most` of them.
MeasuredPoints EvenSubsample(const MeasuredPoints& points, std::size_t most) {
    const std::size_t stride = (points.size() + most - 1) / most;
    MeasuredPoints sample;
    sample.reserve(most);
    for (std::size_t i = 0; i < points.size(); i += stride)
        sample.push_back(points[i]);
    return sample;
}

void CheckPoints(const MeasuredPoints& points) {
    if (points.size() < kLeastPoints)
        throw FitError("A fit of the " + std::to_string(kFitConstantCount) +
                       " constants needs at least " + std::to_string(kLeastPoints) +
                       " measured points; there are " + std::to_string(points.size()) + ".");
    if (std::none_of(points.begin(), points.end(), [](const MeasuredPoint& p) { return p.Ia > 0; }))
        throw FitError("no current was measured");
    for (std::size_t i = 0; i < points.size(); ++i) {
        const MeasuredPoint& point = points[i];
        if (!std::isfinite(point.Vg) || !std::isfinite(point.Va) || !std::isfinite(point.Ia))
            throw FitError("Measured point " + std::to_string(i + 1) +
                           " has a value that is not a finite number.");
    }
}

// The starts where the model goes through, the closest to the data first.
std::vector<Solution> RankedStarts(const MeasuredPoints& points) {
    std::vector<Solution> ranked;
    for (const SolverVector& start : fit::StartingPoints(points))
        if (const std::optional<double> squares = fit::SquaredMilliampsAt(points, start))
            ranked.push_back({start, *squares});
    // Stable, so that equal sums keep the order the starts were listed in.
    std::stable_sort(ranked.begin(), ranked.end(), [](const Solution& a, const Solution& b) {
        return a.SquaredMilliamps < b.SquaredMilliamps;
    });
    return ranked;
}

// The solutions of the first `count` starts after at most `iterations` each, the lowest first.
std::vector<Solution> SolvedFrom(const MeasuredPoints& points, const std::vector<Solution>& starts,
                                 std::size_t count, int iterations, FitProgress& progress) {
    std::vector<Solution> solved;
    for (std::size_t i = 0; i < std::min(count, starts.size()); ++i) {
        const std::optional<Solution> solution =
            fit::SolveFrom(points, starts[i].X, iterations, progress.Cancel());
        progress.SolveDone();
        if (solution)
            solved.push_back(*solution);
    }
    std::stable_sort(solved.begin(), solved.end(), [](const Solution& a, const Solution& b) {
        return a.SquaredMilliamps < b.SquaredMilliamps;
    });
    return solved;
}

Solution BestSolution(const MeasuredPoints& points, const FitControl& control) {
    const bool subsampled = points.size() > kScreenPoints;
    const MeasuredPoints sample =
        subsampled ? EvenSubsample(points, kScreenPoints) : MeasuredPoints{};
    const MeasuredPoints& screen = subsampled ? sample : points;
    FitProgress progress(control, kScreenedStarts + kFinalists + (subsampled ? 1 : 0));
    const std::vector<Solution> screened =
        SolvedFrom(screen, RankedStarts(screen), kScreenedStarts, kScreenIterations, progress);
    std::vector<Solution> finished =
        SolvedFrom(screen, screened, kFinalists, kMaxIterations, progress);
    if (subsampled && !finished.empty())
        finished = SolvedFrom(points, finished, 1, kMaxIterations, progress);
    if (finished.empty())
        throw FitError("No start of the fit reached a solution: the model cannot be evaluated "
                       "near these points.");
    return finished.front();
}

} // namespace

FitResult FitTube(const MeasuredPoints& points, const FitControl& control) {
    CheckPoints(points);
    const Solution best = BestSolution(points, control);
    FitResult result;
    result.Params = fit::ParamsAt(best.X);
    result.Points = points.size();
    double squares = 0;
    for (const MeasuredPoint& point : points) {
        const double difference =
            (tubemath::PlateCurrent(result.Params, point.Vg, point.Va) - point.Ia) * 1000.0;
        squares += difference * difference;
        result.MaxMilliamps = std::max(result.MaxMilliamps, std::fabs(difference));
    }
    result.RmsMilliamps = std::sqrt(squares / static_cast<double>(points.size()));
    result.Quality = fit::QualityOf(points, result.Params, squares);
    return result;
}

} // namespace valvescope
