#include "core/plot/redraw.h"

#include "core/plot/biasline.h"
#include "core/plot/curvefamily.h"
#include "core/plot/marks.h"
#include "core/plot/overlays.h"
#include "core/plot/pixelmath.h"
#include "core/plot/plotmapping.h"
#include "core/plot/shortcuts/tubeshape.h"

namespace valvescope {

// The picture in layers, each over the ones before: the grid and the frame, the limit lines, the
// bias line, the curve family, the load line and the marks. The reference path and the shortcuts
// differ only in how the bias line and the curve family are drawn, chosen here once.
void RedrawPlot(const RedrawInput& in, PlotScale& scale, DrawOps& ops) {
    ops.clear();
    const PlotScale newScale{checked::Div(in.settings.EndV, in.width),
                             checked::Div(in.height, in.settings.EndI)};
    scale = newScale;
    // The load line's short-circuit current is taken before anything is drawn, toggle or not.
    const double shortCircuitCurrent = checked::Div(in.settings.BPlus, in.settings.Ra);
    const PlotMapping map(in.settings, newScale, in.width, in.height);
    DrawRecorder draw(ops);
    draw.Blank(in.width, in.height);
    DrawGrid(draw, map);
    DrawFrame(draw, map);
    if (in.overlays.Vmax && in.limits.Vmax) {
        DrawVmaxLine(draw, map, in.limits);
    }
    if (in.overlays.Imax && in.limits.Imax) {
        DrawImaxLine(draw, map, in.limits);
    }
    if (in.overlays.Wp && in.limits.Wp) {
        DrawWpHyperbola(draw, map, in.limits);
    }
    draw.MoveTo(0, in.height);
    if (in.overlays.Rk) {
        draw.PenColour(kMaroon);
        draw.PenWidth(2);
        // Without columns to sort whole volts into, or for a tube the shortcuts' proofs do not
        // cover (every model but the seed), the bias line takes the reference path.
        if (in.stepByStep || !map.HasColumns() || !ShortcutsHoldFor(in.tube)) {
            DrawBiasLineReference(draw, map, in.tube, in.stop);
        } else {
            DrawBiasLineByColumns(draw, map, in.tube, in.stop);
        }
    }
    draw.PenColour(kBlack);
    draw.PenWidth(1);
    if (in.stepByStep) {
        DrawCurveFamilyReference(draw, map, in);
    } else {
        DrawCurveFamily(draw, map, in);
    }
    if (in.overlays.LoadLine) {
        DrawLoadLine(draw, map, shortCircuitCurrent);
    }
    if (!in.marks.Empty()) {
        DrawMarks(draw, map, in.tube, in.marks, in.stop);
    }
}

} // namespace valvescope
