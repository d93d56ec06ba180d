#include "core/fit/modelfit.h"

#include "core/fit/modelproblem.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace valvescope {

namespace {

using modelfit::FitPoint;
using modelfit::Problem;
using modelfit::Solution;
using modelfit::SolverVector;
using tubemath::ModelKind;

constexpr std::string_view kTriodeConnected = " triode-connected";

// As in the seed's fit: the best-ranked starts each get a short solve, the best few of those
// are solved to the end.
constexpr std::size_t kScreenedStarts = 24;
constexpr int kScreenIterations = 20;
constexpr std::size_t kFinalists = 4;
constexpr int kMaxIterations = 300;

// A triode's screen column reads nothing or a count or two of noise.
constexpr double kLeastScreenShare = 0.01;
// A tracer holds a strapped screen at the plate voltage to within a volt or two.
constexpr double kStrappedVolts = 2;
constexpr double kStrappedShare = 0.02;

// A file holds screen currents when it measured them and the largest is at least 1 % of the
// largest plate current.
bool HoldsScreenCurrent(const MeasuredFile& file) {
    double plate = 0, screen = 0;
    for (const MeasuredPoint& p : file.Points) {
        if (!p.ScreenMeasured)
            return false;
        plate = std::max(plate, p.Ia);
        screen = std::max(screen, p.Is);
    }
    return screen > 0 && screen >= kLeastScreenShare * plate;
}

// The screen sits at the plate voltage: the tube was measured strapped.
bool StrappedPoint(const MeasuredPoint& p) {
    return std::fabs(p.Vs - p.Va) <= std::fmax(kStrappedVolts, kStrappedShare * std::fabs(p.Va));
}

void CheckPoint(const MeasuredFile& file, std::size_t index) {
    const MeasuredPoint& p = file.Points[index];
    if (!std::isfinite(p.Vg) || !std::isfinite(p.Va) || !std::isfinite(p.Ia) ||
        !std::isfinite(p.Vs) || (p.ScreenMeasured && !std::isfinite(p.Is)))
        throw FitError(file.Name + ": measured point " + std::to_string(index + 1) +
                       " has a value that is not a finite number.");
}

Problem ProblemOf(const std::vector<MeasuredFile>& files, const FitModel& model) {
    if (model.Kind == ModelKind::Seed)
        throw FitError("The seed model is fitted by the seed's own fit.");
    if (model.TriodeConnected && !tubemath::HasScreen(model.Kind))
        throw FitError("Only a screen-grid model can be seen triode-connected.");
    Problem problem;
    problem.Model = model;
    for (const tubemath::ModelConstant c : tubemath::ConstantsOf(model.Kind))
        problem.Used[static_cast<std::size_t>(c)] = true;
    const bool screenModel = tubemath::HasScreen(model.Kind) && !model.TriodeConnected;
    for (std::size_t f = 0; f < files.size(); ++f) {
        const bool screen = HoldsScreenCurrent(files[f]);
        for (std::size_t i = 0; i < files[f].Points.size(); ++i) {
            CheckPoint(files[f], i);
            const MeasuredPoint& p = files[f].Points[i];
            // Strapped, the plate terminal carries the screen's current too.
            const double plate = model.TriodeConnected && screen ? p.Ia + p.Is : p.Ia;
            problem.Points.push_back({p.Vg, p.Va, p.Vs, plate, p.Is, screenModel && screen, f});
            problem.Residuals += screenModel && screen ? 2 : 1;
        }
    }
    // Without a screen voltage a screen-grid tube draws nothing: there is nothing to fit.
    if (screenModel && std::none_of(problem.Points.begin(), problem.Points.end(),
                                    [](const FitPoint& p) { return p.Vs > 0; }))
        throw FitError(FitModelName(model) +
                       " needs the screen voltage of the points, and the "
                       "files give none; fit it triode-connected or give a tracer's file.");
    const std::size_t constants = tubemath::ConstantsOf(model.Kind).size();
    if (problem.Points.size() <= constants)
        throw FitError("A fit of the " + std::to_string(constants) + " constants of " +
                       FitModelName(model) + " needs at least " + std::to_string(constants + 1) +
                       " measured points; there are " + std::to_string(problem.Points.size()) +
                       ".");
    return problem;
}

void Report(const FitProgress& progress, double share) {
    if (progress && !progress(share))
        throw FitCancelled();
}

std::vector<Solution> SolvedFrom(const Problem& problem, const std::vector<Solution>& starts,
                                 std::size_t count, int iterations, const FitProgress& progress,
                                 double shareBefore, double shareAfter) {
    std::vector<Solution> solved;
    const std::size_t n = std::min(count, starts.size());
    for (std::size_t i = 0; i < n; ++i) {
        Report(progress, shareBefore + (shareAfter - shareBefore) * static_cast<double>(i) /
                                           static_cast<double>(n));
        if (const std::optional<Solution> s = modelfit::SolveFrom(problem, starts[i].X, iterations))
            solved.push_back(*s);
    }
    std::stable_sort(solved.begin(), solved.end(), [](const Solution& a, const Solution& b) {
        return a.SquaredMilliamps < b.SquaredMilliamps;
    });
    return solved;
}

Solution BestSolution(const Problem& problem, const FitProgress& progress) {
    std::vector<Solution> ranked;
    for (const SolverVector& start : modelfit::StartingPoints(problem))
        if (const std::optional<double> squares = modelfit::SquaredMilliampsAt(problem, start))
            ranked.push_back({start, *squares});
    std::stable_sort(ranked.begin(), ranked.end(), [](const Solution& a, const Solution& b) {
        return a.SquaredMilliamps < b.SquaredMilliamps;
    });
    const std::vector<Solution> screened =
        SolvedFrom(problem, ranked, kScreenedStarts, kScreenIterations, progress, 0, 0.5);
    const std::vector<Solution> finished =
        SolvedFrom(problem, screened, kFinalists, kMaxIterations, progress, 0.5, 1);
    if (finished.empty())
        throw FitError("No start of the " + FitModelName(problem.Model) +
                       " fit reached a solution: the model cannot be evaluated near these points.");
    Report(progress, 1);
    return finished.front();
}

double Rms(double squares, std::size_t count) {
    return count == 0 ? 0 : std::sqrt(squares / static_cast<double>(count));
}

void Summarise(const Problem& problem, const std::vector<MeasuredFile>& files,
               const SolverVector& x, ModelFitResult& result) {
    std::vector<double> r(problem.Residuals);
    modelfit::DifferencesAt(problem, x.data(), r.data());
    std::vector<double> fileSquares(files.size(), 0);
    double plateSquares = 0, screenSquares = 0;
    for (std::size_t i = 0; i < problem.Points.size(); ++i) {
        plateSquares += r[i] * r[i];
        fileSquares[problem.Points[i].File] += r[i] * r[i];
        result.MaxMilliamps = std::max(result.MaxMilliamps, std::fabs(r[i]));
    }
    for (std::size_t i = problem.Points.size(); i < r.size(); ++i)
        screenSquares += r[i] * r[i];
    const std::size_t n = problem.Points.size();
    result.Points = n;
    result.Residuals = problem.Residuals;
    result.RmsMilliamps = Rms(plateSquares, n);
    if (problem.Residuals > n)
        result.ScreenRmsMilliamps = Rms(screenSquares, problem.Residuals - n);
    for (std::size_t f = 0; f < files.size(); ++f)
        result.Files.push_back(
            {files[f].Name, files[f].Points.size(), Rms(fileSquares[f], files[f].Points.size())});
    const double m = static_cast<double>(problem.Residuals);
    const double k = static_cast<double>(tubemath::ConstantsOf(problem.Model.Kind).size());
    // A perfect fit has no logarithm; the floor keeps the criterion a number.
    const double squares = std::fmax(plateSquares + screenSquares, 1e-300);
    result.Bic = m * std::log(squares / m) + k * std::log(m);
    result.Quality = modelfit::QualityAt(problem, x, plateSquares + screenSquares);
}

} // namespace

