// The stage through a plot's session, for the command line: the box texts through the same
// intake as the plot's, then the analysis on the session's tube and settings, and its marks.
#pragma once

#include "core/analysis/stage.h"
#include "core/design/stagetexts.h"
#include "core/session/plotsession.h"
#include "core/settings/intake.h"

namespace valvescope {

// The intake of `texts` (commas become points first) into the session, then the analysis.
// Throws ConversionError for a text that does not read, BlankOrZeroSetting (from plotjob.h) when
// the intake stops at a blank-or-zero box, and as DesignStage does.
StageAnalysis TakeAndDesign(PlotSession& session, const SettingsTexts& texts,
                            const StageTexts& stage);

// The analysis on the session's tube, its screen wiring and settings (after its intake), its marks
// put into the session's operating-point layer. Throws as DesignStage does, leaving the layer as it
// was.
StageAnalysis ShowStage(PlotSession& session, const StageTexts& stage);

} // namespace valvescope
