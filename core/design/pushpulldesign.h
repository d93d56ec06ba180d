// The push-pull stage as the command line (and, later, the window) asks for it: its own choices
// with B+ and Rk from the plot's settings.
#pragma once

#include "core/analysis/pushpull.h"
#include "core/session/plotsession.h"
#include "core/settings/intake.h"
#include "core/settings/plotsettings.h"
#include "core/tube/tube.h"

#include <optional>

namespace valvescope {

struct PushPullChoices {
    double Raa = 0; // ohm, plate to plate
    PushPullBias Bias = PushPullBias::Cathode;
    double Vg = 0;                     // V, fixed bias only
    std::optional<double> Drive;       // V peak; none for the default
    std::optional<double> ScreenVolts; // the screen supply; none: the tube's own screen voltage
    std::optional<double> Tap;         // ultralinear at this tap
    bool TriodeConnected = false;
    int SweepPoints = 0;
};

// The analysis' input: B+ and Rk as the intake read them, the rest from the choices. A screen
// supply not given is the first tube's plotted screen voltage, or B+ for a tube without one.
PushPullInput PushPullInputOf(const PlotSettings& settings, const Tube& first,
                              const PushPullChoices& choices);

// The intake of `texts` (commas become points first) into the session, then the analysis of the
// session's tube with `second`. Throws BlankOrZeroSetting when the intake stops at a
// blank-or-zero box, ConversionError for a text that does not read, and as AnalyzePushPull does.
PushPullAnalysis TakeAndDesignPushPull(PlotSession& session, const SettingsTexts& texts,
                                       const Tube& second, const PushPullChoices& choices);

} // namespace valvescope
