// One point measured on a curve tracer, in the model's units.
#pragma once

#include <vector>

namespace valvescope {

struct MeasuredPoint {
    double Vg = 0; // V, grid voltage
    double Va = 0; // V, plate voltage
    double Ia = 0; // A, plate current
};

using MeasuredPoints = std::vector<MeasuredPoint>;

} // namespace valvescope
