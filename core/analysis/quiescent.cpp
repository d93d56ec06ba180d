#include "core/analysis/slopes.h"
#include "core/analysis/stagemath.h"
#include "core/search/rootsolve.h"
#include "model/checkedmath.h"

namespace valvescope::analysis {

namespace {

namespace checked = tubemath::checked;

// The plate terminal alone carries the cathode current: one equation in the plate current.
double PlateOnlyCurrent(const StageTube& tube, const StageInput& input) {
    const double rk = input.Rk;
    const double bPlus = input.BPlus;
    // Plate-to-cathode volts lost per ampere: both resistors, or Rk alone under a transformer.
    const double drop = input.Load == LoadKind::Resistor ? checked::Add(input.Ra, rk) : rk;
    if (drop == 0)
        return tube.Current(0, bPlus);
    // At this current the plate voltage is 0, where the model draws no current: the residual
    // I - Ip is positive there and negative at 0.
    const double most = checked::Div(bPlus, drop);
    const auto residual = [&](double current) {
        const CurrentSlopes slopes = tube.Slopes(-rk * current, bPlus - drop * current);
        return search::Sample{current - slopes.Ip, 1 + rk * slopes.DIpDVg + drop * slopes.DIpDVa};
    };
    return search::SolveIncreasing(residual, 0, most, most / 2);
}

// The plate current at grid voltage vg with the plate intercept volts less Ra times it: on the
// load for a resistor, the plate at the intercept under a transformer (ra 0).
double PlateAt(const StageTube& tube, double vg, double intercept, double ra, double guess) {
    if (ra == 0)
        return tube.Current(vg, intercept);
    if (!(intercept > 0))
        return 0;
    return CurrentOnLoad(tube, vg, {intercept, ra}, guess).Ip;
}

// A screen supply beside the plate's: the cathode current Ik = Ia + Is is the unknown, and for
// each Ik the plate current follows on its load.
QuiescentCurrents HeldScreenCurrents(const StageTube& tube, const StageInput& input) {
    const double rk = input.Rk;
    const double bPlus = input.BPlus;
    const double ra = input.Load == LoadKind::Resistor ? input.Ra : 0;
    double plate = 0;
    double screen = 0;
    const auto at = [&](double cathode) {
        const double vg = -rk * cathode;
        const double intercept = bPlus - rk * cathode;
        plate = PlateAt(tube, vg, intercept, ra, plate);
        const double va = intercept - ra * plate;
        const CurrentSlopes p = tube.Slopes(vg, va);
        const CurrentSlopes s = tube.ScreenSlopes(vg, va);
        screen = s.Ip;
        // How the currents move with Ik: the grid by -Rk, the plate by -Rk and Ra times Ia's.
        const double plateRate = -rk * (p.DIpDVg + p.DIpDVa) / (1 + ra * p.DIpDVa);
        const double vaRate = -rk - ra * plateRate;
        const double screenRate = -rk * s.DIpDVg + s.DIpDVa * vaRate;
        return search::Sample{cathode - plate - screen, 1 - plateRate - screenRate};
    };
    if (rk == 0) {
        at(0);
        return {plate, screen};
    }
    // Past B+ / Rk the plate would be below the cathode and the grid far past cut-off.
    const double most = checked::Div(bPlus, rk);
    const double cathode = search::SolveIncreasing(at, 0, most, most / 2);
    at(cathode);
    return {plate, screen};
}

} // namespace

QuiescentCurrents QuiescentCurrent(const StageTube& tube, const StageInput& input) {
    if (tube.HeldScreen())
        return HeldScreenCurrents(tube, input);
    const double plate = PlateOnlyCurrent(tube, input);
    const double drop = input.Load == LoadKind::Resistor ? input.Ra + input.Rk : input.Rk;
    const double va = input.BPlus - drop * plate;
    return {plate, tube.ScreenSlopes(-input.Rk * plate, va).Ip};
}

} // namespace valvescope::analysis
