// The curve plot: the grid, the frame, the limit overlays, the Rk bias line, the family of plate
// curves with their labels and the Ra load line, drawn as a list of operations.
//
// Its parts: plotmapping.h (volts and amperes to pixels, on pixelmath.h), overlays.h (grid,
// frame, limit lines, load line), biasline.h with biassearch.h (the bias line), curvefamily.h
// with curvewalk.h, curvepen.h, labelqueue.h and denseblock.h (the curves and their labels).
// The shortcuts rest on bracketsearch.h, curveruns.h, densefamily.h and curvetrace.h. The
// reference path (RedrawInput::stepByStep) takes none of them: DrawBiasLineReference,
// DrawCurveFamilyReference with its ReferencePen and WalkEveryVolt.
#pragma once

#include "core/plot/drawops.h"
#include "core/plot/marks.h"
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
    // Drawn over everything else: the operating point, measured points, fitted curves.
    PlotMarks marks{};
    // Take the reference path: every point of every curve one whole volt at a time, and every
    // 0.01 mA step of the bias line's search, instead of the shortcuts that give the same
    // picture. For the tests and the fuzzer, which hold the shortcuts to it.
    bool stepByStep = false;
    // Asked to stop, the redraw ends early with RedrawStopped; `ops` is then incomplete.
    std::stop_token stop{};
};

class RedrawStopped : public std::exception {
public:
    const char* what() const noexcept override { return "The redraw was stopped"; }
};

// Throws RedrawStopped once a stop has been asked for.
inline void StopIfAsked(const std::stop_token& stop) {
    if (stop.stop_requested()) {
        throw RedrawStopped();
    }
}

// Clears `ops`, stores the new scale in `scale` and records the whole picture into `ops`, which
// starts with the blank surface. An arithmetic fault throws tubemath::ArithmeticError where it
// happens; `ops` then holds what was drawn before it. Both quotients of the scale are formed
// before either is stored, so `scale` keeps its old values when one of them cannot be formed.
void RedrawPlot(const RedrawInput& in, PlotScale& scale, DrawOps& ops);

} // namespace valvescope
