// The seven boxes' texts as the program starts, written out here rather than taken from the
// program, in the intake's order: # Grid Lines, Step V, End I, End V, Ra, Rk, B+.
#pragma once

#include "core/settings/intake.h"
#include "core/settings/plotsettings.h"

namespace valvescope::fixtures {

inline SettingsTexts StartupTexts() {
    return {"10", "10", "200", "800", "3000", "590", "400"};
}

// What a stage reads of the start-up texts: End V, End I, Ra, Rk and B+ (the grid's fields as
// PlotSettings leaves them).
inline PlotSettings StartupStageSettings() {
    PlotSettings settings;
    settings.EndV = 800;
    settings.EndI = 200;
    settings.Ra = 3000;
    settings.BPlus = 400;
    settings.Rk = 590;
    return settings;
}

} // namespace valvescope::fixtures
