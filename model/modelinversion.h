// The plate voltage at which a model draws a given plate current, for the bias line.
//
// Closed form where the law has one: the seed (tubemath::PlateVoltage, unchanged), Koren's
// pentode (the plate voltage enters only through atan(Va / kvb)) and Reefman's derk (a quadratic
// in Va). Koren's triode (Va also under the root of the grid term), derke (exp of a power of Va)
// and every triode-connected tube (the screen moves with the plate) are searched by bisection.
#pragma once

#include "model/checkedmath.h"
#include "model/tubemodels.h"

#include <optional>

namespace tubemath {

// True where PlateVoltageFor solves the law in closed form rather than by search.
bool HasClosedFormPlateVoltage(ModelKind kind);

// The plate voltage in [0, vaMax] at which the model draws ip at (vg, vs); 0 for ip = 0;
// nullopt when no plate voltage up to vaMax draws ip (or ip < 0). The closed forms give the
// lowest such voltage; the search assumes, as the laws give for sound constants (in Reefman's,
// kg2 > kg1 and a >= 0), that the plate current rises with the plate voltage, so that there is
// one. For the seed, the value of tubemath::PlateVoltage(model.Seed, vg, ip) as it is, with no
// range check.
std::optional<double> PlateVoltageFor(const TubeModel& model, double ip, double vg, double vs,
                                      double vaMax);
// The same for the tube triode-connected (Vs = Va, plate current Ia + Is); always searched.
std::optional<double> TriodeConnectedPlateVoltageFor(const TubeModel& model, double ip, double vg,
                                                     double vaMax);

// The bisection stops once the bracket is this narrow relative to its upper end (or absolutely,
// below 1 V): well under a microvolt at any plate voltage the program draws.
inline constexpr double kPlateVoltageTolerance = 1e-12;

// Where current(va) - target changes sign in [low, high], for a current below target at low and
// not below it at high (callers check); returns the bracket's upper end once it is narrower than
// kPlateVoltageTolerance. One function so that the core's bracketing search can take its place.
template <class Current>
double BisectForCurrent(Current current, double target, double low, double high) {
    for (int step = 0; step < 200; ++step) {
        if (high - low <= kPlateVoltageTolerance * (high > 1 ? high : 1))
            break;
        const double middle = low + (high - low) / 2;
        if (checked::Less(current(middle), target))
            low = middle;
        else
            high = middle;
    }
    return high;
}

} // namespace tubemath
