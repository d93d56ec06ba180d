// The cycle's slow unknowns: the cathode voltage that the bypass capacitor holds at Rk times the
// cycle's average cathode current, and the transformer's magnetising current, the cycle's
// average of I1 - I2. Both are a fixed point of the cycle, settled together by Newton steps on
// the slopes the cycle integrates beside its figures.
#include "core/analysis/pushpullmath.h"
#include "core/search/rootsolve.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace valvescope::analysis {

namespace {

// Both tubes at rest with the cathode at vk and the grids at -vk (cathode bias): the balance
// Vk - Rk Ik of their cathode current, with its slope per volt of vk (every electrode falls with
// the cathode but a supplied screen, held to it at rest, so Ik's slope is minus the sum of its
// slopes per electrode that falls).
search::Sample RestBalance(const PairWiring& wiring, const PushPullInput& input, double vk) {
    const bool supplied = input.Screen == ScreenFeed::Supply;
    double current = 0;
    double slope = 0; // dIk / dvk
    for (const tubemath::TubeModel* model : wiring.Models) {
        const double va = wiring.BPlus - vk;
        const double vs = wiring.Share == 1 ? va
                          : supplied        ? input.ScreenVolts
                                            : wiring.ScreenBase - vk;
        const tubemath::CurrentsAndSlopes c = tubemath::SlopesAt(*model, -vk, va, vs);
        current += c.Value.Plate + c.Value.Screen;
        for (const tubemath::VoltageSlopes& d : {c.Plate, c.Screen})
            slope -= d.PerVg + d.PerVa + (supplied ? 0 : d.PerVs);
    }
    return {vk - input.Rk * current, 1 - input.Rk * slope};
}

// The slow unknowns settle to this share of B+ and of the largest current, well inside what
// the quadrature's tolerance leaves of them; rough cycles serve until a step moves them by no
// more than kFar of it.
constexpr double kSettled = 1e-10;
constexpr double kFar = 1e-4;
constexpr int kMostSteps = 60;

// The Newton step for (Vk, M) on g = (Vk - Rk Ik, M - D), Ik and D the cycle's averages of the
// cathode current and of P1 - P2; Vk stays where it is with fixed bias.
std::array<double, 2> NewtonStep(const CycleSettings& s, const CycleFigures& f, double rk,
                                 bool cathode) {
    const CycleSlopes& d = f.Slopes;
    const double gm = s.Magnetising - f.Cosines[0] / 2;
    const double mm = 1 - d.DifferencePerMagnetising;
    if (!cathode)
        return {0, gm / mm};
    const double gv = s.Vk - rk * f.CathodeCurrent();
    const double vv = 1 - rk * d.CathodePerVk;
    const double vm = -rk * d.CathodePerMagnetising;
    const double mv = -d.DifferencePerVk;
    const double determinant = vv * mm - vm * mv;
    return {(gv * mm - vm * gm) / determinant, (vv * gm - mv * gv) / determinant};
}

} // namespace

double RestCathodeVolts(const PairWiring& wiring, const PushPullInput& input) {
    if (input.Bias == PushPullBias::Fixed || input.Rk == 0)
        return 0;
    // At 0 V of cathode the balance is -Rk Ik, at most 0; at B+ the plates reach the cathode and
    // the grids are far below it, so nothing flows.
    const auto balance = [&](double vk) { return RestBalance(wiring, input, vk); };
    return search::SolveIncreasing(balance, 0, input.BPlus, 0);
}

SettledCycle SettleCycle(const PairWiring& wiring, const PushPullInput& input,
                         std::optional<double> drive, const SettledCycle* near) {
    const bool fixed = input.Bias == PushPullBias::Fixed;
    const bool cathode = !fixed && input.Rk > 0;
    CycleSettings s;
    if (near)
        s = near->Settings;
    else
        s.Vk = wiring.RestVk;
    s.DriveFollowsVk = !fixed && !drive;
    const double vkTolerance = kSettled * input.BPlus;
    const double magnetisingTolerance = kSettled * input.BPlus / wiring.QuarterRaa;
    SettledCycle settled;
    // With cathode bias the cycles are rough until a step moves the unknowns by no more than
    // kFar (the very next, from a drive close by); the settled one is always in full. Fixed bias
    // starts near enough.
    bool rough = cathode;
    for (int step = 0;; ++step) {
        if (!cathode)
            s.Vk = 0;
        s.Bias = fixed ? input.Vg : -s.Vk;
        s.Drive = drive.value_or(fixed ? std::max(0.0, -input.Vg) : s.Vk);
        settled = {CycleOf(wiring, s, rough), s};
        const std::array<double, 2> delta = NewtonStep(s, settled.Figures, input.Rk, cathode);
        const bool finite = std::isfinite(delta[0]) && std::isfinite(delta[1]);
        if (rough && (!finite || step + 1 >= kMostSteps)) {
            rough = false; // the same point again, in full
            continue;
        }
        if (rough) {
            // Near enough, the next cycle is a full one.
            rough = std::fabs(delta[0]) > kFar * input.BPlus ||
                    std::fabs(delta[1]) > kFar * input.BPlus / wiring.QuarterRaa;
        } else {
            const bool settledNow =
                std::fabs(delta[0]) <= vkTolerance && std::fabs(delta[1]) <= magnetisingTolerance;
            if (settledNow || step + 1 >= kMostSteps || !finite)
                return settled;
        }
        // A step may overshoot; the cathode never leaves the span from ground to B+.
        s.Vk = std::clamp(s.Vk - delta[0], 0.0, input.BPlus);
        s.Magnetising -= delta[1];
    }
}

} // namespace valvescope::analysis
