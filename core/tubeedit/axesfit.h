// The plot's axes fitted to measured points: End V, End I and Step V from the measured ranges,
// so that the points fill the plot and the drawn curves meet the measured grid voltages.
#pragma once

#include "core/settings/intake.h"
#include "core/tube/measuredpoint.h"

#include <cstdint>
#include <optional>

namespace valvescope {

// The three settings as box texts: End V and End I the largest plate voltage (V) and current
// (mA) rounded up to two significant digits (at least 1); Step V the spacing of the measured grid
// voltages, or a whole multiple of it where `gridLines` curves below 0 V would not reach the
// most negative one. Nothing when no point has a finite plate voltage and current above 0.
struct FittedAxes {
    std::string EndV;
    std::string EndI;
    std::string StepV;
};
std::optional<FittedAxes> AxesForMeasurements(const MeasuredPoints& points, std::int32_t gridLines);

// The texts with End V, End I and Step V replaced by the fitted ones (kept without points).
SettingsTexts WithAxesFitted(SettingsTexts texts, const MeasuredPoints& points);

} // namespace valvescope
