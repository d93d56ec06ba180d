#include "core/plot/shortcuts/tubeshape.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace valvescope {

namespace {

constexpr double kNone = std::numeric_limits<double>::infinity();

// Whether the model's own test finds the amplification factor used up at grid magnitude g.
bool UsedUpAt(const tubemath::TubeParams& t, double g) {
    try {
        return tubemath::SignedPower(g, t.MuExponent) >= t.MuZero;
    } catch (const tubemath::ArithmeticError&) {
        return false;
    }
}

bool AllFinite(const tubemath::TubeParams& t) {
    for (const double c : {t.MuExponent, t.ExponentSlope, t.GridDecade, t.KneeFactor, t.MuZero,
                           t.Perveance, t.LawExponent}) {
        if (!std::isfinite(c)) {
            return false;
        }
    }
    return true;
}

} // namespace

// |Vg|^MuExponent is exp(MuExponent * ln |Vg|), and each of those steps keeps the order of its
// operands, so the test holds from one magnitude on. Its estimate is raised until it does.
double UsedUpMagnitude(const tubemath::TubeParams& t) {
    if (!(t.MuExponent > 0) || !std::isfinite(t.MuExponent) || !std::isfinite(t.MuZero)) {
        return kNone;
    }
    if (t.MuZero <= 0) {
        return 0;
    }
    const long double estimate =
        std::pow(static_cast<long double>(t.MuZero), 1 / static_cast<long double>(t.MuExponent));
    if (!(estimate < std::numeric_limits<double>::max())) {
        return kNone;
    }
    auto g = static_cast<double>(estimate);
    for (int tries = 0; !UsedUpAt(t, g); ++tries) {
        if (tries == 200) {
            return kNone;
        }
        g = std::nextafter(g * (1 + 1e-12), kNone);
        if (!std::isfinite(g)) {
            return kNone;
        }
    }
    return g;
}

bool ShortcutsHoldFor(const tubemath::TubeParams& t) {
    if (!AllFinite(t)) {
        return false;
    }
    const bool signs = t.MuExponent > 0 && t.MuExponent <= 1 && t.MuZero > 0 && t.Perveance > 0 &&
                       t.ExponentSlope > 0 && t.GridDecade > 0 && t.LawExponent > 0 &&
                       t.KneeFactor >= 0;
    const bool sizes =
        t.MuZero <= 1e4 && t.Perveance <= 10 && t.KneeFactor <= 1e6 && t.LawExponent <= 4;
    if (!signs || !sizes) {
        return false;
    }
    const double usedUp = UsedUpMagnitude(t);
    return usedUp * t.MuZero <= 1e300;
}

// The checks, in the order PlateCurrent meets them, where a grid voltage could still show:
// |Vg|^MuExponent beside MuZero (within 2^-60 of it, far below half its last bit), and the
// others below 2^-70 of what they are added to or divided into.
double NegligibleGridMagnitude(const tubemath::TubeParams& t) {
    constexpr double kFar = 0x1p-70;
    double g = 1e-70;
    g = std::min({g, t.GridDecade * kFar, t.ExponentSlope * t.LawExponent * kFar, kFar / t.MuZero});
    const double powerLimit = t.MuZero * 0x1p-60;
    for (int tries = 0; tries < 4096 && g > 0; ++tries) {
        try {
            if (tubemath::SignedPower(g, t.MuExponent) <= powerLimit) {
                return g;
            }
        } catch (const tubemath::ArithmeticError&) {
        }
        g *= 0.5;
    }
    return 0;
}

// Past the cutoff the space-charge power is A^n with A at most topVolt and n = LawExponent +
// g / ExponentSlope: below e^500 while n * ln(topVolt) stays below 500. It is also the current
// over the coefficient, k = Perveance / 10^(g / GridDecade): below 1e250 while 10^(g / GridDecade)
// * currentBound / Perveance is. The coefficient itself stays below 1e300. The knee current is at
// most topVolt^4 * 10 * 1e6 < 1e45, so the parallel combination's product stays in range.
double FaultFreeGridMagnitude(const tubemath::TubeParams& t, double topVolt, double currentBound) {
    const double lnTop = std::log(std::max(topVolt, 2.0));
    const double byPower = t.ExponentSlope * (500 / lnTop - t.LawExponent);
    const double decades =
        currentBound > 0 ? std::max(0.0, std::log10(currentBound / t.Perveance)) : 0;
    const double byCurrent = t.GridDecade * (250 - decades);
    const double g = std::min(300 * t.GridDecade, std::max(byPower, byCurrent));
    return std::isnan(g) ? 0 : std::max(0.0, g);
}

} // namespace valvescope
