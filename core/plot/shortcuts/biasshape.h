// Whether the Rk bias line's shortcut holds for the tube at hand. The search raises the current
// I while the plate voltage is above the bias voltage V(I), the plate voltage at which the model
// draws I with the grid at -Rk * I, plus Rk * I. Its shortcut halves over I, which needs V to
// rise with I up to a single peak and fall from there on, with faults only from some current on.
// That shape is shown here from the tube's constants: the slope of V over the grid magnitude
// x = |Rk| * I is bounded on short pieces of x, each term at its worst end.
#pragma once

#include "model/tubemath.h"

namespace valvescope {

struct BiasShape {
    // Whether the shape is shown; where it is not, the bias line takes the reference path.
    bool proven = false;
    // Whether the bias voltage has a peak, or jumps down past the law exponent's limit, within
    // the currents searched; without one it rises all the way (up to where faults set in).
    bool peaks = false;
    // The grid magnitude up to which V is shown to rise.
    double risingUpTo = 0;
    // Whether V has risen past every plate voltage searched at risingUpTo, so that no search
    // goes beyond it and what lies further out (a peak, faults) does not matter.
    bool capped = false;
};

// For currents from 0 up to just past topCurrent (amperes) and plate voltages up to topVolt.
// Needs ShortcutsHoldFor(tube).
BiasShape BiasShapeFor(const tubemath::TubeParams& tube, double Rk, double topCurrent,
                       double topVolt);

} // namespace valvescope
