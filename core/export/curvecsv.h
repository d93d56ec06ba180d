// The plotted curves as numbers: a CSV file with one row per point.
#pragma once

#include "core/settings/plotsettings.h"
#include "core/tube/tube.h"
#include "model/wiredmodel.h"

#include <string>

namespace valvescope::exports {

// The step of the bias line's current: 0.01 mA, the step of the plot's own bias search.
inline constexpr double kBiasLineStepMilliamps = 0.01;

// The family of curves as RFC 4180 CSV (CRLF line ends, fields quoted only where needed),
// header "Series,Vg (V),Va (V),Ip (mA)", numbers with 17 significant digits and a decimal
// point whatever the locale:
// - "curve": for each grid voltage of FamilyGridVoltages, Va = 0, 1, ..., EndV with Ip the
//   model's plate current in mA (the plate terminal's, as plotted, with the screen wired),
//   negative currents shown as 0 as the plot shows them;
// - "bias" (only with the Rk toggle down): I = 0, 0.01, 0.02, ... mA up to End I, Vg = -Rk * I,
//   Va = PlateVoltage(Vg, I) + Rk * I, the points with Va within 0..EndV (for a model other
//   than the seed, its plate-voltage inversion, and no point where no plate voltage up to
//   EndV - Rk * I draws I);
// - "load" (only with the load-line toggle down): Va = 0, 1, ... up to the lesser of B+ and
//   End V, Ip = (B+ - Va) / Ra in mA, while that is 0 or more; its Vg field is empty.
// Arithmetic faults of the model raise tubemath::ArithmeticError; more than kMaxExportRows rows
// (or bias-line steps) raise ExportTooLargeError.
std::string CurveFamilyCsv(const tubemath::WiredModel& tube, const PlotSettings& settings,
                           const Overlays& overlays);
// The tube at its own screen voltage (WiredAtItsScreen).
std::string CurveFamilyCsv(const Tube& tube, const PlotSettings& settings,
                           const Overlays& overlays);

// Writes CurveFamilyCsv to `path` atomically; FileError when it cannot be written.
void ExportCurveCsv(const std::string& path, const tubemath::WiredModel& tube,
                    const PlotSettings& settings, const Overlays& overlays);
void ExportCurveCsv(const std::string& path, const Tube& tube, const PlotSettings& settings,
                    const Overlays& overlays);

} // namespace valvescope::exports
