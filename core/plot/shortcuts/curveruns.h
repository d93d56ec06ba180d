// Runs of plate curves that draw the same points: where they start, and which of their labels
// shows.
#pragma once

#include "model/tubemath.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace valvescope {

// The smallest grid magnitude g such that the curve of every negative grid voltage at or beyond
// -g carries at most `flatCurrent` amperes at every plate voltage up to `topVolt`. Such curves
// run along the bottom row and never stop for their current, so they all draw the same points.
// Infinity when the model's bounds cannot show it for any g.
//
// The bound: past the cutoff the current is at most the space-charge term k * (Va + mu*Vg)^n,
// which is checked on short pieces of g with each factor taken at its worst end. The cutoff
// product g * mu(g) is concave in g for every positive MuExponent, so its least value on a
// piece is at one of the ends. The bound says nothing of faults: see FaultFreeGridMagnitude.
double FlatCurvesFrom(const tubemath::TubeParams& tube, double topVolt, double flatCurrent);

// The largest grid magnitude G such that, for grid voltages from 0 down to -G and plate voltages
// up to topVolt, the plate current never falls as the grid voltage rises; 0 when the bounds show
// none. Past the cutoff the current rises with the space-charge term k * A^n, A = Va + mu*Vg,
// whose logarithm grows with Vg at the rate ln 10 / GridDecade + n * dA/dVg / A
// - ln(A) / ExponentSlope. That rate is checked on short pieces with each term at its worst end,
// up to where mu * Vg stops rising (beyond it dA/dVg turns negative).
double RisingCurrentUpTo(const tubemath::TubeParams& tube, double topVolt);

// The grid magnitudes [low, high] at which the cutoff holds at plate voltage topVolt, and so at
// every lower one, with room to spare for the rounding of the model's own test; none (low > high)
// when there are none. g * mu(g) is concave for every positive MuExponent, so they form one
// stretch; it is cut short where mu falls below a ten-thousandth of MuZero.
struct CutOffStretch {
    double low = 1;
    double high = 0;
};
CutOffStretch CutOffBetween(const tubemath::TubeParams& tube, double topVolt);

// Whether positive grid voltages from Vg on have passed the law exponent's limit, where the
// model draws no current at all.
bool PastLawExponentLimit(const tubemath::TubeParams& tube, double Vg);

// Of a run of curves first, first - 1, ..., last, drawn in that order, that draw the same points
// and put their labels at the same place, the first whose label shows; none when no label of the
// run does. `shows(text)` says whether a label of that text would show there; it holds for every
// text narrower than one it holds for (the place is the same and only the width differs). A label
// that shows overlaps every later one of the run, so no other can show after it.
//
// Equal texts form one stretch of the run, as the grid voltage moves one way. `stretchOf` numbers
// the stretches of the run whose texts share one layout (for grid voltages, their decade): within
// one only the digits and the number of decimals change, so none is narrower than the text
// without its decimals, and where that does not show the rest of the stretch is passed over.
std::optional<std::int64_t>
FirstShownRunLabel(std::int64_t first, std::int64_t last,
                   const std::function<std::string(std::int64_t)>& labelOf,
                   const std::function<int(std::int64_t)>& stretchOf,
                   const std::function<bool(const std::string&)>& shows);

// The text without its decimals: the decimal separator and the digits after it left out.
std::string WithoutDecimals(const std::string& text);

} // namespace valvescope
