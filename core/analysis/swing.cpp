// The swing's spectrum by quadrature over half a cycle. Ip depends on the phase only through
// cos(phi), so it is even and half a cycle, 0 to pi, holds all of it. The current is smooth in
// the phase except where the grid crosses 0 V (the seed's amplification factor |Vg|^a), where it
// enters cut-off, and where the seed law's exponent runs out: those phases split the half cycle
// into stretches, each integrated by Gauss-Legendre on smoothed nodes. The other models are
// smooth but for cut-off; a split at 0 V costs them nothing.
#include "core/analysis/quadrature.h"
#include "core/analysis/slopes.h"
#include "core/analysis/stagemath.h"
#include "core/search/rootsolve.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

namespace valvescope::analysis {

LoadedCurrent CurrentOnLoad(const StageTube& tube, double vg, PlateLoad load, double guess) {
    CurrentSlopes last;
    const auto residual = [&](double ip) {
        last = tube.Slopes(vg, load.Intercept - load.Slope * ip);
        return search::Sample{ip - last.Ip, 1 + load.Slope * last.DIpDVa};
    };
    // Past Intercept / Slope the plate voltage would be negative; at 0 V the model draws no
    // current, so the residual is positive there.
    const double ip = search::SolveIncreasing(residual, 0, load.Intercept / load.Slope, guess);
    const double along = last.DIpDVg / (1 + load.Slope * last.DIpDVa);
    return {ip, std::isfinite(along) ? along : 0};
}

double CutoffGridVoltage(const StageTube& tube, double va, double from, double to) {
    while (std::nextafter(from, to) != to) {
        const double middle = from + (to - from) / 2;
        if (tube.Current(middle, va) == 0)
            from = middle;
        else
            to = middle;
    }
    return to;
}

namespace {

// The phases in (0, pi) where the current is not smooth, ascending, with 0 and pi at the ends.
std::vector<double> StretchEnds(const StageTube& tube, double restVg, double drive,
                                PlateLoad load) {
    const double lowestVg = restVg - drive;
    const double highestVg = restVg + drive;
    std::vector<double> gridVolts = {0};
    if (tube.IsSeed() && tube.Seed().ExponentSlope > 0)
        gridVolts.push_back(tube.Seed().ExponentSlope * tube.Seed().LawExponent);
    if (tube.Current(lowestVg, load.Intercept) == 0)
        gridVolts.push_back(CutoffGridVoltage(tube, load.Intercept, lowestVg, restVg));

    std::vector<double> ends = {0, std::numbers::pi};
    for (const double vg : gridVolts) {
        if (vg > lowestVg && vg < highestVg)
            ends.push_back(std::acos(std::clamp((vg - restVg) / drive, -1.0, 1.0)));
    }
    std::sort(ends.begin(), ends.end());
    ends.erase(std::unique(ends.begin(), ends.end()), ends.end());
    return ends;
}

// Walks the phase upwards, each current found from a guess carried along the load.
class SwingWalk {
public:
    SwingWalk(const StageTube& tube, double restVg, double restIp, double drive, PlateLoad load)
        : tube_(tube), restVg_(restVg), drive_(drive), load_(load),
          lastVg_(restVg), last_{restIp, 0} {}

    double CurrentAt(double phase) {
        const double vg = restVg_ + drive_ * std::cos(phase);
        const double guess = last_.Ip + last_.DIpDVg * (vg - lastVg_);
        last_ = CurrentOnLoad(tube_, vg, load_, guess);
        lastVg_ = vg;
        minIp_ = std::min(minIp_, last_.Ip);
        maxIp_ = std::max(maxIp_, last_.Ip);
        ++solves_;
        return last_.Ip;
    }

