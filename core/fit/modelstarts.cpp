// Where the model fit starts. Far above the knee every one of these laws is close to a plain
// power law in Vg + V / mu (V the plate voltage for a triode, the screen voltage for a
// screen-grid tube), so mu and ex are read off the points by a scan; the current divisors enter
// the laws as plain factors and are then set by least squares at each start; the softness, the
// knee and Reefman's screen share are spread over what tubes show.
#include "core/fit/modelproblem.h"
#include "core/tube/library.h"

#include <algorithm>
#include <cmath>

namespace valvescope::modelfit {

namespace {

using tubemath::ModelConstant;
using tubemath::ModelConstants;
using tubemath::ModelKind;

// Points below this share of the largest current say little about the law's shape.
constexpr double kLeastShareOfLargest = 0.02;
// Points at plate voltages above this share of the highest lie past the knee.
constexpr double kKneeShareOfPlate = 0.4;

struct PowerLaw {
    double Mu = 10;
    double Ex = 1.4;
};

struct Sample {
    double Vg;
    double V;
    double Current;
};

// The points past the knee as (Vg, the voltage divided by mu, the cathode-side current).
std::vector<Sample> SamplesPastTheKnee(const Problem& problem) {
    const bool screenGrid =
        tubemath::HasScreen(problem.Model.Kind) && !problem.Model.TriodeConnected;
    double highest = 0;
    for (const FitPoint& p : problem.Points)
        highest = std::max(highest, p.Va);
    std::vector<Sample> samples;
    for (const FitPoint& p : problem.Points) {
        if (p.Va < kKneeShareOfPlate * highest)
            continue;
        const double current = p.Plate + (p.FitScreen ? p.Screen : 0);
        samples.push_back({p.Vg, screenGrid ? p.Vs : p.Va, current});
    }
    return samples;
}

// Ia = C (Vg + V / mu)^ex through the samples for one mu: a straight line through log I
// against log(Vg + V / mu), weighted by I^2; the sum of squares of the power law, or nothing.
std::optional<double> PowerLawSquares(const std::vector<Sample>& samples, double mu, double least,
                                      double& ex) {
    double sw = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
    int used = 0;
    for (const Sample& s : samples) {
        const double drive = s.Vg + s.V / mu;
        if (s.Current < least || !(drive > 0))
            continue;
        const double w = s.Current * s.Current;
        const double x = std::log(drive);
        const double y = std::log(s.Current);
        sw += w;
        sx += w * x;
        sy += w * y;
        sxx += w * x * x;
        sxy += w * x * y;
        ++used;
    }
    const double spread = sw * sxx - sx * sx;
    if (used < 3 || !(spread > 1e-12 * sw * sxx))
        return std::nullopt;
    const ModelConstantBounds& bounds = ModelFitBounds(ModelConstant::Ex);
    ex = std::clamp((sw * sxy - sx * sy) / spread, bounds.Lower, bounds.Upper);
    const double coefficient = std::exp((sy - ex * sx) / sw);
    double squares = 0;
    for (const Sample& s : samples) {
        const double drive = s.Vg + s.V / mu;
        const double model = drive > 0 ? coefficient * std::pow(drive, ex) : 0.0;
        squares += (model - s.Current) * (model - s.Current);
    }
    if (!std::isfinite(squares))
        return std::nullopt;
    return squares;
}

PowerLaw PowerLawOf(const Problem& problem) {
    const std::vector<Sample> samples = SamplesPastTheKnee(problem);
    double largest = 0;
    for (const Sample& s : samples)
        largest = std::max(largest, s.Current);
    PowerLaw best;
    double bestSquares = INFINITY;
    constexpr int kMuSteps = 80;
    for (int step = 0; step < kMuSteps; ++step) {
        const double mu = std::pow(1000.0, step / (kMuSteps - 1.0));
        double ex = 0;
        const std::optional<double> squares =
            PowerLawSquares(samples, mu, kLeastShareOfLargest * largest, ex);
        if (squares && *squares < bestSquares) {
            bestSquares = *squares;
            best = {mu, ex};
        }
    }
    return best;
}

// The factors by which the model's plate and screen currents at x best match the measured
// ones; Reefman's laws and the triode-connected view scale as one.
std::array<double, 2> BestScales(const Problem& problem, const SolverVector& x) {
    std::vector<double> residuals(problem.Residuals);
    std::array<double, 2> scales{1, 1};
    if (!DifferencesAt(problem, x.data(), residuals.data()))
        return scales;
    const bool separate =
        problem.Model.Kind == ModelKind::KorenPentode && !problem.Model.TriodeConnected;
    std::array<double, 2> my{}, mm{};
    std::size_t next = problem.Points.size();
    const auto add = [&](int which, double residual, double measured) {
        const double model = residual / 1000.0 + measured;
        my[which] += model * measured;
        mm[which] += model * model;
    };
    for (std::size_t i = 0; i < problem.Points.size(); ++i) {
        const FitPoint& p = problem.Points[i];
        add(0, residuals[i], p.Plate);
        if (p.FitScreen)
            add(separate ? 1 : 0, residuals[next++], p.Screen);
    }
    for (int which = 0; which < 2; ++which)
        if (mm[which] > 0 && my[which] > 0)
            scales[which] = my[which] / mm[which];
    if (!separate)
        scales[1] = scales[0];
    return scales;
}

// The start with kg1 and kg2 set so that the currents match the data in size.
SolverVector Scaled(const Problem& problem, ModelConstants<double> c) {
    const std::array<double, 2> scales = BestScales(problem, ClampedToBounds(SolverPointOf(c)));
    c.Kg1 /= scales[0];
    c.Kg2 /= scales[1];
    return ClampedToBounds(SolverPointOf(c));
}

void AddKorenTriodeStarts(const Problem& problem, const PowerLaw& law,
                          std::vector<SolverVector>& starts) {
    for (const LibraryTube& tube : TubeLibrary())
        if (tube.Model.Kind == ModelKind::KorenTriode)
            starts.push_back(Scaled(problem, tube.Model.Constants));
    // A soft cut-off (small kp) lowers the amplification factor the power law sees: spread mu
    // widely about it.
    for (double mu : {law.Mu * 0.5, law.Mu * 0.7, law.Mu, law.Mu * 1.4, law.Mu * 2, law.Mu * 3})
        for (double kp : {10.0, 30.0, 100.0, 300.0, 1000.0})
            for (double kvb : {1.0, 10.0, 100.0, 1000.0, 10000.0})
                starts.push_back(Scaled(problem, {mu, law.Ex, 1000, 1000, kp, kvb, 0, 0, 1}));
}

void AddKorenPentodeStarts(const Problem& problem, const PowerLaw& law,
                           std::vector<SolverVector>& starts) {
    for (const LibraryTube& tube : TubeLibrary())
        if (tube.Model.Kind == ModelKind::KorenPentode)
            starts.push_back(Scaled(problem, tube.Model.Constants));
    for (double mu : {law.Mu * 0.8, law.Mu, law.Mu * 1.25})
        for (double kp : {10.0, 30.0, 100.0, 300.0, 1000.0})
            for (double kvb : {2.0, 6.0, 20.0, 60.0})
                starts.push_back(Scaled(problem, {mu, law.Ex, 1000, 5000, kp, kvb, 0, 0, 1}));
}

void AddReefmanStarts(const Problem& problem, const PowerLaw& law,
                      std::vector<SolverVector>& starts) {
    // Koren's pentodes give Reefman's first five constants; his knee means something else.
    for (const LibraryTube& tube : TubeLibrary())
        if (tube.Model.Kind == ModelKind::KorenPentode) {
            ModelConstants<double> c = tube.Model.Constants;
            c.Kvb = 100;
            c.A = 0;
            c.AlphaS = 2;
            c.Beta = 0.05;
            starts.push_back(Scaled(problem, c));
        }
    for (double kp : {10.0, 50.0, 250.0, 1000.0})
        for (double kvb : {1.0, 1e3, 1e5})
            for (double alphaS : {0.3, 2.0, 10.0})
                for (double beta : {0.005, 0.03, 0.15, 0.6})
                    for (double a : {0.0, 3e-4})
                        starts.push_back(Scaled(
                            problem, {law.Mu, law.Ex, 1000, 5000, kp, kvb, a, alphaS, beta}));
}

} // namespace

std::vector<SolverVector> StartingPoints(const Problem& problem) {
    const PowerLaw law = PowerLawOf(problem);
    std::vector<SolverVector> starts;
    switch (problem.Model.Kind) {
    case ModelKind::KorenTriode:
        AddKorenTriodeStarts(problem, law, starts);
        break;
    case ModelKind::KorenPentode:
        AddKorenPentodeStarts(problem, law, starts);
        break;
    case ModelKind::Derk:
    case ModelKind::DerkE:
        AddReefmanStarts(problem, law, starts);
        break;
    case ModelKind::Seed:
        break;
    }
    return starts;
}

} // namespace valvescope::modelfit
