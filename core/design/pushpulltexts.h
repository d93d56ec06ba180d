// The push-pull stage's own inputs as the user types them in the Operating Point window (and the
// design file keeps them): Raa, the bias, the drive, the screens' feed and the second tube. With
// the plot's settings (B+, Rk) they make the pair's analysis.
#pragma once

#include "core/analysis/pushpull.h"
#include "core/design/pushpulldesign.h"
#include "core/settings/plotsettings.h"
#include "core/tube/tube.h"
#include "model/wiredmodel.h"

#include <optional>
#include <string>
#include <string_view>

namespace valvescope {

// The start-up texts are the 807 pair at B+ 400 V: Raa 6600 ohm, fixed bias at -30 V.
struct PushPullTexts {
    std::string Raa = "6600"; // ohm, plate to plate
    PushPullBias Bias = PushPullBias::Fixed;
    std::string Vg = "-30"; // V, grid to cathode at rest; read for fixed bias only
    std::string Drive;      // V peak; blank: a grid just reaches 0 V at its peak
    ScreenFeed Screen = ScreenFeed::Supply;
    std::string ScreenVolts;  // V; blank: the tube's screen voltage; read for a supply only
    std::string Tap = "0.43"; // of the half-primary; read for ultralinear only
    std::string TubeB;        // blank: the same tube again; else a tube file or a library name

    bool operator==(const PushPullTexts&) const = default;
};

inline constexpr const char* kRaaMissingMessage = "Raa is missing: a push-pull stage needs it";
inline constexpr const char* kVgMissingMessage = "Vg is missing: fixed bias needs it";
inline constexpr const char* kTapMissingMessage = "The tap is missing: ultralinear needs it";

// "fixed" or "cathode", in any case; nothing for another word. PushPullBiasWord gives the word.
std::optional<PushPullBias> ReadPushPullBiasWord(std::string_view word);
const char* PushPullBiasWord(PushPullBias bias);
// "supply", "ultralinear" or "triode-connected", in any case; nothing for another word.
std::optional<ScreenFeed> ReadScreenFeedWord(std::string_view word);
const char* ScreenFeedWord(ScreenFeed screen);

// The choices the texts give: each number as the boxes read them (a comma as good as a point),
// only where the bias and screen feed read it. Throws ConversionError naming the field for a text
// that does not read ("Raa: '6k6' is not a valid floating point value") and StageError for a
// blank Raa, a blank Vg with fixed bias or a blank tap with ultralinear; what the numbers mean
// (kRaaMessage and the others) is the analysis' to judge.
PushPullChoices PushPullChoicesOf(const PushPullTexts& texts, int sweepPoints);

// The whole push-pull analysis for the window: the session's tube `first` (its screen wired as
// `screen` says, whose voltage is the screen supply a blank Screen V text gives) with `second`,
// on the plot's settings (B+ and Rk). Throws as PushPullChoicesOf and AnalyzePushPull do.
PushPullAnalysis DesignPushPull(const Tube& first, const tubemath::ScreenWiring& screen,
                                const PlotSettings& settings, const PushPullTexts& texts,
                                const Tube& second, int sweepPoints);

} // namespace valvescope
