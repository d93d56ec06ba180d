// The pieces a SPICE file is written from: numbers the simulator reads back as the very same
// doubles, names it accepts, and the plate-current formula of the tube model.
#pragma once

#include "model/tubemath.h"

#include <string>
#include <string_view>

namespace valvescope::exports {

enum class SpiceDialect { Ngspice, LTspice };

// `value` as an expression whose value is exactly `value` in a simulator that reads whole
// numbers up to 2^53 exactly and rounds * and / correctly: a whole number ("300"), a quotient
// of whole numbers ("(87/10)"), or a whole number scaled by powers of two. Decimal literals are
// avoided: ngspice's reader can be one unit in the last place off. Throws std::invalid_argument
// for an infinity or a NaN, which no expression can carry.
std::string ExactNumber(double value);

// `name` as a subcircuit name: letters, digits and underscores, starting with a letter ("807"
// becomes "T807", "EL34 (Mullard)" becomes "EL34__Mullard_"); "TUBE" for an empty name.
std::string SubcircuitName(std::string_view name);

// The plate current, in amperes, flowing from `plate` to `cathode`, as a behavioural-source
// expression in `dialect`. It takes the steps of tubemath::PlateCurrent in the same order with
// Vg = V(grid,cathode) and Va = V(plate,cathode).
std::string PlateCurrentFormula(const tubemath::TubeParams& tube, SpiceDialect dialect);

} // namespace valvescope::exports
