// The grid voltages of the plot's family of curves, shared by the plot, the curve data and the
// SPICE deck.
#pragma once

#include "core/settings/plotsettings.h"

#include <cstddef>
#include <stdexcept>
#include <vector>

namespace valvescope::exports {

// More rows or curves than an export writes; what() says how many and the limit.
class ExportTooLargeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// At most this many rows go into one curve-data file (about 100 MB), and at most this many
// curves into a family, so that an export of huge settings fails plainly rather than filling
// the memory or the disk.
inline constexpr std::size_t kMaxExportRows = 2'000'000;

// Vg = k * GridStep for k = 0, -1, ..., -GridLineCount, each formed as the redraw forms it
// (Mul(static_cast<double>(k), GridStep)); none for a negative count. Raises
// tubemath::ArithmeticError "Integer overflow" for the one count whose negation overflows, as
// the plot does, a fault of the product as ArithmeticError, and ExportTooLargeError for more
// than kMaxExportRows curves.
std::vector<double> FamilyGridVoltages(const PlotSettings& settings);

} // namespace valvescope::exports
