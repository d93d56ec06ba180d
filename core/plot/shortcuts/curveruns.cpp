#include "core/plot/shortcuts/curveruns.h"

#include "core/plot/shortcuts/tubeshape.h"
#include "core/search/bracketsearch.h"

#include "formats/formats.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace valvescope {

namespace {

using Real = long double;

// Pieces the grid range up to the used-up magnitude is checked in.
constexpr int kPieces = 1024;
// The bound must hold with room to spare for the rounding of the model's own arithmetic: the
// current may come to a third of the flat current at most.
constexpr Real kMarginDecades = 0.5L;
// Slack added to the part of the plate voltage past the cutoff, for the rounding of mu * Vg:
// a micro-volt, and more where MuZero * g is large (mu = MuZero - g^MuExponent is rounded to a
// few parts in 10^16 of MuZero, then multiplied by g).
constexpr Real kCutoffSlack = 1e-6L;
constexpr Real kCutoffSlackShare = 1e-14L;

class FlatBound {
public:
    FlatBound(const tubemath::TubeParams& tube, Real topVolt, Real flatCurrent)
        : t_(tube), topVolt_(topVolt), logLimit_(std::log10(flatCurrent) - kMarginDecades) {}

    // Whether every grid magnitude in [a, b] keeps the current within the limit.
    bool PieceFlat(Real a, Real b) const {
        const Real cutoffLeast = std::min(CutoffProduct(a), CutoffProduct(b));
        const Real slack = kCutoffSlack + kCutoffSlackShare * (t_.MuZero * b + topVolt_);
        const Real past = std::max<Real>(0, topVolt_ - cutoffLeast) + slack;
        // Past the cutoff the base of the power is at most `past`: raised to the largest
        // exponent of the piece when it is at least 1, to the smallest otherwise.
        const Real exponent = t_.LawExponent + (past >= 1 ? b : a) / t_.ExponentSlope;
        const Real logCurrent =
            std::log10(Real{t_.Perveance}) - a / t_.GridDecade + exponent * std::log10(past);
        return logCurrent <= logLimit_;
    }

private:
    // g * mu(g): how far the plate voltage must reach before the grid at -g lets current pass.
    Real CutoffProduct(Real g) const { return g * (t_.MuZero - std::pow(g, Real{t_.MuExponent})); }

    const tubemath::TubeParams& t_;
    Real topVolt_;
    Real logLimit_;
};

bool BoundApplies(const tubemath::TubeParams& t, double topVolt, double flatCurrent) {
    return t.MuExponent > 0 && t.MuExponent <= 1 && t.MuZero > 0 && t.Perveance > 0 &&
           t.KneeFactor >= 0 && t.GridDecade > 0 && t.ExponentSlope > 0 && t.LawExponent > 0 &&
           std::isfinite(topVolt) && flatCurrent > 0 && !std::isnan(flatCurrent);
}

} // namespace

double FlatCurvesFrom(const tubemath::TubeParams& tube, double topVolt, double flatCurrent) {
    constexpr double kNone = std::numeric_limits<double>::infinity();
    if (!BoundApplies(tube, topVolt, flatCurrent)) {
        return kNone;
    }
    const FlatBound bound(tube, std::max(1.0, topVolt), std::min(flatCurrent, 1e300));
    const Real end = UsedUpMagnitude(tube);
    if (!std::isfinite(static_cast<double>(end))) {
        return kNone;
    }
    const auto edge = [end](int i) { return end * i / kPieces; };
    // flatOnwards[i]: pieces i ... kPieces - 1 all keep the limit.
    std::array<bool, kPieces + 1> flatOnwards{};
    flatOnwards[kPieces] = true;
    for (int i = kPieces - 1; i >= 0; --i) {
        flatOnwards[i] = flatOnwards[i + 1] && bound.PieceFlat(edge(i), edge(i + 1));
    }
    // Whether every magnitude from g up to the used-up one keeps the limit; a narrower piece
    // keeps it whenever a wider one does, so this holds from some g on.
    const auto flatFrom = [&](Real g) {
        const int piece = std::min(kPieces - 1, static_cast<int>(g / end * kPieces));
        return flatOnwards[piece + 1] && bound.PieceFlat(g, std::max(g, edge(piece + 1)));
    };
    if (flatFrom(0)) {
        return 0;
    }
    if (!flatFrom(end)) {
        return kNone;
    }
    constexpr int kMaxProbes = 80;
    const auto closeEnough = [](const search::Bracket<Real>& bracket) {
        return !(bracket.holds - bracket.fails > 1e-9L * bracket.holds);
    };
    const Real flat =
        search::Halve(search::Bracket<Real>{end, 0}, flatFrom, kMaxProbes, closeEnough).holds;
    // Rounded up, so that the double returned is still inside the proven range.
    const auto from = static_cast<double>(flat);
    return static_cast<Real>(from) < flat ? std::nextafter(from, kNone) : from;
}

