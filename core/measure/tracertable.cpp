// The tables of the uTracer and uTmax curve tracers: eight whitespace-separated numbers a row.
#include "core/measure/measurementtext.h"

#include <algorithm>
#include <array>

namespace valvescope::measure {

namespace {

constexpr std::array<std::string_view, 8> kColumns = {"Point", "Curve", "Ia", "Is",
                                                      "Vg",    "Va",    "Vs", "Vf"};
constexpr std::size_t kIa = 2;
constexpr std::size_t kIs = 3;
constexpr std::size_t kVg = 4;
constexpr std::size_t kVa = 5;
constexpr std::size_t kVs = 6;
constexpr double kMilliamperesPerAmpere = 1000;

} // namespace

bool IsTracerHeader(std::string_view line) {
    std::vector<std::string_view> names;
    for (std::string_view word : SplitOnWhitespace(line)) {
        // "Ia (mA)" or "Ia(mA)": the unit is not part of the name.
        word = word.substr(0, word.find('('));
        if (!word.empty())
            names.push_back(word);
    }
    return std::equal(names.begin(), names.end(), kColumns.begin(), kColumns.end());
}

void ReadTracerRows(std::span<const TextLine> rows, bool skipUnmeasured, PointCollector& points) {
    std::array<double, kColumns.size()> values{};
    for (const TextLine& row : rows) {
        const std::vector<std::string_view> cells = SplitOnWhitespace(row.text);
        if (cells.empty())
            continue;
        if (cells.size() != kColumns.size())
            points.Fail(row.number, "expected " + std::to_string(kColumns.size()) +
                                        " columns, found " + std::to_string(cells.size()));
        for (std::size_t i = 0; i < cells.size(); ++i)
            values[i] = points.Number(cells[i], kColumns[i], row.number);
        if (skipUnmeasured && values[kIa] < 0)
            continue;
        points.Add({values[kVg], values[kVa], values[kIa] / kMilliamperesPerAmpere, values[kVs],
                    values[kIs] / kMilliamperesPerAmpere, true},
                   row.number);
    }
}

} // namespace valvescope::measure
