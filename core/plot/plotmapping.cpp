#include "core/plot/plotmapping.h"

#include "core/search/bracketsearch.h"

#include <algorithm>
#include <cmath>

namespace valvescope {

bool PlotMapping::HasColumns() const {
    return scale_.VoltsPerPixel > 0 && std::isfinite(scale_.VoltsPerPixel);
}

std::int64_t PlotMapping::LastVoltInColumn(std::int64_t volts, std::int64_t last) const {
    const std::int32_t column = X(static_cast<double>(volts));
    const auto inColumn = [&](std::int64_t at) { return X(static_cast<double>(at)) == column; };
    // The column's right edge in volts is a close guess; the halving settles it.
    search::Bracket<std::int64_t> bracket{volts, last + 1};
    const double edge = std::floor((column + 0.5) * scale_.VoltsPerPixel);
    if (edge > static_cast<double>(volts) && edge < static_cast<double>(last)) {
        const auto guess = static_cast<std::int64_t>(edge);
        if (inColumn(guess)) {
            bracket.holds = guess;
            if (!inColumn(guess + 1)) {
                return guess;
            }
        } else {
            bracket.fails = guess;
        }
    }
    return search::Halve(bracket, inColumn).holds;
}

std::int64_t PlotMapping::LastCurveVolt() const {
    return std::min<std::int64_t>(settings_.EndV,
                                  static_cast<std::int64_t>(std::floor(VoltageLimit())) + 1);
}

} // namespace valvescope
