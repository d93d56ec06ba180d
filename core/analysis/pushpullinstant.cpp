// The pair at one instant: the half-primary voltage that the two tubes' currents set.
#include "core/analysis/pushpullmath.h"
#include "core/search/rootsolve.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace valvescope::analysis {

PairWiring WiringOf(const Tube& first, const Tube& second, const PushPullInput& input) {
    PairWiring wiring;
    wiring.Models = {&first.Model, &second.Model};
    wiring.BPlus = input.BPlus;
    wiring.QuarterRaa = input.Raa / 4;
    switch (input.Screen) {
    case ScreenFeed::Supply:
        wiring.ScreenBase = input.ScreenVolts;
        wiring.Share = 0;
        break;
    case ScreenFeed::Ultralinear:
        wiring.ScreenBase = input.BPlus;
        wiring.Share = input.Tap;
        break;
    case ScreenFeed::TriodeConnected:
        wiring.ScreenBase = input.BPlus;
        wiring.Share = 1;
        break;
    }
    wiring.RestVk = RestCathodeVolts(wiring, input);
    if (input.Screen == ScreenFeed::Supply)
        wiring.ScreenBase += wiring.RestVk;
    return wiring;
}

TubeInstant TubeAt(const PairWiring& wiring, int which, double vk, double vg, double va) {
    const double s = wiring.Share;
    const double centre = wiring.BPlus - vk; // the centre tap to the cathode
    TubeInstant at;
    at.Va = va;
    // A triode-connected screen is its plate, to the last bit.
    at.Vs = s == 1 ? va : (wiring.ScreenBase - vk) + s * (va - centre);
    const tubemath::CurrentsAndSlopes c =
        tubemath::SlopesAt(*wiring.Models[static_cast<std::size_t>(which)], vg, va, at.Vs);
    at.Ia = c.Value.Plate;
    at.Is = c.Value.Screen;
    at.Primary = at.Ia + s * at.Is;
    const double plateSlope = c.Plate.PerVa + s * c.Plate.PerVs;
    const double screenSlope = c.Screen.PerVa + s * c.Screen.PerVs;
    at.Conductance = plateSlope + s * screenSlope;
    at.Transconductance = c.Plate.PerVg + s * c.Screen.PerVg;
    at.Model = c;
    return at;
}

namespace {

// The root of an increasing `at` in [lo, hi] (at most 0 at lo, at least 0 at hi; the ends need
// not be evaluated) by Newton steps from `x`, halving where a step leaves the bracket or two
// steps in a row fail to halve the value. Ends on the point evaluated last once its own Newton
// step stays within two units in its last place (so that point's evaluation stands), on an
// exact zero, or, should the bracket close first, on the end with the smaller value.
template <class At> double NewtonInBracket(At at, double lo, double hi, double x) {
    constexpr int kMostSteps = 400;
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    constexpr double kEpsilon = std::numeric_limits<double>::epsilon();
    double valueAtLo = -kInfinity; // unevaluated ends count as infinitely far off
    double valueAtHi = kInfinity;
    double lastMagnitude = kInfinity;
    int slowSteps = 0;
    x = std::clamp(x, lo, hi);
    for (int step = 0; step < kMostSteps; ++step) {
        const search::Sample sample = at(x);
        if (sample.Value == 0)
            return x;
        double next = x - sample.Value / sample.Slope;
        const bool steep = sample.Slope > 0 && std::isfinite(next);
        if (steep && std::fabs(next - x) <= 2 * kEpsilon * std::fabs(x))
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
        // An unevaluated end may itself be the root (a current of exactly 0, say).
        const bool inside = (next > lo || (next == lo && valueAtLo == -kInfinity)) &&
                            (next < hi || (next == hi && valueAtHi == kInfinity));
        if (slowSteps >= 2 || !steep || !inside) {
            next = lo + (hi - lo) / 2;
            slowSteps = 0;
        }
        x = next;
    }
    return -valueAtLo <= valueAtHi ? lo : hi;
}

} // namespace

PairInstant PairAt(const PairWiring& wiring, double vk, double magnetising, double vg1, double vg2,
                   double guess) {
    const double centre = wiring.BPlus - vk;
    const double q = wiring.QuarterRaa;
    PairInstant last;
    // f(V) = V - q (I1(centre - V) - I2(centre + V) - M) rises with V at 1 + q (G1 + G2): tube 1's
    // plate falls as V rises and tube 2's climbs. At V = +-centre one plate reaches the cathode,
    // where it draws nothing, so the root lies between unless a screen alone drives it further.
    // The search runs on tube 2's plate voltage, centre + V, and so stops at the rounding of the
    // plate voltages (on V itself it would chase a root near 0 V to the last denormal).
    const auto residual = [&](double plate2) {
        const double v = plate2 - centre;
        last.V = v;
        last.Tubes[0] = TubeAt(wiring, 0, vk, vg1, centre - v);
        last.Tubes[1] = TubeAt(wiring, 1, vk, vg2, plate2);
        const double difference = last.Tubes[0].Primary - last.Tubes[1].Primary - magnetising;
        const double slope = 1 + q * (last.Tubes[0].Conductance + last.Tubes[1].Conductance);
        return search::Sample{v - q * difference, slope};
    };
    const double plate2 = NewtonInBracket(residual, 0, 2 * centre, centre + guess);
    if (last.V != plate2 - centre)
        residual(plate2);
    return last;
}

} // namespace valvescope::analysis
