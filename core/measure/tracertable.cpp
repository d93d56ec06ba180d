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

// "(mA)": a unit in parentheses, nothing else inside them.
bool IsUnit(std::string_view text) {
    return text.size() >= 2 && text.front() == '(' && text.back() == ')' &&
           text.substr(1, text.size() - 2).find_first_of("()") == std::string_view::npos;
}

} // namespace

bool IsTracerHeader(std::string_view line) {
    const std::vector<std::string_view> words = SplitOnWhitespace(line);
    std::size_t column = 0;
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (column == kColumns.size())
            return false;
        const std::string_view name = kColumns[column++];
        std::string_view word = words[i];
        if (!word.starts_with(name))
            return false;
        word.remove_prefix(name.size());
        // "Ia(mA)" or "Ia (mA)": at most one unit after each name.
        if (word.empty() && i + 1 < words.size() && IsUnit(words[i + 1]))
            ++i;
        else if (!word.empty() && !IsUnit(word))
            return false;
    }
    return column == kColumns.size();
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
