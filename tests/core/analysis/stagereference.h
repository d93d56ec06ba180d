// Slow, plain reference computations for the stage tests: halving instead of Newton steps,
// brute-force sums instead of quadrature, central differences instead of derived formulas.
#pragma once

#include "model/tubemath.h"

#include <array>
#include <cmath>
#include <numbers>

namespace stagetest {

// Halves [lo, hi] until it is no wider than `width` (0: until no double lies between its
// ends), keeping f(lo) < 0 <= f(hi).
template <class F> double Bisect(F f, double lo, double hi, double width) {
    while (hi - lo > width) {
        const double middle = (lo + hi) / 2;
        if (middle <= lo || middle >= hi)
            break;
        (f(middle) < 0 ? lo : hi) = middle;
    }
    return (lo + hi) / 2;
}

// The current at grid voltage vg with the plate on Va = intercept - slope * Ip.
inline double LoadedCurrentByBisection(const tubemath::TubeParams& tube, double vg,
                                       double intercept, double slope) {
    if (tubemath::PlateCurrent(tube, vg, intercept) == 0)
        return 0;
    const auto residual = [&](double ip) {
        return ip - tubemath::PlateCurrent(tube, vg, intercept - slope * ip);
    };
    return Bisect(residual, 0, intercept / slope, 0);
}

// The swing sampled at `samples` even phases of Vg = restVg + drive * sin(theta), with a
// plain Fourier sum for the harmonics' peak amplitudes.
struct BruteForceSwing {
    std::array<double, 9> Harmonics{};
    double AverageIp = 0;
    double MinIp = 0;
    double MaxIp = 0;
    double PeakP = 0; // largest Va * Ip among the samples
};

inline BruteForceSwing SwingByBruteForce(const tubemath::TubeParams& tube, double restVg,
                                         double drive, double intercept, double slope,
                                         int samples) {
    std::array<double, 9> cosines{};
    std::array<double, 9> sines{};
    BruteForceSwing swing;
    swing.MinIp = INFINITY;
    swing.MaxIp = -INFINITY;
    double sum = 0;
    for (int j = 0; j < samples; ++j) {
        const double theta = 2 * std::numbers::pi * j / samples;
        const double vg = restVg + drive * std::sin(theta);
        const double ip = LoadedCurrentByBisection(tube, vg, intercept, slope);
        sum += ip;
        swing.MinIp = std::min(swing.MinIp, ip);
        swing.MaxIp = std::max(swing.MaxIp, ip);
        swing.PeakP = std::max(swing.PeakP, ip * (intercept - slope * ip));
        for (int n = 0; n < 9; ++n) {
            cosines[n] += ip * std::cos((n + 1) * theta);
            sines[n] += ip * std::sin((n + 1) * theta);
        }
    }
    for (int n = 0; n < 9; ++n)
        swing.Harmonics[n] = 2 * std::hypot(cosines[n], sines[n]) / samples;
    swing.AverageIp = sum / samples;
    return swing;
}

// A derivative by central differences at steps h and h/2, combined by Richardson.
template <class F> double Derivative(F f, double x, double h) {
    const double coarse = (f(x + h) - f(x - h)) / (2 * h);
    const double fine = (f(x + h / 2) - f(x - h / 2)) / h;
    return (4 * fine - coarse) / 3;
}

} // namespace stagetest
