// The analysis as the Operating Point window shows it: titled sections of named values, those
// over a rating flagged, and the harmonics' levels for the bar chart. Plain texts, no Qt.
#pragma once

#include "core/analysis/stage.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace valvescope {

struct StageValue {
    std::string Name;   // e.g. "Ip"
    std::string Value;  // e.g. "37.82mA"
    std::string Note;   // e.g. "31.5 % of rating"; may be empty
    bool Alarm = false; // over a rating of the tube
};

struct StageSection {
    std::string Title;
    std::vector<StageValue> Values;
};

// Quiescent point, small signal and swing, in that order.
std::array<StageSection, 3> StageSections(const StageAnalysis& analysis);

// H2 ... H9 in dB relative to H1 (0 or below); none for a harmonic that is zero or when H1 is.
using HarmonicLevels = std::array<std::optional<double>, 8>;
HarmonicLevels LevelsBelowH1(const SignalSwing& swing);

// The chart's floor in dB: the multiple of 20 at or below the lowest level, no higher than
// -40 dB and no lower than -120 dB (bars below it stop there).
double ChartFloor(const HarmonicLevels& levels);

} // namespace valvescope
