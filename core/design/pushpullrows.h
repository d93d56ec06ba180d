// The push-pull pair as the Operating Point window shows it: titled sections of named values,
// those over a rating flagged, and the harmonics' levels of I1 - I2 for the bar chart. Plain
// texts, no Qt.
#pragma once

#include "core/analysis/pushpull.h"
#include "core/design/stagerows.h"

#include <array>

namespace valvescope {

// "Quiescent point" (each tube's Ip, Vp and P and, for a screen-grid tube, Is, Vs and Ps, with
// their shares of the ratings; Vg and Vk at rest; the supply current), "Swing at <drive> peak
// drive" (class, output, THD, efficiency, supply, the imbalance of a mismatched pair, Vk with
// cathode bias, a row where a grid goes positive) and "Over the cycle" (each tube's average,
// least and most current, P, Ps and the share of the cycle it is cut off). Each tube's rows
// follow a row that names it: the tube's name, or "Tube 1" and "Tube 2" for two of one name.
std::array<StageSection, 3> PushPullSections(const PushPullAnalysis& analysis);

// H2 ... H9 of I1 - I2 in dB relative to H1; none for a harmonic that is zero, or that a matched
// pair's cancellation leaves at its rounding (below -200 dB), and none when H1 is zero.
HarmonicLevels PushPullLevelsBelowH1(const PushPullSwing& swing);

} // namespace valvescope
