#include "formats/sitext.h"

#include "formats/formats.h"

#include <array>
#include <charconv>
#include <cmath>

namespace formats {

namespace {

std::string WithUnit(std::string number, std::string_view unit) {
    if (!unit.empty()) {
        number += ' ';
        number += unit;
    }
    return number;
}

std::string NotFinite(double x) {
    return std::isnan(x) ? "NAN" : x > 0 ? "INF" : "-INF";
}

// The number with `decimals` decimals, whatever the C locale, then the readouts' separator.
std::string Fixed(double x, int decimals) {
    std::array<char, 400> text{};
    const auto written = std::to_chars(text.data(), text.data() + text.size(), x,
                                       std::chars_format::fixed, decimals);
    std::string result(text.data(), written.ptr);
    for (char& c : result) {
        if (c == '.') {
            c = DecimalSeparator();
        }
    }
    return result;
}

struct Prefix {
    double scale;
    const char* text;
};

// From the smallest: a number below the first row's scale keeps it, one past the last keeps M.
constexpr std::array<Prefix, 7> kPrefixes{{
    {1e-12, "p"},
    {1e-9, "n"},
    {1e-6, "µ"},
    {1e-3, "m"},
    {1, ""},
    {1e3, "k"},
    {1e6, "M"},
}};

} // namespace

std::string FormatSi(double x, std::string_view unit) {
    if (!std::isfinite(x)) {
        return WithUnit(NotFinite(x), unit);
    }
    if (x == 0) {
        return WithUnit("0" + std::string(1, DecimalSeparator()) + "00", unit);
    }
    const double size = std::fabs(x);
    std::size_t row = 0;
    // The row whose scaled number, once rounded to three digits, stays below 1000.
    while (row + 1 < kPrefixes.size() && size >= kPrefixes[row + 1].scale * 0.9995) {
        ++row;
    }
    const double scaled = x / kPrefixes[row].scale;
    const double rounded = std::fabs(scaled);
    const int decimals = rounded >= 99.95 ? 0 : rounded >= 9.995 ? 1 : 2;
    return WithUnit(Fixed(scaled, decimals), std::string(kPrefixes[row].text) + std::string(unit));
}

std::string FormatFixed(double x, int decimals, std::string_view unit) {
    if (!std::isfinite(x)) {
        return WithUnit(NotFinite(x), unit);
    }
    return WithUnit(Fixed(x, decimals), unit);
}

} // namespace formats
