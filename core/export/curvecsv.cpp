#include "core/export/curvecsv.h"

#include "core/export/familygrid.h"
#include "core/io/atomicfile.h"
#include "core/plot/plotcurve.h"
#include "model/checkedmath.h"

#include "formats/exactnumber.h"

#include <cmath>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace valvescope::exports {

namespace {

using tubemath::checked::Add;
using tubemath::checked::Div;
using tubemath::checked::Mul;
using tubemath::checked::Sub;

// Bias-line steps per milliamp.
constexpr std::int64_t kBiasStepsPerMilliamp = 100;

// A field as RFC 4180 wants it: quoted, with quotes doubled, only where it holds a comma, a
// quote or a line break.
std::string Field(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos)
        return std::string(text);
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c;
        if (c == '"')
            quoted += '"';
    }
    return quoted + "\"";
}

// Zero of either sign is written "0": the bias line's first grid voltage is -Rk x 0.
std::string Number(double value) {
    return formats::SeventeenDigits(value == 0 ? 0.0 : value);
}

class CsvRows {
public:
    // A point; the load line has no grid voltage and leaves that field empty.
    void Add(std::string_view series, std::optional<double> vg, double va, double ipMilliamps) {
        text_ += Field(series) + ',' + (vg ? Number(*vg) : "") + ',' + Number(va) + ',' +
                 Number(ipMilliamps) + "\r\n";
    }
    std::string Take() { return std::move(text_); }

private:
    std::string text_ = "Series,Vg (V),Va (V),Ip (mA)\r\n";
};

void RequireRows(std::uint64_t rows) {
    if (rows > kMaxExportRows) {
        throw ExportTooLargeError("The curve data would have " + std::to_string(rows) +
                                  " rows; an export takes at most " +
                                  std::to_string(kMaxExportRows) + ".");
    }
}

void Curves(CsvRows& rows, const tubemath::WiredModel& tube,
            const std::vector<double>& gridVoltages, std::int32_t endV) {
    for (const double vg : gridVoltages) {
        const PlotCurve curve(tube, vg);
        for (std::int64_t volts = 0; volts <= endV; ++volts) {
            double current = curve.PlateCurrentAt(static_cast<double>(volts));
            if (!(current >= 0))
                current = 0;
            rows.Add("curve", vg, static_cast<double>(volts), Mul(current, 1000));
        }
    }
}

// The plate voltage that draws `current` at `vg`: the seed's as tubemath::PlateVoltage gives it,
// any other model's from its inversion up to the highest plate voltage a row can have.
std::optional<double> PlateVoltageAt(const tubemath::WiredModel& tube, const PlotSettings& s,
                                     double vg, double current) {
    if (tube.Model.Kind == tubemath::ModelKind::Seed)
        return tubemath::PlateVoltage(tube.Model.Seed, vg, current);
    return tubemath::PlateVoltageFor(tube, current, vg, Sub(s.EndV, Mul(s.Rk, current)));
}

void BiasLine(CsvRows& rows, const tubemath::WiredModel& tube, const PlotSettings& s) {
    const std::int64_t steps = std::max<std::int64_t>(0, s.EndI) * kBiasStepsPerMilliamp;
    for (std::int64_t j = 0; j <= steps; ++j) {
        const double milliamps = static_cast<double>(j) / kBiasStepsPerMilliamp;
        const double current = static_cast<double>(j) / (kBiasStepsPerMilliamp * 1000);
        const double vg = Mul(-s.Rk, current);
        const std::optional<double> plate = PlateVoltageAt(tube, s, vg, current);
        if (!plate)
            continue;
        const double va = Add(*plate, Mul(s.Rk, current));
        if (va >= 0 && va <= s.EndV)
            rows.Add("bias", vg, va, milliamps);
    }
}

// The last whole volt of the load line: the lesser of B+ and End V; -1 for none.
std::int64_t LoadLineEnd(const PlotSettings& s) {
    if (!(s.BPlus >= 0) || s.EndV < 0)
        return -1;
    if (s.BPlus >= s.EndV)
        return s.EndV;
    return static_cast<std::int64_t>(std::floor(s.BPlus));
}

void LoadLine(CsvRows& rows, const PlotSettings& s) {
    const std::int64_t end = LoadLineEnd(s);
    for (std::int64_t volts = 0; volts <= end; ++volts) {
        const auto va = static_cast<double>(volts);
        const double milliamps = Mul(Div(Sub(s.BPlus, va), s.Ra), 1000);
        if (!(milliamps >= 0))
            break;
        rows.Add("load", std::nullopt, va, milliamps);
    }
}

} // namespace

std::string CurveFamilyCsv(const tubemath::WiredModel& tube, const PlotSettings& settings,
                           const Overlays& overlays) {
    const std::vector<double> gridVoltages = FamilyGridVoltages(settings);
    const std::uint64_t pointsPerCurve = settings.EndV >= 0 ? std::uint64_t(settings.EndV) + 1 : 0;
    std::uint64_t rows = gridVoltages.size() * pointsPerCurve;
    if (overlays.Rk)
        rows += std::uint64_t(std::max<std::int64_t>(0, settings.EndI) * kBiasStepsPerMilliamp) + 1;
    if (overlays.LoadLine)
        rows += std::uint64_t(LoadLineEnd(settings) + 1);
    RequireRows(rows);

    CsvRows csv;
    Curves(csv, tube, gridVoltages, settings.EndV);
    if (overlays.Rk)
        BiasLine(csv, tube, settings);
    if (overlays.LoadLine)
        LoadLine(csv, settings);
    return csv.Take();
}

std::string CurveFamilyCsv(const Tube& tube, const PlotSettings& settings,
                           const Overlays& overlays) {
    return CurveFamilyCsv(WiredAtItsScreen(tube), settings, overlays);
}

void ExportCurveCsv(const std::string& path, const tubemath::WiredModel& tube,
                    const PlotSettings& settings, const Overlays& overlays) {
    WriteFileAtomically(path, CurveFamilyCsv(tube, settings, overlays));
}

void ExportCurveCsv(const std::string& path, const Tube& tube, const PlotSettings& settings,
                    const Overlays& overlays) {
    ExportCurveCsv(path, WiredAtItsScreen(tube), settings, overlays);
}

} // namespace valvescope::exports
