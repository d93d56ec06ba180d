// The pair at one instant: the half-primary voltage that the two tubes' currents set.
#include "core/analysis/pushpullmath.h"
#include "core/search/rootsolve.h"

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
    return at;
}

PairInstant PairAt(const PairWiring& wiring, double vk, double magnetising, double vg1, double vg2,
                   double guess) {
    const double centre = wiring.BPlus - vk;
    const double q = wiring.QuarterRaa;
    PairInstant last;
    // f(V) = V - q (I1(centre - V) - I2(centre + V) - M) rises with V at 1 + q (G1 + G2): tube 1's
    // plate falls as V rises and tube 2's climbs. At V = +-centre one plate reaches the cathode,
    // where it draws nothing, so the root lies between unless a screen alone drives it further.
    const auto residual = [&](double v) {
        last.V = v;
        last.Tubes[0] = TubeAt(wiring, 0, vk, vg1, centre - v);
        last.Tubes[1] = TubeAt(wiring, 1, vk, vg2, centre + v);
        const double difference = last.Tubes[0].Primary - last.Tubes[1].Primary - magnetising;
        const double slope = 1 + q * (last.Tubes[0].Conductance + last.Tubes[1].Conductance);
        return search::Sample{v - q * difference, slope};
    };
    const double v = search::SolveIncreasing(residual, -centre, centre, guess);
    if (last.V != v)
        residual(v);
    return last;
}

} // namespace valvescope::analysis