    double MinIp() const { return minIp_; }
    double MaxIp() const { return maxIp_; }
    int Solves() const { return solves_; }

private:
    const StageTube& tube_;
    double restVg_;
    double drive_;
    PlateLoad load_;
    double lastVg_;
    LoadedCurrent last_;
    double minIp_ = std::numeric_limits<double>::infinity();
    double maxIp_ = -std::numeric_limits<double>::infinity();
    int solves_ = 0;
};

using Coefficients = std::array<double, 10>;

// Adds weighted * cos(n phase) for n = 0..9, by cos(n x) = 2 cos(x) cos((n-1) x) - cos((n-2) x).
void AddCosines(Coefficients& sums, double phase, double weighted) {
    const double c1 = std::cos(phase);
    double before = 1;
    double now = c1;
    sums[0] += weighted;
    for (std::size_t n = 1; n < sums.size(); ++n) {
        sums[n] += weighted * now;
        const double next = 2 * c1 * now - before;
        before = now;
        now = next;
    }
}

double LargestDifference(const Coefficients& a, const Coefficients& b) {
    double largest = 0;
    for (std::size_t n = 0; n < a.size(); ++n)
        largest = std::max(largest, std::fabs(a[n] - b[n]));
    return largest;
}

// Integrals of (Ip - restIp) cos(n phi), stretch by stretch, each halved until its two halves
// agree with the whole. Taking off the rest current keeps a small swing's harmonics clear of
// the rounding of the much larger steady current; it changes only C0.
class SwingQuadrature {
public:
    SwingQuadrature(SwingWalk& walk, double restIp, double tolerance)
        : walk_(walk), restIp_(restIp), tolerance_(tolerance) {}

    void Add(double from, double to, Coefficients& total) {
        Refine(from, to, Stretch(from, to), 0, total);
    }

private:
    // Bounds the work where the current is rough beyond any halving, far outside the law's range.
    static constexpr int kDeepestHalving = 10;

    Coefficients Stretch(double from, double to) {
        Coefficients sums{};
        for (const QuadratureNode& node : SmoothedNodes(from, to))
            AddCosines(sums, node.X, node.Weight * (walk_.CurrentAt(node.X) - restIp_));
        return sums;
    }

    void Refine(double from, double to, const Coefficients& whole, int depth, Coefficients& total) {
        const double middle = from + (to - from) / 2;
        const Coefficients left = Stretch(from, middle);
        const Coefficients right = Stretch(middle, to);
        Coefficients halves;
        for (std::size_t n = 0; n < halves.size(); ++n)
            halves[n] = left[n] + right[n];
        const double allowed = tolerance_ * (to - from) / std::numbers::pi;
        if (depth >= kDeepestHalving || LargestDifference(whole, halves) <= allowed) {
            for (std::size_t n = 0; n < total.size(); ++n)
                total[n] += halves[n];
            return;
        }
        Refine(from, middle, left, depth + 1, total);
        Refine(middle, to, right, depth + 1, total);
    }

    SwingWalk& walk_;
    double restIp_;
    double tolerance_;
};

// Each coefficient is kept within this fraction of the swing's largest departure from rest,
// or, for a very small swing, within the rounding of the currents themselves.
constexpr double kRelativeTolerance = 1e-10;
constexpr double kRoundingTolerance = 1e-13;

} // namespace

SwingSpectrum SpectrumOfSwing(const StageTube& tube, double restVg, double restIp, double drive,
                              PlateLoad load) {
    SwingWalk walk(tube, restVg, restIp, drive, load);
    const double top = walk.CurrentAt(0);
    const double bottom = walk.CurrentAt(std::numbers::pi);
    const double departure = std::max(std::fabs(top - restIp), std::fabs(restIp - bottom));
    const double largest = std::max({top, restIp, bottom});
    const double coefficientTolerance =
        std::max(kRelativeTolerance * departure, kRoundingTolerance * largest);
    // A coefficient is 2 / pi times its integral.
    SwingQuadrature quadrature(walk, restIp, coefficientTolerance * std::numbers::pi / 2);

    Coefficients integrals{};
    const std::vector<double> ends = StretchEnds(tube, restVg, drive, load);
    for (std::size_t stretch = 0; stretch + 1 < ends.size(); ++stretch)
        quadrature.Add(ends[stretch], ends[stretch + 1], integrals);

    SwingSpectrum spectrum;
    for (std::size_t n = 0; n < integrals.size(); ++n)
        spectrum.Cosines[n] = integrals[n] * 2 / std::numbers::pi;
    spectrum.Cosines[0] += 2 * restIp;
    spectrum.MinIp = walk.MinIp();
    spectrum.MaxIp = walk.MaxIp();
    spectrum.Solves = walk.Solves();
    return spectrum;
}

} // namespace valvescope::analysis
