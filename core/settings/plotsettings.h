// The settings read from the seven boxes and the five overlay toggles.
#pragma once

#include <cstdint>

namespace valvescope {

// Written only by the settings intake; read by the redraw (and Rk by the grid-voltage search).
struct PlotSettings {
    std::int32_t GridLineCount = 10;
    double GridStep = 20;  // V
    std::int32_t EndI = 0; // mA at the top of the plot
    std::int32_t EndV = 0; // V at the right of the plot
    double Ra = 5000;      // ohm
    double Rk = 590;       // ohm
    double BPlus = 0;      // V
};

// The five overlay toggles: each overlay is drawn only while its toggle is down.
struct Overlays {
    bool Imax = false;
    bool Wp = false;
    bool Vmax = false;
    bool Rk = false;
    bool LoadLine = false;
};

} // namespace valvescope
