// The scale of the last redraw, which the pointer readout reads.
#pragma once

namespace valvescope {

// Stored by each redraw before it draws; read by the pointer readout.
struct PlotScale {
    double VoltsPerPixel = 0;
    double PixelsPerMilliamp = 0;
};

} // namespace valvescope
