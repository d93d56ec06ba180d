// The curve plot: the grid, the frame, the limit overlays, the Rk bias line, the family of plate
// curves with their labels and the Ra load line, drawn as a list of operations.
#pragma once

#include "core/plot/drawops.h"
#include "core/plot/plottypes.h"
#include "model/tubemath.h"

#include <cstdint>
#include <exception>
#include <stop_token>

namespace valvescope {

struct RedrawInput {
    tubemath::TubeParams tube;
    PlotSettings settings;
    TubeLimits limits;
    Overlays overlays;
    std::int32_t width = 0;  // of the drawing surface, in pixels
    std::int32_t height = 0; // of the drawing surface, in pixels
    // Draw every point one whole volt (and every 0.01 mA of the bias line's search) at a time,
    // as the rules read, instead of taking the shortcuts that give the same picture. For tests.
    bool stepByStep = false;
    // Asked to stop, the redraw ends early with RedrawStopped; `ops` is then incomplete.
    std::stop_token stop{};
};

class RedrawStopped : public std::exception {
public:
    const char* what() const noexcept override { return "The redraw was stopped"; }
};

// Clears `ops`, stores the new scale in `scale` and records the whole picture into `ops`, which
// starts with the blank surface. An arithmetic fault throws tubemath::ArithmeticError where it
// happens; `ops` then holds what was drawn before it. Both quotients of the scale are formed
// before either is stored, so `scale` keeps its old values when one of them cannot be formed.
void RedrawPlot(const RedrawInput& in, PlotScale& scale, DrawOps& ops);

} // namespace valvescope
