#include "core/plot/shortcuts/biasshape.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>
#include <vector>

namespace valvescope {

namespace {

using Real = long double;

constexpr Real kInfinity = std::numeric_limits<Real>::infinity();
// Pieces grow by this factor away from 0 and shrink by it towards the end of the range.
constexpr Real kPieceRatio = 1.02L;
// Pieces shrink towards the end of the range down to this share of it.
constexpr Real kLastShare = 0x1p-40L;
// The unproven pieces around the peak may be this many at most.
constexpr int kMostPeakPieces = 16;

// The terms of V over the grid magnitude x, with s the sign of Rk:
//   ln(root) = N(x) / Dn(x),  N = ln x - ln(|Rk| P) + s c x,  Dn = L + s x / S,  c = ln 10 / D
//   dV/dx = Q(x) * exp(N / Dn) / Dn^2 + s (MuZero + 1) - (1 + MuExponent) x^MuExponent
//   Q = L / x + s (1 / S + c L - (ln x - ln(|Rk| P)) / S), falling with x over the range.
class BiasSlope {
public:
    BiasSlope(const tubemath::TubeParams& t, double Rk)
        : t_(t), s_(Rk > 0 ? 1 : -1), lnRkP_(std::log(std::fabs(Real{Rk}) * t.Perveance)),
          c_(std::log(Real{10}) / t.GridDecade) {}

    enum class Sign { Rising, Falling, Unknown, Fault };

    // V itself (0 at x = 0).
    Real V(Real x) const {
        const Real n = std::log(x) - lnRkP_ + s_ * c_ * x;
        const Real dn = t_.LawExponent + s_ * x / t_.ExponentSlope;
        return std::exp(n / dn) + s_ * (Real{t_.MuZero} + 1) * x -
               std::pow(x, 1 + Real{t_.MuExponent});
    }

    // With a positive Rk, the ratio e^N overflows from N = 709.79 on, and since it only grows
    // with the current, that fault holds for good: the pieces from N = 712 on need no proof.
    bool FaultsFrom(Real a) const { return s_ > 0 && std::log(a) - lnRkP_ + c_ * a >= 712; }

    Sign On(Real a, Real b) const {
        const Real lnA = std::log(a);
        const Real lnB = std::log(b);
        const Real nLow = s_ > 0 ? lnA - lnRkP_ + c_ * a : lnA - lnRkP_ - c_ * b;
        Real nHigh = s_ > 0 ? lnB - lnRkP_ + c_ * b : lnB - lnRkP_ - c_ * a;
        if (s_ > 0) {
            nHigh = std::min<Real>(nHigh, 709.79L); // higher ratios fault before V is formed
        }
        // Short of the law exponent's limit Dn stays positive; only rounding could take it below.
        const Real dnLow =
            std::max<Real>(0, t_.LawExponent + s_ * (s_ > 0 ? a : b) / t_.ExponentSlope);
        const Real dnHigh = t_.LawExponent + s_ * (s_ > 0 ? b : a) / t_.ExponentSlope;
        const Real lnRootHigh =
            nHigh >= 0 ? (dnLow > 0 ? nHigh / dnLow : kInfinity) : nHigh / dnHigh;
        if (!(lnRootHigh < 700) || (s_ < 0 && !(nHigh < 700))) {
            return Sign::Fault;
        }
        const Real qLow = Q(b, lnB);
        const Real qHigh = Q(a, lnA);
        const Real fMost = FMost(nHigh, dnLow, dnHigh);
        const Real fLeast = std::min(F(nLow, dnLow), F(nLow, dnHigh));
        const Real productLow = qLow >= 0 ? Times(qLow, fLeast) : Times(qLow, fMost);
        const Real productHigh = qHigh >= 0 ? Times(qHigh, fMost) : Times(qHigh, fLeast);
        const Real e = t_.MuExponent;
        const Real polyLow = s_ * (Real{t_.MuZero} + 1) - (1 + e) * std::pow(b, e);
        const Real polyHigh = s_ * (Real{t_.MuZero} + 1) - (1 + e) * std::pow(a, e);
        if (productLow + polyLow > 0) {
            return Sign::Rising;
        }
        if (productHigh + polyHigh < 0) {
            return Sign::Falling;
        }
        return Sign::Unknown;
    }

private:
    Real Q(Real x, Real lnX) const {
        const Real L = t_.LawExponent;
        return L / x +
               s_ * (1 / Real{t_.ExponentSlope} + c_ * L - (lnX - lnRkP_) / t_.ExponentSlope);
    }
    // exp(N / x) / x^2, and its limit at x = 0.
    static Real F(Real n, Real x) {
        if (x == 0) {
            return n < 0 ? 0 : kInfinity;
        }
        return std::exp(n / x) / (x * x);
    }
    // The most of F(n, x) over x in [low, high]: it rises up to x = -n / 2 and falls after.
    static Real FMost(Real n, Real low, Real high) {
        if (n >= 0) {
            return F(n, low);
        }
        return F(n, std::clamp(-n / 2, low, high));
    }
    static Real Times(Real x, Real y) { return x == 0 || y == 0 ? 0 : x * y; }

