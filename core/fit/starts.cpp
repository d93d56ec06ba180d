#include "core/fit/starts.h"

#include <algorithm>
#include <cmath>

namespace valvescope::fit {

namespace {

// Points below this share of the largest current say little about the law's shape in log
// space: their relative error is large.
constexpr double kLeastShareOfLargest = 0.02;

// The amplification factors the scan tries, spaced evenly in log between these.
constexpr double kLeastMu = 0.5;
constexpr double kMostMu = 300;
constexpr int kMuSteps = 60;

struct Fitted {
    PlainLaw Law;
    double Squares; // sum of squared differences in A^2
};

double LargestCurrent(const MeasuredPoints& points) {
    double largest = 0;
    for (const MeasuredPoint& point : points)
        largest = std::max(largest, point.Ia);
    return largest;
}

// The plain law with amplification factor mu: a straight line through log Ia against
// log(Va + mu Vg), weighted by Ia^2 so that it minimises roughly the error in current.
std::optional<Fitted> PlainLawWithMu(const MeasuredPoints& points, double mu, double least) {
    double sw = 0, sx = 0, sy = 0, sxx = 0, sxy = 0, svg = 0;
    int used = 0;
    for (const MeasuredPoint& point : points) {
        const double argument = point.Va + mu * point.Vg;
        if (point.Ia < least || !(argument > 0))
            continue;
        const double w = point.Ia * point.Ia;
        const double x = std::log(argument);
        const double y = std::log(point.Ia);
        sw += w;
        sx += w * x;
        sy += w * y;
        sxx += w * x * x;
        sxy += w * x * y;
        svg += w * point.Vg;
        ++used;
    }
    const double spread = sw * sxx - sx * sx;
    if (used < 3 || !(spread > 1e-12 * sw * sxx))
        return std::nullopt;
    PlainLaw law;
    law.Mu = mu;
    // An exponent the model's bounds cannot reach would lead the scan astray.
    law.Exponent =
        std::clamp((sw * sxy - sx * sy) / spread, kFitConstants[6].Lower, kFitConstants[6].Upper);
    law.Coefficient = std::exp((sy - law.Exponent * sx) / sw);
    law.TypicalVg = svg / sw;
    double squares = 0;
    for (const MeasuredPoint& point : points) {
        const double argument = point.Va + mu * point.Vg;
        const double model =
            argument > 0 ? law.Coefficient * std::pow(argument, law.Exponent) : 0.0;
        squares += (model - point.Ia) * (model - point.Ia);
    }
    if (!std::isfinite(squares) || !std::isfinite(law.Coefficient))
        return std::nullopt;
    return Fitted{law, squares};
}

// A few points spread over the box, whatever the data say.
constexpr tubemath::TubeParams kSpreadStarts[] = {
    {0.5, 1000, 100, 1000, 20, 1e-4, 1.5},
    {0.1, 30, 10, 10, 5, 1e-3, 1.3},
    {0.3, 300, 30, 100, 60, 3e-6, 1.4},
    {0.8, 20, 5, 3, 100, 1e-6, 2.0},
};

struct Shape {
    double MuExponent;
    double ExponentSlope;
    double GridDecade;
    double KneeFactor;
};

// The plain law read as the model's constants of the given shape: at the typical grid voltage
// the model's amplification factor, exponent and coefficient equal the plain law's.
SolverVector ReadAs(const PlainLaw& law, const Shape& shape) {
    const double vg = law.TypicalVg;
    tubemath::TubeParams params;
    params.MuExponent = shape.MuExponent;
    params.ExponentSlope = shape.ExponentSlope;
    params.GridDecade = shape.GridDecade;
    params.KneeFactor = shape.KneeFactor;
    params.MuZero = law.Mu + std::pow(std::fabs(vg), shape.MuExponent);
    params.LawExponent = law.Exponent + vg / shape.ExponentSlope;
    params.Perveance = law.Coefficient / std::pow(10.0, vg / shape.GridDecade);
    SolverVector x = SolverPointOf(params);
    for (double& coordinate : x)
        if (!std::isfinite(coordinate))
            coordinate = 0;
    return ClampedToBounds(x);
}

} // namespace

std::optional<PlainLaw> PlainLawOf(const MeasuredPoints& points) {
    const double least = kLeastShareOfLargest * LargestCurrent(points);
    std::optional<Fitted> best;
    for (int step = 0; step < kMuSteps; ++step) {
        const double mu = kLeastMu * std::pow(kMostMu / kLeastMu, step / (kMuSteps - 1.0));
        const std::optional<Fitted> fitted = PlainLawWithMu(points, mu, least);
        if (fitted && (!best || fitted->Squares < best->Squares))
            best = fitted;
    }
    if (!best)
        return std::nullopt;
    return best->Law;
}

std::vector<SolverVector> StartingPoints(const MeasuredPoints& points) {
    std::vector<SolverVector> starts{SolverPointOf(tubemath::TubeParams{})};
    for (const tubemath::TubeParams& params : kSpreadStarts)
        starts.push_back(SolverPointOf(params));
    const std::optional<PlainLaw> law = PlainLawOf(points);
    if (!law)
        return starts;
    for (double muExponent : {0.1, 0.4, 0.8})
        for (double exponentSlope : {10.0, 100.0, 3000.0})
            for (double gridDecade : {5.0, 50.0, 500.0})
                for (double kneeFactor : {1.5, 30.0, 3000.0})
                    starts.push_back(
                        ReadAs(*law, {muExponent, exponentSlope, gridDecade, kneeFactor}));
    return starts;
}

} // namespace valvescope::fit
