// The values the main window holds between events: the settings read from the seven boxes,
// the tube's maximum ratings, the scale of the last redraw, the readout's small-signal values.
#pragma once

#include "core/tube/tube.h"

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

// The tube's maximum ratings as the limit overlays draw them; the 807's to start with. A
// missing rating draws no overlay.
struct TubeLimits {
    std::optional<double> Imax = 120; // mA
    std::optional<double> Vmax = 475; // V
    std::optional<double> Wp = 25;    // W
};

// The limits of a tube's ratings (Imax in amperes there, in milliamps here).
inline TubeLimits LimitsOf(const TubeRatings& ratings) {
    const std::optional<double> imax =
        ratings.Imax ? std::optional<double>(*ratings.Imax * 1000) : std::nullopt;
    return TubeLimits{imax, ratings.Vmax, ratings.Pmax};
}

// Stored by each redraw before it draws; read by the pointer readout.
struct PlotScale {
    double VoltsPerPixel = 0;
    double PixelsPerMilliamp = 0;
};

// Small-signal values of the last pointer readout; Rp outlives a readout where Gm is zero.
struct Readout {
    double Mu = 0;
    double Gm = 0; // A/V
    double Rp = 0; // ohm
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
