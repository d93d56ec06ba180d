// The cycle's slow unknowns: the cathode voltage that the bypass capacitor holds at Rk times the
// cycle's average cathode current, and the transformer's magnetising current, the cycle's
// average of I1 - I2. Each is a fixed point of the cycle; the magnetising current settles inside
// each try of the cathode voltage.
#include "core/analysis/pushpullmath.h"
#include "core/search/rootsolve.h"

#include <algorithm>

namespace valvescope::analysis {

namespace {

// Both tubes at rest with the cathode at vk and the grids at -vk (cathode bias): the balance
// Vk - Rk Ik of their cathode current, with its slope per volt of vk (every electrode falls with
// the cathode, so Ik's slope is minus the sum of its slopes per electrode).
search::Sample RestBalance(const PairWiring& wiring, double rk, double vk) {
    double current = 0;
    double slope = 0; // dIk / dvk
    for (const tubemath::TubeModel* model : wiring.Models) {
        const double va = wiring.BPlus - vk;
        const double vs = wiring.Share == 1 ? va : wiring.ScreenBase - vk;
        const tubemath::CurrentsAndSlopes c = tubemath::SlopesAt(*model, -vk, va, vs);
        current += c.Value.Plate + c.Value.Screen;
        for (const tubemath::VoltageSlopes& d : {c.Plate, c.Screen})
            slope -= d.PerVg + d.PerVa + d.PerVs;
    }
    return {vk - rk * current, 1 - rk * slope};
}

// The share of the cycle's average difference that does not follow a change of the magnetising
// current: 1 / (1 + (Raa / 4) (G1 + G2)) at the quiescent point.
double MagnetisingSlope(const PairWiring& wiring, double vk, double bias) {
    const PairInstant rest = PairAt(wiring, vk, 0, bias, bias, 0);
    const double conductance = rest.Tubes[0].Conductance + rest.Tubes[1].Conductance;
    return 1 / (1 + wiring.QuarterRaa * std::max(conductance, 0.0));
}

// The slow unknowns settle to this share of B+ and of the largest current, well inside what
// the quadrature's tolerance leaves of them.
constexpr double kSettled = 1e-10;

class Settler {
public:
    Settler(const PairWiring& wiring, const PushPullInput& input, const SettledCycle* near)
        : wiring_(wiring),
          // The largest current the load lets the stage swing, for the tolerances.
          currentScale_(input.BPlus / wiring.QuarterRaa) {
        if (near) {
            magnetising_ = near->Settings.Magnetising;
            slope_ = near->MagnetisingSlope;
        }
    }

    // The cycle at vk with the magnetising current settled, from the last one found.
    const CycleFigures& AtCathode(double vk, double bias, double drive) {
        CycleSettings settings{vk, magnetising_, bias, drive};
        const auto image = [&](double m) {
            settings.Magnetising = m;
            figures_ = CycleOf(wiring_, settings);
            return figures_.Cosines[0] / 2;
        };
        if (!slope_)
            slope_ = MagnetisingSlope(wiring_, vk, bias);
        const FixedPoint settled =
            SettleFixedPoint(image, magnetising_, *slope_, kSettled * currentScale_);
        magnetising_ = settled.X;
        slope_ = settled.Slope;
        settings_ = settings;
        settings_.Magnetising = magnetising_;
        return figures_;
    }

    SettledCycle Result(double vkSlope) const {
        return {figures_, settings_, vkSlope, slope_.value_or(0)};
    }

private:
    const PairWiring& wiring_;
    double currentScale_;
    double magnetising_ = 0;
    std::optional<double> slope_;
    CycleFigures figures_;
    CycleSettings settings_;
};

} // namespace

double RestCathodeVolts(const PairWiring& wiring, const PushPullInput& input) {
    if (input.Bias == PushPullBias::Fixed || input.Rk == 0)
        return 0;
    // At 0 V of cathode the balance is -Rk Ik, at most 0; at B+ the plates reach the cathode and
    // the grids are far below it, so nothing flows.
    const auto balance = [&](double vk) { return RestBalance(wiring, input.Rk, vk); };
    return search::SolveIncreasing(balance, 0, input.BPlus, 0);
}

SettledCycle SettleCycle(const PairWiring& wiring, const PushPullInput& input,
                         std::optional<double> drive, const SettledCycle* near) {
    Settler settler(wiring, input, near);
    if (input.Bias == PushPullBias::Fixed) {
        settler.AtCathode(0, input.Vg, drive.value_or(std::max(0.0, -input.Vg)));
        return settler.Result(0);
    }
    const double restVk = RestCathodeVolts(wiring, input);
    if (input.Rk == 0) {
        settler.AtCathode(0, 0, drive.value_or(0));
        return settler.Result(0);
    }
    // A step may overshoot; the cathode never leaves the span from ground to B+.
    const auto image = [&](double tried) {
        const double vk = std::clamp(tried, 0.0, input.BPlus);
        return input.Rk * settler.AtCathode(vk, -vk, drive.value_or(vk)).CathodeCurrent();
    };
    const bool nearby = near && near->VkSlope > 0;
    const FixedPoint vk =
        SettleFixedPoint(image, nearby ? near->Settings.Vk : restVk,
                         nearby ? near->VkSlope : RestBalance(wiring, input.Rk, restVk).Slope,
                         kSettled * input.BPlus);
    return settler.Result(vk.Slope);
}

} // namespace valvescope::analysis
