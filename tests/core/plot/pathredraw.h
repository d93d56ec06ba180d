// One redraw on the reference path or the shortcuts, with the fault it ended in, for the tests
// that hold the two paths to the same picture and fault.
#pragma once

#include "core/plot/redraw.h"

#include <optional>
#include <string>

namespace valvescope::pathtest {

struct Outcome {
    DrawOps ops;
    std::optional<std::string> fault;
};

inline Outcome Redraw(RedrawInput in, bool referencePath) {
    in.stepByStep = referencePath;
    Outcome outcome;
    PlotScale scale;
    try {
        RedrawPlot(in, scale, outcome.ops);
    } catch (const tubemath::ArithmeticError& error) {
        outcome.fault = error.what();
    }
    return outcome;
}

} // namespace valvescope::pathtest
