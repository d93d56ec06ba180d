// Arbitrary bytes as a measurement file. Reading gives points or MeasurementFileError naming the
// file; any other exception ends the run. Every point is finite, and a uTmax table (a header
// line before the table) never gives a negative plate current. The grid voltages are the
// points' own, distinct and falling.
#include "core/measure/measurements.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using valvescope::MeasuredPoints;

constexpr std::size_t kLongestMessage = 400;

[[noreturn]] void Fail(const char* what, std::string_view detail) {
    std::fprintf(stderr, "%s: %.*s\n", what, static_cast<int>(detail.size()), detail.data());
    std::abort();
}

// The first line that holds more than blanks, without a byte order mark.
std::string_view FirstLine(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    for (;;) {
        const std::size_t end = std::min(text.find_first_of("\r\n"), text.size());
        const std::string_view line = text.substr(0, end);
        if (line.find_first_not_of(" \t\v\f") != std::string_view::npos || end == text.size())
            return line;
        text.remove_prefix(end + 1);
    }
}

// The table's header: the eight names in order, each perhaps followed by a unit in parentheses
// ("Ia(mA)" or "Ia (mA)"), and nothing else. Checked here by taking the units out first.
bool IsTableHeader(std::string_view line) {
    std::string names;
    bool unitAllowed = false;
    std::size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == '(') {
            const std::size_t close = line.find_first_of("() \t\v\f", i + 1);
            if (!unitAllowed || close == std::string_view::npos || line[close] != ')')
                return false;
            unitAllowed = false;
            i = close + 1;
            continue;
        }
        if (c == ')')
            return false;
        const bool blank = c == ' ' || c == '\t' || c == '\v' || c == '\f';
        if (!blank) {
            // A name's letters: a unit may follow it; the next name needs a blank first.
            if (!unitAllowed && !names.empty() && names.back() != ' ')
                return false;
            names += c;
            unitAllowed = true;
        } else if (!names.empty() && names.back() != ' ') {
            names += ' ';
        }
        ++i;
    }
    while (!names.empty() && names.back() == ' ')
        names.pop_back();
    return names == "Point Curve Ia Is Vg Va Vs Vf";
}

// A file that reads and whose first line has no CSV separator must be a curve tracer's table;
// unless that line is the table's header itself, it is a uTmax file.
bool IsUTmax(std::string_view text) {
    const std::string_view first = FirstLine(text);
    return first.find_first_of(",;") == std::string_view::npos && !IsTableHeader(first);
}

void CheckGridVoltages(const MeasuredPoints& points) {
    const std::vector<double> voltages = valvescope::MeasuredGridVoltages(points);
    for (std::size_t i = 1; i < voltages.size(); ++i) {
        if (!(voltages[i - 1] > voltages[i]))
            Fail("grid voltages not distinct and falling", "");
    }
    for (const auto& point : points) {
        if (std::find(voltages.begin(), voltages.end(), point.Vg) == voltages.end())
            Fail("a point's grid voltage is missing", "");
    }
    for (double v : voltages) {
        if (std::none_of(points.begin(), points.end(), [v](const auto& p) { return p.Vg == v; }))
            Fail("a grid voltage no point has", "");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    MeasuredPoints points;
    try {
        points = valvescope::ReadMeasurements(text, "fuzz.csv");
    } catch (const valvescope::MeasurementFileError& error) {
        const std::string_view message = error.what();
        if (!message.starts_with("fuzz.csv") || message.size() > kLongestMessage)
            Fail("badly formed message", message);
        return 0;
    }
    if (points.empty() || points.size() > valvescope::kMaxMeasuredPoints)
        Fail("no points or too many without an error", text);
    const bool uTmax = IsUTmax(text);
    for (const auto& point : points) {
        if (!std::isfinite(point.Vg) || !std::isfinite(point.Va) || !std::isfinite(point.Ia))
            Fail("a point that is not finite", text);
        if (uTmax && point.Ia < 0)
            Fail("a uTmax point that was not measured", text);
    }
    CheckGridVoltages(points);
    return 0;
}
