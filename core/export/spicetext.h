// The pieces a SPICE file is written from: numbers the simulator reads back as the very same
// doubles, names it accepts, and the plate-current formula of the tube model.
#pragma once

#include "model/tubemath.h"
#include "model/tubemodels.h"

#include <string>
#include <string_view>
#include <vector>

namespace valvescope::exports {

enum class SpiceDialect { Ngspice, LTspice };

// `value` as an expression whose value is exactly `value` wherever * and / of exact operands
// round correctly: its mantissa and powers of two built from 11-digit whole numbers with exact
// +, -, * and / (8.7 is 4897766314026189 / 2^49). Decimal literals are avoided: ngspice 39 reads
// "8.7" as 8.700000000000001 and even "15" as 15.000000000000002, as it rewrites each number
// with 11 significant digits. Negative values are bracketed, "(-...)". Throws
// std::invalid_argument for an infinity or a NaN, which no expression can carry.
std::string ExactNumber(double value);

// `name` as a subcircuit name: letters, digits and underscores, starting with a letter ("807"
// becomes "T807", "EL34 (Mullard)" becomes "EL34__Mullard_"); "TUBE" for an empty name.
std::string SubcircuitName(std::string_view name);

// A constant the formula names: the seven of the model and ln 10.
struct SpiceConstant {
    std::string Name;
    double Value = 0;
};
std::vector<SpiceConstant> SpiceConstants(const tubemath::TubeParams& tube);

// How the formula calls a constant: "MuZero()" in ngspice, where it is a .func whose body the
// simulator puts in place as written (a .param would come back rounded), "MuZero" in LTspice.
std::string ConstantReference(std::string_view name, SpiceDialect dialect);

// The plate current, in amperes, flowing from `plate` to `cathode`, as a behavioural-source
// expression in `dialect` over the named constants. It takes the steps of tubemath::PlateCurrent
// in the same order with Vg = V(grid,cathode) and Va = V(plate,cathode).
std::string PlateCurrentFormula(const tubemath::TubeParams& tube, SpiceDialect dialect);

// The constants of a model other than the seed by their names ("mu", "kg1", ...), in the order
// tubemath::ConstantsOf gives them.
std::vector<SpiceConstant> ModelSpiceConstants(const tubemath::TubeModel& model);

// The plate current, and for a screen-grid model the screen current (empty for a triode), in
// amperes from the electrode to `cathode`, of a model other than the seed (std::invalid_argument
// for the seed): the steps of tubemath::CurrentsAt with Vg = V(grid,cathode),
// Va = V(plate,cathode) and Vs = V(screen,cathode), its corners included (no screen voltage, no
// current; Va <= 0 the value at Va = 0; E1 <= 0 no current).
std::string ModelPlateFormula(const tubemath::TubeModel& model, SpiceDialect dialect);
std::string ModelScreenFormula(const tubemath::TubeModel& model, SpiceDialect dialect);

} // namespace valvescope::exports
