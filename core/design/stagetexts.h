// The stage's own inputs as the user types them, in the Operating Point window or on the command
// line: the load kind, Zaa and the peak drive, and which stage it is (the push-pull pair's own in
// pushpulltexts.h). With the plot's settings (B+, Ra, Rk) they make the analysis' input; both
// places read them here, so they read alike.
#pragma once

#include "core/analysis/stage.h"
#include "core/design/pushpulltexts.h"
#include "core/settings/intake.h"
#include "core/settings/plotsettings.h"
#include "core/tube/tube.h"

#include <optional>
#include <string>
#include <string_view>

namespace valvescope {

enum class StageKind { SingleEnded, PushPull };

// The single-ended stage's texts, and beside them the push-pull pair's: Kind says which stage the
// window shows.
struct StageTexts {
    LoadKind Load = LoadKind::Resistor;
    std::string Zaa;   // ohm; read for a transformer only
    std::string Drive; // V peak; blank: |Vg| at rest, the swing that just reaches 0 V of grid
    StageKind Kind = StageKind::SingleEnded;
    PushPullTexts PushPull{};
};

// "single-ended" or "push-pull", in any case; nothing for another word.
std::optional<StageKind> ReadStageKindWord(std::string_view word);
const char* StageKindWord(StageKind kind);

// The two words alike but for the case of their letters (ASCII).
bool SameWordInAnyCase(std::string_view a, std::string_view b);

// "resistor" or "transformer", in any case; nothing for another word.
std::optional<LoadKind> ReadLoadWord(std::string_view word);
// The word for the kind, as ReadLoadWord takes it and the JSON writes it.
const char* LoadWord(LoadKind load);

// True for a text of blanks only, or none: the value is not given.
bool IsBlankText(std::string_view text);

// A Zaa or drive text: blank is none; otherwise a decimal number as the boxes read them, with a
// comma as good as a point. Throws ConversionError for a text that does not read.
std::optional<double> ReadStageNumber(const std::string& text);

// The analysis' input for the plot's settings (B+, Ra and Rk as the intake read them) and these
// texts. Throws ConversionError for a Zaa (transformer only) or drive text that does not read;
// what the numbers mean is the analysis' to judge.
StageInput StageInputOf(const PlotSettings& settings, const StageTexts& texts);

// The analysis of the stage for these settings and texts, on this tube. Throws as
// StageInputOf and AnalyzeStage do.
StageAnalysis DesignStage(const Tube& tube, const PlotSettings& settings, const StageTexts& texts);
// The same with a screen-grid tube's screen wired as `screen` says (the plot's wiring).
StageAnalysis DesignStage(const Tube& tube, const tubemath::ScreenWiring& screen,
                          const PlotSettings& settings, const StageTexts& texts);

// Why there is no stage to analyse when the intake stopped at a blank-or-zero box, e.g.
// "B+ is blank or zero: no stage to analyse".
std::string NoStageMessage(const SettingsTexts& texts);

} // namespace valvescope
