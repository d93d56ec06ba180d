// What the measurement readers share: lines, cells, numbers and the growing list of points with
// its error messages. Internal to the measure library.
#pragma once

#include "core/measure/measurements.h"

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace valvescope::measure {

struct TextLine {
    std::string_view text; // without its line end
    std::size_t number;    // counted from 1
};

// The lines of `text`, ended by LF, CRLF or a lone CR, after a UTF-8 byte order mark if any.
std::vector<TextLine> SplitLines(std::string_view text);

std::string_view Trimmed(std::string_view text);
bool IsBlank(std::string_view text);
std::vector<std::string_view> SplitOnWhitespace(std::string_view text);

// Cell text for a message: at most a few dozen characters, control characters as '?'.
std::string Quoted(std::string_view text);

// The points read so far, and the errors every reader raises.
class PointCollector {
public:
    explicit PointCollector(const std::string& fileName) : fileName_(fileName) {}

    [[noreturn]] void Fail(std::size_t line, const std::string& what) const;

    // The cell as a finite number; with `decimalComma` a comma reads as the decimal point.
    double Number(std::string_view cell, std::string_view column, std::size_t line,
                  bool decimalComma = false) const;

    void Add(const MeasuredPoint& point, std::size_t line);

    // The points, or an error when there are none.
    MeasuredPoints Take();

private:
    std::string fileName_;
    MeasuredPoints points_;
};

// A tracer table's header: the names "Point Curve Ia Is Vg Va Vs Vf" in this order and nothing
// else, each perhaps followed by its unit in parentheses, attached ("Ia(mA)") or as the next word
// ("Ia (mA)").
bool IsTracerHeader(std::string_view line);

// The rows after a tracer table's header; with `skipUnmeasured` a row with a negative Ia is
// left out (uTmax's mark for a point it did not measure).
void ReadTracerRows(std::span<const TextLine> rows, bool skipUnmeasured, PointCollector& points);

// A CSV table: its header line, then the rows.
void ReadCsvTable(const TextLine& header, std::span<const TextLine> rows, PointCollector& points);

} // namespace valvescope::measure
