// One step of the Rk bias line's search, as the reference path takes it: at plate voltage Va the
// current is raised a hundredth of a milliamp at a time while Va is above the bias voltage and
// the current below End I. The seed's bias voltage comes from tubemath::PlateVoltage; for every
// other model the step asks the law itself.
#pragma once

#include "model/checkedmath.h"
#include "model/tubemath.h"
#include "model/wiredmodel.h"

namespace valvescope {

// The search raises its current in steps of a hundredth of a milliamp.
inline constexpr double kBiasStep = 1e-5;

// The bias voltage at current I: the plate voltage at which the model draws I with the grid at
// -Rk * I, plus the Rk * I the cathode resistor takes. Throws tubemath::ArithmeticError where it
// cannot be formed.
inline double BiasVoltageAt(const tubemath::TubeParams& tube, double Rk, double I) {
    using tubemath::checked::Add;
    using tubemath::checked::Mul;
    return Add(tubemath::PlateVoltage(tube, Mul(-Rk, I), I), Mul(Rk, I));
}

// Whether the search at plate voltage Va stops at current I: Va is no longer above the bias
// voltage, or I has reached topCurrent. Throws where the bias voltage cannot be formed.
inline bool BiasSearchStopsAt(const tubemath::TubeParams& tube, double Rk, double topCurrent,
                              double I, double Va) {
    return !(Va > BiasVoltageAt(tube, Rk, I) && I < topCurrent);
}

// The same for any model. For a model other than the seed the bias voltage, the plate voltage
// that draws I (model/modelinversion.h) plus Rk * I, is above Va exactly where the plate current
// at Va - Rk * I, with the grid at -Rk * I, is not above I: the plate current rises with the
// plate voltage, as the inversion takes it to. So each step is one evaluation of the law, not a
// search for the plate voltage.
inline bool BiasSearchStopsAt(const tubemath::WiredModel& tube, double Rk, double topCurrent,
                              double I, double Va) {
    if (tube.Model.Kind == tubemath::ModelKind::Seed) {
        return BiasSearchStopsAt(tube.Model.Seed, Rk, topCurrent, I, Va);
    }
    using tubemath::checked::Mul;
    using tubemath::checked::Sub;
    const double plate = Sub(Va, Mul(Rk, I));
    return !(tubemath::CurrentsAt(tube, Mul(-Rk, I), plate).Plate > I && I < topCurrent);
}

} // namespace valvescope
