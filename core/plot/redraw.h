// The curve plot: the grid, the frame, the limit overlays, the Rk bias line, the family of plate
// curves with their labels and the Ra load line, drawn as a list of operations.
//
// Its parts: plotmapping.h (volts and amperes to pixels, on pixelmath.h), overlays.h (grid,
// frame, limit lines, load line), biasline.h with biasstep.h (the bias line), curvefamily.h
// with curvegrid.h, curvewalk.h, curvepen.h and labelboxes.h (the curves and which of their
// labels show), marks.h. They take their input from redrawinput.h and stoprequest.h, never from
// here. The shortcuts sit in shortcuts/ (curveruns, densefamily, denseblock, curvetrace,
// labelqueue, biassearch, with the proofs of tubeshape and biasshape) and rest on
// core/search/bracketsearch.h. The reference path (RedrawInput::stepByStep) takes none of them:
// DrawBiasLineReference, DrawCurveFamilyReference with its ReferencePen and WalkEveryVolt.
#pragma once

#include "core/plot/drawops.h"
#include "core/plot/plotscale.h"
#include "core/plot/redrawinput.h"
#include "core/plot/stoprequest.h"

namespace valvescope {

// Clears `ops`, stores the new scale in `scale` and records the whole picture into `ops`, which
// starts with the blank surface. An arithmetic fault throws tubemath::ArithmeticError where it
// happens; `ops` then holds what was drawn before it. Both quotients of the scale are formed
// before either is stored, so `scale` keeps its old values when one of them cannot be formed.
void RedrawPlot(const RedrawInput& in, PlotScale& scale, DrawOps& ops);

} // namespace valvescope
