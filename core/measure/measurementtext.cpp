#include "core/measure/measurementtext.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>
#include <utility>

namespace valvescope::measure {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::size_t kLongestQuote = 40;

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

} // namespace

std::vector<TextLine> SplitLines(std::string_view text) {
    if (text.starts_with(kByteOrderMark))
        text.remove_prefix(kByteOrderMark.size());
    std::vector<TextLine> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\n' && text[i] != '\r')
            continue;
        lines.push_back({text.substr(start, i - start), lines.size() + 1});
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.push_back({text.substr(start), lines.size() + 1});
    return lines;
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

bool IsBlank(std::string_view text) {
    return Trimmed(text).empty();
}

std::vector<std::string_view> SplitOnWhitespace(std::string_view text) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && IsSpace(text[i]))
            ++i;
        const std::size_t start = i;
        while (i < text.size() && !IsSpace(text[i]))
            ++i;
        if (i > start)
            words.push_back(text.substr(start, i - start));
    }
    return words;
}

std::string Quoted(std::string_view text) {
    std::string quoted = "'";
    for (const char c : text.substr(0, kLongestQuote)) {
        const auto byte = static_cast<unsigned char>(c);
        quoted += byte < 0x20 || byte == 0x7F ? '?' : c;
    }
    return quoted + (text.size() > kLongestQuote ? "...'" : "'");
}

void PointCollector::Fail(std::size_t line, const std::string& what) const {
    throw MeasurementFileError(fileName_ + ":" + std::to_string(line) + ": " + what);
}

double PointCollector::Number(std::string_view cell, std::string_view column, std::size_t line,
                              bool decimalComma) const {
    std::string_view digits = cell;
    std::string withPoint;
    if (decimalComma && cell.find(',') != std::string_view::npos) {
        withPoint = cell;
        std::replace(withPoint.begin(), withPoint.end(), ',', '.');
        digits = withPoint;
    }
    // from_chars takes no plus sign; a spreadsheet may write one.
    if (digits.size() > 1 && digits[0] == '+' && digits[1] != '-')
        digits.remove_prefix(1);
    double value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    const auto fail = [&](const char* problem) {
        Fail(line, Quoted(cell) + problem + " in column " + std::string(column));
    };
    if (error == std::errc::invalid_argument || end != digits.data() + digits.size())
        fail(" is not a number");
    if (error == std::errc::result_out_of_range)
        fail(" is out of range");
    if (!std::isfinite(value))
        fail(" is not a finite number");
    // Adding zero turns -0 into 0, so that "-0.00" and "0.00" are one grid voltage.
    return value + 0.0;
}

void PointCollector::Add(const MeasuredPoint& point, std::size_t line) {
    if (points_.size() == kMaxMeasuredPoints)
        Fail(line, "more than " + std::to_string(kMaxMeasuredPoints) + " measured points");
    points_.push_back(point);
}

MeasuredPoints PointCollector::Take() {
    if (points_.empty())
        throw MeasurementFileError(fileName_ + ": no measured points");
    return std::move(points_);
}

} // namespace valvescope::measure
