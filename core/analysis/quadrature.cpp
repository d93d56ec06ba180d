#include "core/analysis/quadrature.h"

#include <cmath>
#include <numbers>

namespace valvescope::analysis {

namespace {

// P_n(x) and its derivative by the three-term recurrence.
struct Legendre {
    double Value = 0;
    double Slope = 0;
};

Legendre LegendreAt(std::size_t n, double x) {
    double previous = 1;
    double value = x;
    for (std::size_t k = 2; k <= n; ++k) {
        const double kk = static_cast<double>(k);
        const double next = ((2 * kk - 1) * x * value - (kk - 1) * previous) / kk;
        previous = value;
        value = next;
    }
    const double nn = static_cast<double>(n);
    return {value, nn * (x * value - previous) / (x * x - 1)};
}

QuadratureNodes ComputeGaussLegendre() {
    QuadratureNodes nodes;
    const std::size_t n = kGaussPoints;
    for (std::size_t i = 0; i < n; ++i) {
        // Start from the Chebyshev-like estimate of the i-th root counted from -1.
        double x = -std::cos(std::numbers::pi * (static_cast<double>(i) + 0.75) /
                             (static_cast<double>(n) + 0.5));
        Legendre p = LegendreAt(n, x);
        for (int step = 0; step < 100; ++step) {
            const double dx = p.Value / p.Slope;
            x -= dx;
            p = LegendreAt(n, x);
            if (std::fabs(dx) <= 1e-16)
                break;
        }
        nodes[i] = {x, 2 / ((1 - x * x) * p.Slope * p.Slope)};
    }
    return nodes;
}

} // namespace

const QuadratureNodes& GaussLegendreNodes() {
    static const QuadratureNodes nodes = ComputeGaussLegendre();
    return nodes;
}

QuadratureNodes SmoothedNodes(double from, double to) {
    QuadratureNodes nodes;
    const double length = to - from;
    const QuadratureNodes& gauss = GaussLegendreNodes();
    for (std::size_t i = 0; i < kGaussPoints; ++i) {
        const double t = (gauss[i].X + 1) / 2; // in [0, 1]
        const double r = 1 - t;
        const double mapped = t * t * t * (10 - 15 * t + 6 * t * t);
        const double mappedSlope = 30 * t * t * r * r;
        nodes[i] = {from + length * mapped, gauss[i].Weight / 2 * length * mappedSlope};
    }
    return nodes;
}

} // namespace valvescope::analysis
