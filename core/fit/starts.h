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

// The starts: the 807's constants, a few points spread over the bounds, and the plain law read
// into the model's constants under 81 shapes (MuExponent 0.1 to 0.8, ExponentSlope 10 to 3000,
// GridDecade 5 to 500, KneeFactor 1.5 to 3000). Every start lies within the bounds.
std::vector<SolverVector> StartingPoints(const MeasuredPoints& points);

} // namespace valvescope::fit
