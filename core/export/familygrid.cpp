#include "core/export/familygrid.h"

#include "model/checkedmath.h"

#include <cstdint>
#include <limits>
#include <string>

namespace valvescope::exports {

std::vector<double> FamilyGridVoltages(const PlotSettings& settings) {
    if (settings.GridLineCount == std::numeric_limits<std::int32_t>::min())
        throw tubemath::ArithmeticError(tubemath::kIntegerOverflowMessage);
    if (settings.GridLineCount < 0)
        return {};
    const auto count = static_cast<std::size_t>(settings.GridLineCount) + 1;
    if (count > kMaxExportRows) {
        throw ExportTooLargeError("The family would have " + std::to_string(count) +
                                  " curves; an export takes at most " +
                                  std::to_string(kMaxExportRows) + ".");
    }
    std::vector<double> voltages;
    voltages.reserve(count);
    for (std::int64_t k = 0; k >= -std::int64_t{settings.GridLineCount}; --k)
        voltages.push_back(tubemath::checked::Mul(static_cast<double>(k), settings.GridStep));
    return voltages;
}

} // namespace valvescope::exports
