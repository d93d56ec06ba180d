// The curves of the family by their index: curve k has grid voltage k * Step V, for k = 0 down
// to the last curve.
#pragma once

#include "core/settings/plotsettings.h"
#include "model/checkedmath.h"
#include "model/tubemath.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace valvescope {

// The index of the last curve. Fails with "Integer overflow" for the lowest # Grid Lines, whose
// count of curves cannot be formed.
inline std::int64_t LastCurveIndex(const PlotSettings& settings) {
    if (settings.GridLineCount == std::numeric_limits<std::int32_t>::min()) {
        throw tubemath::ArithmeticError(tubemath::kIntegerOverflowMessage);
    }
    return -std::int64_t{settings.GridLineCount};
}

// The grid voltage of curve k.
inline double GridVoltageOf(std::int64_t k, const PlotSettings& settings) {
    return tubemath::checked::Mul(static_cast<double>(k), settings.GridStep);
}

// The decade of a grid voltage's magnitude, where the label's layout can change: the
// formatter's bands change at powers of ten.
inline int DecadeOf(double Vg) {
    const double magnitude = std::fabs(Vg);
    return magnitude > 0 ? static_cast<int>(std::floor(std::log10(magnitude)))
                         : std::numeric_limits<int>::min();
}

} // namespace valvescope
