#include "core/measure/measurements.h"
#include "core/measure/measurementtext.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <system_error>

namespace valvescope {

namespace {

// How far down a uTmax file's table header may come after its header lines.
constexpr std::size_t kLongestPreamble = 16;

} // namespace

MeasuredPoints ReadMeasurements(std::string_view text, const std::string& fileName) {
    using namespace measure;
    const std::vector<TextLine> lines = SplitLines(text);
    const auto first = std::find_if(lines.begin(), lines.end(),
                                    [](const TextLine& line) { return !IsBlank(line.text); });
    if (first == lines.end())
        throw MeasurementFileError(fileName + ": the file is empty");

    PointCollector points(fileName);
    const std::span<const TextLine> all(lines);
    const std::size_t start = static_cast<std::size_t>(first - lines.begin());
    const std::size_t searchEnd = std::min(lines.size(), start + kLongestPreamble);
    for (std::size_t i = start; i < searchEnd; ++i) {
        if (IsTracerHeader(lines[i].text)) {
            // The uTracer starts with its table; the uTmax writes a few lines before it.
            const bool uTmax = i != start;
            ReadTracerRows(all.subspan(i + 1), uTmax, points);
            return points.Take();
        }
    }
    ReadCsvTable(lines[start], all.subspan(start + 1), points);
    return points.Take();
}

MeasuredPoints ReadMeasurementFile(const std::string& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (!error && size > kMaxMeasurementFileBytes)
        throw MeasurementFileError(path + ": the file is larger than " +
                                   std::to_string(kMaxMeasurementFileBytes >> 20) +
                                   " MB, too large for a measurement file");
    return ReadMeasurements(ReadWholeFile(path, kMaxMeasurementFileBytes), path);
}

std::vector<double> MeasuredGridVoltages(const MeasuredPoints& points) {
    std::vector<double> voltages;
    voltages.reserve(points.size());
    for (const MeasuredPoint& point : points) {
        if (std::isfinite(point.Vg))
            voltages.push_back(point.Vg);
    }
    std::sort(voltages.begin(), voltages.end(), std::greater<>());
    voltages.erase(std::unique(voltages.begin(), voltages.end()), voltages.end());
    return voltages;
}

} // namespace valvescope
