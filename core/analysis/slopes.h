// The model's plate current together with its two partial derivatives.
#pragma once

#include "model/tubemath.h"

namespace valvescope::analysis {

struct CurrentSlopes {
    double Ip = 0;     // A, exactly tubemath::PlateCurrent
    double DIpDVg = 0; // A/V at constant Va
    double DIpDVa = 0; // A/V at constant Vg
};

// Ip from the model itself (its faults propagate); the derivatives from the model's formula
// differentiated by hand, 0 where the current is 0. The derivatives use plain arithmetic and
// may come out infinite or NaN at the edges of the law's region: fine for a safeguarded
// Newton step, which falls back to halving.
CurrentSlopes PlateCurrentSlopes(const tubemath::TubeParams& tube, double vg, double va);

// As PlateCurrentSlopes, but a derivative that is not a finite number raises
// tubemath::ArithmeticError with the model's message for it.
CurrentSlopes CheckedPlateCurrentSlopes(const tubemath::TubeParams& tube, double vg, double va);

} // namespace valvescope::analysis
