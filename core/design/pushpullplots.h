// The two small plots beside the push-pull stage's numbers, from its sweep against drive: how
// the power grows with the drive, and how the distortion grows with the power.
#pragma once

#include "core/analysis/pushpull.h"
#include "core/plot/drawops.h"

#include <cstdint>

namespace valvescope {

inline constexpr const char* kDriveTitle = "Drive (V peak)";
inline constexpr const char* kPowerTitle = "Power (W)";
inline constexpr const char* kThdTitle = "THD (%)";
inline constexpr const char* kNoSweepText = "No sweep";
// Both curves in the grid's blue, the stage's own point in the small plot's red.
inline constexpr Colour kSweepColour = kBlue;

// Output power (W) against peak drive (V), from no drive (no power) through the sweep, the
// stage's drive marked; THD (%) against power (W) on logarithmic axes, the stage's point
// marked. From the analysis' sweep; without a sweep, the frame and "No sweep".
DrawOps PowerAgainstDrivePlot(const PushPullAnalysis& analysis, std::int32_t width,
                              std::int32_t height);
DrawOps ThdAgainstPowerPlot(const PushPullAnalysis& analysis, std::int32_t width,
                            std::int32_t height);

} // namespace valvescope
