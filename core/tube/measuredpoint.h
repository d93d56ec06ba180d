// One point measured on a curve tracer, in the model's units.
#pragma once

#include <vector>

namespace valvescope {

struct MeasuredPoint {
    double Vg = 0;               // V, grid voltage
    double Va = 0;               // V, plate voltage
    double Ia = 0;               // A, plate current
    double Vs = 0;               // V, screen voltage; 0 where the file gives none
    double Is = 0;               // A, screen current; meaningful only with ScreenMeasured
    bool ScreenMeasured = false; // the file has a screen current column
};

using MeasuredPoints = std::vector<MeasuredPoint>;

} // namespace valvescope