    const tubemath::TubeParams& t_;
    const Real s_;
    const Real lnRkP_;
    const Real c_;
};

// Piece ends from `start` to `end`: growing by kPieceRatio up to the middle, shrinking towards
// `end` after.
std::vector<Real> PieceEnds(Real start, Real end) {
    std::vector<Real> ends;
    const Real middle = (start + end) / 2;
    for (Real x = start; x < middle; x *= kPieceRatio) {
        ends.push_back(x);
    }
    for (Real d = end - std::max(middle, start); d > end * kLastShare; d /= kPieceRatio) {
        ends.push_back(end - d);
    }
    ends.push_back(end);
    return ends;
}

BiasShape Prove(const tubemath::TubeParams& t, double Rk, double topCurrent, double topVolt) {
    BiasShape shape;
    // The search forms V at currents a step or two past the top before it stops.
    const Real topMagnitude = std::fabs(Real{Rk}) * (Real{topCurrent} + 3e-5L) * (1 + 1e-9L);
    const Real limit = Real{t.ExponentSlope} * t.LawExponent; // past it V is Rk * I, below 0
    Real end = topMagnitude;
    if (Rk > 0) {
        // From here on the coefficient 10^(x / D) overflows at every current: a fault for good.
        end = std::min(end, Real{t.GridDecade} * 308.3L);
    } else {
        shape.peaks = topMagnitude >= limit * (1 - 1e-9L);
        end = std::min(end, limit);
        // Its coefficient 10^(-x / D) must not vanish before the limit is passed.
        if (end / t.GridDecade > 300) {
            return shape;
        }
    }
    const BiasSlope slope(t, Rk);
    // The search's first step past 0 A lands here; V is 0 at 0 A, so it rises or falls from there.
    const Real first = std::fabs(Real{Rk}) * 1e-5L * (1 - 1e-9L);
    int phase = 0; // rising, around the peak, falling
    int peakPieces = 0;
    Real risingUpTo = end;
    if (first >= end) {
        shape.proven = true;
        shape.risingUpTo = static_cast<double>(end);
        return shape;
    }
    if (!(slope.V(first) > 0)) {
        phase = 2;
        risingUpTo = 0;
    }
    const std::vector<Real> ends = PieceEnds(first, end);
    for (std::size_t i = 0; i + 1 < ends.size(); ++i) {
        if (slope.FaultsFrom(ends[i])) {
            break;
        }
        const BiasSlope::Sign sign = slope.On(ends[i], ends[i + 1]);
        // Rising past every plate voltage searched, over a piece that holds a step: the search
        // stops at that step at the latest.
        const Real step = std::fabs(Real{Rk}) * 1e-5L;
        if (phase == 0 && sign == BiasSlope::Sign::Rising && ends[i + 1] - ends[i] > 2 * step &&
            slope.V(ends[i]) > Real{topVolt} * (1 + 1e-6L) + 1) {
            shape.proven = true;
            shape.capped = true;
            shape.peaks = true;
            shape.risingUpTo = static_cast<double>(ends[i]);
            return shape;
        }
        if (sign == BiasSlope::Sign::Fault) {
            return shape;
        }
        const int here = sign == BiasSlope::Sign::Rising    ? 0
                         : sign == BiasSlope::Sign::Unknown ? 1
                                                            : 2;
        if (here < phase || (here == 1 && ++peakPieces > kMostPeakPieces)) {
            return shape;
        }
        if (phase == 0 && here > 0) {
            risingUpTo = ends[i];
        }
        phase = std::max(phase, here);
    }
    shape.proven = true;
    shape.peaks = shape.peaks || phase > 0;
    shape.risingUpTo = static_cast<double>(risingUpTo * (1 - 1e-12L));
    return shape;
}

} // namespace

BiasShape BiasShapeFor(const tubemath::TubeParams& tube, double Rk, double topCurrent,
                       double topVolt) {
    if (Rk == 0 || !(topCurrent > 0)) {
        // With the grid at 0 V, V = (I / Perveance)^(1 / LawExponent) rises with I.
        return {true, false, 0};
    }
    if (!std::isfinite(Rk) || !std::isfinite(topCurrent) || !std::isfinite(topVolt)) {
        return {};
    }
    // The last answer is kept for every thread: the window runs each redraw on a thread of its
    // own, and a redraw after a change elsewhere asks the same again.
    struct Asked {
        tubemath::TubeParams tube;
        double Rk = 0;
        double topCurrent = 0;
        double topVolt = 0;
        BiasShape shape;
        bool valid = false;
    };
    static std::mutex guard;
    static Asked last;
    const auto answers = [&](const Asked& asked) {
        const tubemath::TubeParams& a = asked.tube;
        return asked.valid && a.MuExponent == tube.MuExponent &&
               a.ExponentSlope == tube.ExponentSlope && a.GridDecade == tube.GridDecade &&
               a.KneeFactor == tube.KneeFactor && a.MuZero == tube.MuZero &&
               a.Perveance == tube.Perveance && a.LawExponent == tube.LawExponent &&
               asked.Rk == Rk && asked.topCurrent == topCurrent && asked.topVolt == topVolt;
    };
    {
        const std::lock_guard lock(guard);
        if (answers(last)) {
            return last.shape;
        }
    }
    const BiasShape shape = Prove(tube, Rk, topCurrent, topVolt);
    const std::lock_guard lock(guard);
    last = {tube, Rk, topCurrent, topVolt, shape, true};
    return shape;
}

} // namespace valvescope
