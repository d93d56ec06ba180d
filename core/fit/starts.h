// Where the solver starts: the 807's constants and estimates read off the measured points.
#pragma once

#include "core/fit/solverspace.h"
#include "core/tube/measuredpoint.h"

#include <optional>
#include <vector>

namespace valvescope::fit {

// The plain three-halves-style law Ia = Coefficient * (Va + Mu * Vg)^Exponent, with a constant
// amplification factor and exponent, fitted to the points; a rough picture of the tube.
struct PlainLaw {
    double Mu = 0;
    double Coefficient = 0; // A per V^Exponent
    double Exponent = 0;
    double TypicalVg = 0; // V, the grid voltage where the large currents lie
};

// The plain law that fits the points best in current, the amplification factor found by a
// scan and the other two by a weighted straight line through log Ia against log(Va + Mu Vg);
// nothing when too few points carry current.
std::optional<PlainLaw> PlainLawOf(const MeasuredPoints& points);

// The starts in the order they are worth trying: the 807's constants first, then the plain law
// read into the model's constants under a spread of shapes (MuExponent, ExponentSlope,
// GridDecade, KneeFactor). Every start lies within the bounds.
std::vector<SolverVector> StartingPoints(const MeasuredPoints& points);

} // namespace valvescope::fit
