// What the redraw's shortcuts need to know about the tube at hand: whether its constants have
// the signs and sizes their proofs take for granted, and the grid magnitudes those proofs use,
// each derived from the constants rather than from one tube's values.
#pragma once

#include "model/tubemath.h"
#include "model/wiredmodel.h"

namespace valvescope {

// Whether the shortcuts' proofs hold for this tube: finite constants with MuExponent in (0, 1],
// MuZero, Perveance, ExponentSlope, GridDecade and LawExponent above zero, KneeFactor not
// below it, and sizes that keep the law's arithmetic in range where the proofs say it is
// (MuZero up to 1e4, Perveance up to 10, KneeFactor up to 1e6, LawExponent up to 4, a used-up
// magnitude within range). With these signs every curve's current rises with the plate
// voltage, its faults only set in as the plate voltage grows, and the amplification factor is
// used up from one grid magnitude on. Elsewhere the redraw takes the reference path.
bool ShortcutsHoldFor(const tubemath::TubeParams& tube);
// The shortcuts are the seed model's: every other model takes the reference path.
inline bool ShortcutsHoldFor(const tubemath::WiredModel& tube) {
    return tube.Model.Kind == tubemath::ModelKind::Seed && ShortcutsHoldFor(tube.Model.Seed);
}

// The least grid magnitude at which the model's own test finds the amplification factor used
// up; every larger one is used up too. Infinity where MuExponent is not positive or no finite
// magnitude is.
double UsedUpMagnitude(const tubemath::TubeParams& tube);

// A grid magnitude at or below which a grid voltage draws the very curve of 0 V: |Vg|^MuExponent
// vanishes beside MuZero, |Vg| / GridDecade beside 1, |Vg| / ExponentSlope beside LawExponent
// and MuZero * |Vg| beside a volt. Never more than 1e-70.
double NegligibleGridMagnitude(const tubemath::TubeParams& tube);

// A grid magnitude below which, for negative grid voltages whose space-charge current (the true
// value, k * (Va + mu * Vg)^n) stays at most `currentBound` at every plate voltage up to
// `topVolt`, PlateCurrent cannot fault: its coefficient, its power and the parallel
// combination with the knee current stay in range. Needs ShortcutsHoldFor(tube).
double FaultFreeGridMagnitude(const tubemath::TubeParams& tube, double topVolt,
                              double currentBound);

} // namespace valvescope
