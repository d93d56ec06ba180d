#include "core/analysis/slopes.h"
#include "core/analysis/stagemath.h"
#include "core/search/rootsolve.h"
#include "model/checkedmath.h"

namespace valvescope::analysis {

double QuiescentCurrent(const tubemath::TubeParams& tube, const StageInput& input) {
    namespace checked = tubemath::checked;
    const double rk = input.Rk;
    const double bPlus = input.BPlus;
    // Plate-to-cathode volts lost per ampere: both resistors, or Rk alone under a transformer.
    const double drop = input.Load == LoadKind::Resistor ? checked::Add(input.Ra, rk) : rk;
    if (drop == 0)
        return tubemath::PlateCurrent(tube, 0, bPlus);
    // At this current the plate voltage is 0, where the model draws no current: the residual
    // I - PlateCurrent is positive there and negative at 0.
    const double most = checked::Div(bPlus, drop);
    const auto residual = [&](double current) {
        const CurrentSlopes slopes =
            PlateCurrentSlopes(tube, -rk * current, bPlus - drop * current);
        return search::Sample{current - slopes.Ip, 1 + rk * slopes.DIpDVg + drop * slopes.DIpDVa};
    };
    return search::SolveIncreasing(residual, 0, most, most / 2);
}

} // namespace valvescope::analysis
