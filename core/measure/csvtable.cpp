// Comma- or semicolon-separated tables with a header line naming Vg, Va and Ia.
#include "core/measure/measurementtext.h"

#include <algorithm>
#include <array>

namespace valvescope::measure {

namespace {

bool IsBlankChar(char c) {
    return c == ' ' || c == '\t';
}

// The separator the header uses most, outside quotes: a semicolon or else a comma.
char SeparatorOf(std::string_view header) {
    std::size_t commas = 0;
    std::size_t semicolons = 0;
    bool quoted = false;
    for (const char c : header) {
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && c == ',')
            ++commas;
        else if (!quoted && c == ';')
            ++semicolons;
    }
    return semicolons > commas ? ';' : ',';
}

// A cell in double quotes from `at` (the opening quote); "" inside stands for one quote.
// Leaves `at` after the closing quote and any blanks.
std::string QuotedCell(std::string_view line, std::size_t& at, std::size_t number,
                       const PointCollector& points) {
    std::string cell;
    for (++at;; ++at) {
        if (at >= line.size())
            points.Fail(number, "a quote is not closed");
        if (line[at] == '"') {
            if (at + 1 < line.size() && line[at + 1] == '"') {
                ++at;
            } else {
                ++at;
                break;
            }
        }
        cell += line[at];
    }
    while (at < line.size() && IsBlankChar(line[at]))
        ++at;
    return cell;
}

std::vector<std::string> SplitCells(std::string_view line, char separator, std::size_t number,
                                    const PointCollector& points) {
    std::vector<std::string> cells;
    std::size_t at = 0;
    for (;;) {
        std::size_t start = at;
        while (start < line.size() && IsBlankChar(line[start]))
            ++start;
        if (start < line.size() && line[start] == '"') {
            at = start;
            cells.push_back(QuotedCell(line, at, number, points));
            if (at < line.size() && line[at] != separator)
                points.Fail(number, "text after the closing quote of a cell");
        } else {
            at = std::min(line.find(separator, start), line.size());
            cells.emplace_back(Trimmed(line.substr(start, at - start)));
        }
        if (at >= line.size())
            return cells;
        ++at; // past the separator
    }
}

bool SameLetters(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [&](char x, char y) { return lower(x) == lower(y); });
}

struct Column {
    std::string_view name;
    std::size_t index = 0;
    bool found = false;
    double divisor = 1; // from the file's unit to the model's
};

// What a number in `unit` is divided by to give volts or amperes; 0 for a unit the column
// cannot have. Without a unit Ia is in mA, as the curve tracers write it.
double Divisor(std::string_view column, std::string_view unit) {
    if (column == "Ia") {
        if (unit.empty() || unit == "mA")
            return 1000;
        if (unit == "A")
            return 1;
        if (unit == "uA" || unit == "\u00B5A" || unit == "\u03BCA")
            return 1e6;
        return 0;
    }
    return unit.empty() || unit == "V" ? 1 : 0;
}

// Finds Vg, Va and Ia among the header cells ("Ia (mA)", "Va [V]" or plain "Vg").
std::array<Column, 3> HeaderColumns(const std::vector<std::string>& cells, std::size_t number,
                                    const PointCollector& points) {
    std::array<Column, 3> columns{{{"Vg"}, {"Va"}, {"Ia"}}};
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const std::string_view cell = cells[i];
        const std::size_t open = std::min(cell.find_first_of("(["), cell.size());
        const std::string_view name = Trimmed(cell.substr(0, open));
        std::string_view unit = cell.substr(std::min(open + 1, cell.size()));
        unit = Trimmed(unit.substr(0, unit.find_first_of(")]")));
        for (Column& column : columns) {
            if (!SameLetters(name, column.name))
                continue;
            if (column.found)
                points.Fail(number, "more than one column named " + std::string(column.name));
            column.divisor = Divisor(column.name, unit);
            if (column.divisor == 0)
                points.Fail(number, "unknown unit " + Quoted(unit) + " for column " +
                                        std::string(column.name));
            column.index = i;
            column.found = true;
        }
    }
    if (std::none_of(columns.begin(), columns.end(), [](const Column& c) { return c.found; }))
        points.Fail(number, "not a measurement file: expected a uTracer or uTmax table, or a "
                            "header line naming Vg, Va and Ia");
    for (const Column& column : columns) {
        if (!column.found)
            points.Fail(number, "no column named " + std::string(column.name));
    }
    return columns;
}

} // namespace

void ReadCsvTable(const TextLine& header, std::span<const TextLine> rows, PointCollector& points) {
    const char separator = SeparatorOf(header.text);
    const std::vector<std::string> names =
        SplitCells(header.text, separator, header.number, points);
    const std::array<Column, 3> columns = HeaderColumns(names, header.number, points);
    // With semicolons between the cells a comma can only be a decimal comma.
    const bool decimalComma = separator == ';';
    std::array<double, 3> values{};
    for (const TextLine& row : rows) {
        if (IsBlank(row.text))
            continue;
        const std::vector<std::string> cells = SplitCells(row.text, separator, row.number, points);
        // A spreadsheet writes an empty row as separators alone.
        if (std::all_of(cells.begin(), cells.end(), [](const std::string& c) { return c.empty(); }))
            continue;
        if (cells.size() != names.size())
            points.Fail(row.number, "expected " + std::to_string(names.size()) +
                                        " columns, found " + std::to_string(cells.size()));
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const Column& column = columns[i];
            values[i] = points.Number(cells[column.index], column.name, row.number, decimalComma) /
                        column.divisor;
        }
        points.Add({values[0], values[1], values[2]}, row.number);
    }
}

} // namespace valvescope::measure
