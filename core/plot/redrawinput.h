// What a redraw draws from: the tube, the settings, the limits, the overlays that are down, the
// surface's size, the marks, the path to take and the request to stop.
#pragma once

#include "core/plot/marks.h"
#include "core/plot/tubelimits.h"
#include "core/settings/plotsettings.h"
#include "model/wiredmodel.h"

#include <cstdint>
#include <stop_token>

namespace valvescope {

struct RedrawInput {
    // The tube with its screen wired: the seed's pictures take the shortcuts, every other model
    // the reference path.
    tubemath::WiredModel tube;
    PlotSettings settings;
    TubeLimits limits;
    Overlays overlays;
    std::int32_t width = 0;  // of the drawing surface, in pixels
    std::int32_t height = 0; // of the drawing surface, in pixels
    // Drawn over everything else: the operating point, measured points, fitted curves.
    PlotMarks marks{};
    // Take the reference path: every point of every curve one whole volt at a time, and every
    // 0.01 mA step of the bias line's search, instead of the shortcuts that give the same
    // picture. For the tests and the fuzzer, which hold the shortcuts to it.
    bool stepByStep = false;
    // Asked to stop, the redraw ends early with RedrawStopped; `ops` is then incomplete.
    std::stop_token stop{};
};

} // namespace valvescope
