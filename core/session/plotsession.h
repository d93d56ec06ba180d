// One plot's session, for the window and the command line alike: the box texts through the
// intake, the axis captions and the redraw's input, and the pointer readouts over what was drawn.
#pragma once

#include "core/plot/plotscale.h"
#include "core/plot/redraw.h"
#include "core/plot/tubelimits.h"
#include "core/readout/readout.h"
#include "core/settings/intake.h"
#include "core/settings/plotsettings.h"
#include "core/tube/tube.h"
#include "model/tubemath.h"
#include "model/wiredmodel.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace valvescope {

// The axis captions made from the End V and End I texts; none for a blank-or-zero text.
struct AxisCaptions {
    std::optional<std::array<std::string, 10>> Voltage; // Lbl1V ... Lbl10V
    std::optional<CurrentAxis> Current;                 // Lbl1I ... Lbl5I
};

class PlotSession {
public:
    PlotSession() = default;

    // The intake, then the captions: the texts (commas already points) are checked and read into
    // the settings, and the captions made. Nothing when a box is blank or zero: the plot is left
    // blank and the settings as they were. Throws ConversionError for a text that does not read,
    // leaving the fields before it new.
    std::optional<AxisCaptions> TakeTexts(const SettingsTexts& texts);

    // What the redraw needs for a surface of width x height with these overlays.
    RedrawInput Redraw(Overlays show, std::int32_t width, std::int32_t height) const;

    // The redraw drew at `scale`.
    void Drawn(const PlotScale& scale) { scale_ = scale; }

    // The reading under the pointer at X, Y of a surface `height` pixels high; mu, gm and rp
    // carry over from the reading before. Nothing when a division by zero ends it silently;
    // other faults throw tubemath::ArithmeticError.
    std::optional<PointerReading> ReadAt(std::int32_t height, std::int32_t X, std::int32_t Y);

    // The tube everything is drawn and read for; its ratings become the limit overlays', and its
    // screen voltage the screen's wiring.
    void SetTube(valvescope::Tube tube);
    // How a screen-grid tube's screen is wired for the plot, the readout and the stage; the
    // seed and the triode models ignore it.
    void SetScreen(tubemath::ScreenWiring screen) { screen_ = screen; }
    // What is drawn over the plot, in layers: the measured points and fitted curves under the
    // operating point's marks. An empty set takes a layer away.
    enum class MarkLayer { Measurements, OperatingPoint };
    void SetMarks(MarkLayer layer, PlotMarks marks);
    const PlotMarks& Marks(MarkLayer layer) const;

    const valvescope::Tube& CurrentTube() const { return tube_; }
    const tubemath::ScreenWiring& Screen() const { return screen_; }
    // The tube with its screen wired: what the redraw, the readout and the curve data use.
    tubemath::WiredModel Wired() const { return {tube_.Model, screen_}; }
    const TubeLimits& Limits() const { return limits_; }
    const PlotSettings& Settings() const { return settings_; }
    const PlotScale& Scale() const { return scale_; }
    const Readout& LastReadout() const { return readout_; }

private:
    valvescope::Tube tube_ = Builtin807();
    tubemath::ScreenWiring screen_;
    TubeLimits limits_;
    PlotSettings settings_;
    PlotMarks measurementMarks_;
    PlotMarks operatingPointMarks_;
    PlotScale scale_;
    Readout readout_;
};

} // namespace valvescope
