// Gauss-Legendre quadrature on a stretch whose ends may hold weak singularities: the stretch
// is first mapped through the quintic smoothstep, whose derivative vanishes to second order at
// both ends, so a term like (x - a)^p there becomes a much smoother one.
#pragma once

#include <array>
#include <cstddef>

namespace valvescope::analysis {

inline constexpr std::size_t kGaussPoints = 32;

struct QuadratureNode {
    double X = 0;      // in the stretch
    double Weight = 0; // including the stretch's length and the mapping's derivative
};

using QuadratureNodes = std::array<QuadratureNode, kGaussPoints>;

// The Gauss-Legendre nodes and weights on [-1, 1], nodes ascending.
const QuadratureNodes& GaussLegendreNodes();

// The nodes for integrating over [from, to] (either order: weights then carry the sign),
// ascending from `from` towards `to`.
QuadratureNodes SmoothedNodes(double from, double to);

} // namespace valvescope::analysis