std::string FitModelName(const FitModel& model) {
    std::string name(tubemath::ModelName(model.Kind));
    if (model.TriodeConnected)
        name += kTriodeConnected;
    return name;
}

std::optional<FitModel> FitModelNamed(std::string_view name) {
    FitModel model;
    if (name.ends_with(kTriodeConnected)) {
        model.TriodeConnected = true;
        name.remove_suffix(kTriodeConnected.size());
    }
    const std::optional<ModelKind> kind = tubemath::ModelNamed(name);
    if (!kind || (model.TriodeConnected && !tubemath::HasScreen(*kind)))
        return std::nullopt;
    model.Kind = *kind;
    return model;
}

ModelFitResult FitModelToFiles(const std::vector<MeasuredFile>& files, const FitModel& model,
                               const FitProgress& progress) {
    const auto begun = std::chrono::steady_clock::now();
    const Problem problem = ProblemOf(files, model);
    const Solution best = BestSolution(problem, progress);
    ModelFitResult result;
    result.Model = model;
    result.Tube.Kind = model.Kind;
    const tubemath::ModelConstants<double> constants = modelfit::ConstantsAt(best.X);
    for (const tubemath::ModelConstant c : tubemath::ConstantsOf(model.Kind))
        result.Tube.Constants[c] = constants[c];
    Summarise(problem, files, best.X, result);
    result.Seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begun).count();
    return result;
}

std::vector<FitModel> ModelsSuiting(const std::vector<MeasuredFile>& files) {
    bool screenCurrent = false;
    bool strapped = true;
    bool anyScreenVoltage = false;
    for (const MeasuredFile& file : files) {
        screenCurrent = screenCurrent || HoldsScreenCurrent(file);
        for (const MeasuredPoint& p : file.Points) {
            anyScreenVoltage = anyScreenVoltage || p.Vs > 0;
            strapped = strapped && StrappedPoint(p);
        }
    }
    strapped = strapped && anyScreenVoltage;
    std::vector<FitModel> models;
    if (!screenCurrent)
        models.push_back({ModelKind::KorenTriode, false});
    for (const ModelKind kind : {ModelKind::KorenPentode, ModelKind::Derk, ModelKind::DerkE}) {
        if (screenCurrent && !strapped)
            models.push_back({kind, false});
        if (strapped)
            models.push_back({kind, true});
    }
    return models;
}

std::vector<ModelFitResult> CompareModels(const std::vector<MeasuredFile>& files,
                                          const FitProgress& progress) {
    const std::vector<FitModel> models = ModelsSuiting(files);
    std::vector<ModelFitResult> results;
    std::string lastError = "No model suits these measurements.";
    for (std::size_t i = 0; i < models.size(); ++i) {
        const double share = static_cast<double>(i) / static_cast<double>(models.size());
        const FitProgress part = [&](double done) {
            return !progress || progress(share + done / static_cast<double>(models.size()));
        };
        try {
            results.push_back(FitModelToFiles(files, models[i], part));
        } catch (const FitCancelled&) {
            throw;
        } catch (const FitError& error) {
            lastError = error.what();
        }
    }
    if (results.empty())
        throw FitError(lastError);
    std::stable_sort(
        results.begin(), results.end(),
        [](const ModelFitResult& a, const ModelFitResult& b) { return a.Bic < b.Bic; });
    return results;
}

} // namespace valvescope
