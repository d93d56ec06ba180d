// The plot drawn without a window, through the same PlotSession the window runs, for the command
// line's export and readout modes.
#pragma once

#include "core/plot/drawops.h"
#include "core/plot/marks.h"
#include "core/plot/plotscale.h"
#include "core/plot/tubelimits.h"
#include "core/readout/readout.h"
#include "core/session/plotsession.h"
#include "core/settings/intake.h"
#include "core/settings/plotsettings.h"
#include "core/settings/settingsboxes.h"
#include "core/tube/tube.h"
#include "model/tubemath.h"
#include "model/wiredmodel.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

namespace valvescope {

class PlotSession;

// A setting whose text is blank or zero, so the window would leave the plot blank; what() names
// the box, e.g. "End V is blank or zero: nothing drawn".
class BlankOrZeroSetting : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct PlotJob {
    SettingsTexts Texts;
    Overlays Show;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    // The tube drawn and read for, and the measured points and curves over the plot.
    valvescope::Tube Tube = Builtin807();
    PlotMarks MeasurementMarks{};
    // Runs after the intake, before the drawing, on the session that draws (to put marks over
    // the plot, say); what it throws ends the job.
    std::function<void(PlotSession&)> BeforeDrawing = {};
};

// Everything the window holds after a redraw.
struct DrawnPlot {
    tubemath::TubeParams Tube;
    TubeLimits Limits;
    PlotSettings Settings;
    PlotScale Scale;
    DrawOps Ops;
    std::int32_t Height = 0;
    // What the exports put around the plot: the session's tube, the axis captions and the texts
    // (commas already points) that drew it.
    valvescope::Tube DrawnTube;
    tubemath::ScreenWiring DrawnScreen; // how a screen-grid tube's screen was wired
    AxisCaptions Captions;
    SettingsTexts Texts;
};

// Runs the window's redraw on the job's texts (commas become points first). Throws
// ConversionError for a text that does not read, BlankOrZeroSetting when the window would draw
// nothing, and tubemath::ArithmeticError when the drawing fails part way.
DrawnPlot DrawPlotWithoutWindow(const PlotJob& job);

// The intake that starts DrawPlotWithoutWindow, alone: throws as it does for a text that does not
// read or a box that is blank or zero, and draws nothing.
void CheckPlotTexts(const SettingsTexts& texts);

// The status line after pointer moves over a drawn plot, move by move. Mu, Gm and Rp carry over
// from one move to the next; a move whose readout ends in a silent division by zero leaves the
// status line as it was (empty before the first readout).
class ReadoutSession {
public:
    explicit ReadoutSession(const DrawnPlot& plot) : plot_(plot) {}

    // The status-line text after the pointer moved to X, Y; throws tubemath::ArithmeticError
    // for any fault other than a division by zero.
    const std::string& MoveTo(std::int32_t X, std::int32_t Y);

private:
    const DrawnPlot& plot_;
    Readout readout_;
    std::string status_;
};

} // namespace valvescope