namespace {

Real CutoffProductOf(const tubemath::TubeParams& t, Real g) {
    return g * (t.MuZero - std::pow(g, Real{t.MuExponent}));
}

// Where g * mu(g) peaks: its slope MuZero - (1 + m) g^m is zero.
Real CutoffPeak(const tubemath::TubeParams& t) {
    return std::pow(Real{t.MuZero} / (1 + Real{t.MuExponent}), 1 / Real{t.MuExponent});
}

bool CutoffBoundApplies(const tubemath::TubeParams& t, double topVolt) {
    return t.MuExponent > 0 && t.MuExponent <= 1 && t.MuZero > 0 && t.Perveance > 0 &&
           t.KneeFactor >= 0 && t.GridDecade > 0 && t.ExponentSlope > 0 && t.LawExponent > 0 &&
           std::isfinite(topVolt) && topVolt >= 0;
}

} // namespace

double RisingCurrentUpTo(const tubemath::TubeParams& tube, double topVolt) {
    if (!CutoffBoundApplies(tube, topVolt)) {
        return 0;
    }
    const tubemath::TubeParams& t = tube;
    constexpr int kRisingPieces = 2048;
    // The rate must stay above this, for the rounding of the model's arithmetic.
    constexpr Real kLeastRate = 1e-3L;
    const Real peak = CutoffPeak(t);
    const Real coefficientRate = std::log(Real{10}) / t.GridDecade;
    Real proven = 0;
    for (int i = 0; i < kRisingPieces; ++i) {
        const Real a = peak * i / kRisingPieces;
        const Real b = peak * (i + 1) / kRisingPieces;
        const Real reach =
            topVolt - std::min(CutoffProductOf(t, a), CutoffProductOf(t, b)); // largest A
        if (reach > 0) {
            const Real slopeLeast =
                t.MuZero - (1 + Real{t.MuExponent}) * std::pow(b, Real{t.MuExponent}); // dA/dVg
            const Real exponentLeast = t.LawExponent + a / t.ExponentSlope;
            const Real rate = coefficientRate + exponentLeast * slopeLeast / reach -
                              std::max<Real>(std::log(reach), 0) / t.ExponentSlope;
            if (!(rate > kLeastRate)) {
                break;
            }
        }
        proven = b;
    }
    return static_cast<double>(proven * (1 - 1e-12L));
}

CutOffStretch CutOffBetween(const tubemath::TubeParams& tube, double topVolt) {
    if (!CutoffBoundApplies(tube, topVolt) || !(topVolt > 0)) {
        return {};
    }
    const tubemath::TubeParams& t = tube;
    // The cutoff product must pass the plate voltage by this share, which the rounding of the
    // model's test (a few parts in 10^11 at most, where mu is smallest) cannot undo.
    const Real needed = topVolt * (1 + 1e-9L);
    const Real peak = CutoffPeak(t);
    if (!(CutoffProductOf(t, peak) > needed)) {
        return {};
    }
    // Where mu has fallen to a ten-thousandth of MuZero. Closer to the used-up magnitude the
    // rounding of MuZero - |Vg|^MuExponent (a few parts in 10^15 of MuZero, more for a larger
    // ln MuZero) would no longer be small beside the share above.
    const Real end = std::pow(Real{t.MuZero} * (1 - 1e-4L), 1 / Real{t.MuExponent});
    if (!(end > peak)) {
        return {};
    }
    // Halving on either side of the peak, where the product rises and then falls.
    constexpr int kMaxProbes = 200;
    const auto exceeds = [&](Real g) { return CutoffProductOf(t, g) > needed; };
    const Real low = search::Halve(search::Bracket<Real>{peak, 0}, exceeds, kMaxProbes).holds;
    const Real high =
        exceeds(end) ? end
                     : search::Halve(search::Bracket<Real>{peak, end}, exceeds, kMaxProbes).holds;
    return {static_cast<double>(low * (1 + 1e-12L)), static_cast<double>(high * (1 - 1e-12L))};
}

bool PastLawExponentLimit(const tubemath::TubeParams& tube, double Vg) {
    return Vg > 0 && tube.ExponentSlope > 0 && Vg / tube.ExponentSlope >= tube.LawExponent;
}

std::string WithoutDecimals(const std::string& text) {
    const std::size_t separator = text.find(formats::DecimalSeparator());
    if (separator == std::string::npos) {
        return text;
    }
    std::size_t after = separator + 1;
    while (after < text.size() && text[after] >= '0' && text[after] <= '9') {
        ++after;
    }
    return text.substr(0, separator) + text.substr(after);
}

std::optional<std::int64_t>
FirstShownRunLabel(std::int64_t first, std::int64_t last,
                   const std::function<std::string(std::int64_t)>& labelOf,
                   const std::function<int(std::int64_t)>& stretchOf,
                   const std::function<bool(const std::string&)>& shows) {
    // The last k from `from` down to `last` at which `holds` is true, given that it holds at
    // `from`: the search runs upwards over -k.
    const auto lastHoldingDown = [last](std::int64_t from, const auto& holds) {
        return -search::LastHolding(-from, -last, [&](std::int64_t j) { return holds(-j); });
    };
    std::int64_t k = first;
    while (k >= last) {
        const std::string text = labelOf(k);
        if (shows(text)) {
            return k;
        }
        const int stretch = stretchOf(k);
        const std::int64_t end =
            shows(WithoutDecimals(text))
                ? lastHoldingDown(k, [&](std::int64_t at) { return labelOf(at) == text; })
                : search::LastHoldingTowards(
                      k, last, [&](std::int64_t at) { return stretchOf(at) == stretch; });
        if (end == last) {
            break;
        }
        k = end - 1;
    }
    return std::nullopt;
}

} // namespace valvescope
