// The root of an increasing function by Newton steps kept inside a shrinking bracket; beside
// the bracketing search of core/search/bracketsearch.h, the other search that halves a bracket.
#pragma once

#include <algorithm>
#include <cmath>
#include <limits>

namespace valvescope::search {

// A value of the function and its slope there.
struct Sample {
    double Value = 0;
    double Slope = 0;
};

// Finds x in [lo, hi] where the increasing function `at` (x -> Sample) crosses zero, given
// that it is at most 0 at lo and at least 0 at hi (the two ends need not be evaluated). Starts
// from `guess`. A Newton step that leaves the bracket, has no finite slope, or follows two
// steps that did not halve the value is replaced by halving. Ends at an exact zero, when a
// Newton step moves by no more than two units in the last place, or when the bracket holds no
// double between its ends; then the end with the smaller value wins.
template <class At> double SolveIncreasing(At at, double lo, double hi, double guess) {
    constexpr int kMostSteps = 400;
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    constexpr double kEpsilon = std::numeric_limits<double>::epsilon();
    double valueAtLo = -kInfinity; // unevaluated ends count as infinitely far off
    double valueAtHi = kInfinity;
    double lastMagnitude = kInfinity;
    int slowSteps = 0;
    double x = std::clamp(guess, lo, hi);
    for (int step = 0; step < kMostSteps; ++step) {
        const Sample sample = at(x);
        if (sample.Value == 0)
            return x;
        if (sample.Value < 0) {
            lo = x;
            valueAtLo = sample.Value;
        } else {
            hi = x;
            valueAtHi = sample.Value;
        }
        if (!(std::nextafter(lo, hi) < hi))
            break;
        const double magnitude = std::fabs(sample.Value);
        slowSteps = magnitude > 0.5 * lastMagnitude ? slowSteps + 1 : 0;
        lastMagnitude = magnitude;

        double next = x - sample.Value / sample.Slope;
        // An unevaluated end may itself be the root (a current of exactly 0, say).
        const bool inside = (next > lo || (next == lo && valueAtLo == -kInfinity)) &&
                            (next < hi || (next == hi && valueAtHi == kInfinity));
        if (slowSteps >= 2 || !(sample.Slope > 0) || !std::isfinite(next) || !inside) {
            next = lo + (hi - lo) / 2;
            slowSteps = 0;
        } else if (std::fabs(next - x) <= 2 * kEpsilon * std::fabs(x)) {
            return next;
        }
        x = next;
    }
    return -valueAtLo <= valueAtHi ? lo : hi;
}

} // namespace valvescope::search
