#include "core/settings/numbertext.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>

namespace valvescope {

namespace {

constexpr std::array<std::string_view, 18> kBlankOrZeroTexts = {
    " ",     "-",      "-.",      ".",   "0",    "0.",    ".0",     ".00",     ".000",
    ".0000", ".00000", ".000000", "0.0", "0.00", "0.000", "0.0000", "0.00000", "0.000000",
};

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::size_t SkipBlanks(std::string_view text, std::size_t at) {
    while (at < text.size() && text[at] == ' ') {
        ++at;
    }
    return at;
}

std::size_t SkipDigits(std::string_view text, std::size_t at) {
    while (at < text.size() && IsDigit(text[at])) {
        ++at;
    }
    return at;
}

[[noreturn]] void RaiseNotInteger(const std::string& text) {
    throw ConversionError("'" + text + "' is not a valid integer value");
}

[[noreturn]] void RaiseNotFloat(const std::string& text) {
    throw ConversionError("'" + text + "' is not a valid floating point value");
}

// The pieces of a decimal text once its syntax has been checked.
struct DecimalParts {
    bool negative = false;
    std::string_view integerDigits;
    std::string_view fractionDigits;
    bool exponentNegative = false;
    std::string_view exponentDigits;
};

bool SplitDecimal(std::string_view text, DecimalParts& parts) {
    std::size_t at = SkipBlanks(text, 0);
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        parts.negative = text[at] == '-';
        ++at;
    }
    std::size_t digitsEnd = SkipDigits(text, at);
    parts.integerDigits = text.substr(at, digitsEnd - at);
    at = digitsEnd;
    bool hasPoint = at < text.size() && text[at] == '.';
    if (hasPoint) {
        ++at;
        digitsEnd = SkipDigits(text, at);
        parts.fractionDigits = text.substr(at, digitsEnd - at);
        at = digitsEnd;
    }
    if (!hasPoint && parts.integerDigits.empty()) {
        return false;
    }
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        ++at;
        if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
            parts.exponentNegative = text[at] == '-';
            ++at;
        }
        digitsEnd = SkipDigits(text, at);
        if (digitsEnd == at) {
            return false;
        }
        parts.exponentDigits = text.substr(at, digitsEnd - at);
        at = digitsEnd;
    }
    return SkipBlanks(text, at) == text.size();
}

bool AllZeros(std::string_view digits) {
    return digits.find_first_not_of('0') == digits.npos;
}

// The decimal exponent of the first significant digit (the exponent capped far beyond any
// double), which tells a value too small to hold from one too large to hold.
long LeadingDecimalExponent(const DecimalParts& parts) {
    constexpr long cap = 1000000;
    long exponent = 0;
    for (char digit : parts.exponentDigits) {
        exponent = std::min(cap, exponent * 10 + (digit - '0'));
    }
    if (parts.exponentNegative) {
        exponent = -exponent;
    }
    std::size_t firstInteger = parts.integerDigits.find_first_not_of('0');
    if (firstInteger != std::string_view::npos) {
        return exponent + static_cast<long>(parts.integerDigits.size() - firstInteger) - 1;
    }
    std::size_t firstFraction = parts.fractionDigits.find_first_not_of('0');
    return exponent - static_cast<long>(firstFraction) - 1;
}

} // namespace

bool IsBlankOrZero(std::string_view text) {
    if (text.empty()) {
        return true;
    }
    for (std::string_view blankOrZero : kBlankOrZeroTexts) {
        if (text == blankOrZero) {
            return true;
        }
    }
    return false;
}

std::int32_t ReadWholeNumber(const std::string& text) {
    std::size_t at = SkipBlanks(text, 0);
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    std::size_t digitsEnd = SkipDigits(text, at);
    if (digitsEnd == at || digitsEnd != text.size()) {
        RaiseNotInteger(text);
    }
    // Accumulate as a negative number so that the most negative 32-bit value fits.
    constexpr std::int64_t lowest = std::numeric_limits<std::int32_t>::min();
    std::int64_t value = 0;
    for (std::size_t i = at; i < digitsEnd; ++i) {
        value = value * 10 - (text[i] - '0');
        if (value < lowest) {
            RaiseNotInteger(text);
        }
    }
    if (!negative) {
        value = -value;
        if (value > std::numeric_limits<std::int32_t>::max()) {
            RaiseNotInteger(text);
        }
    }
    return static_cast<std::int32_t>(value);
}

double ReadDecimalNumber(const std::string& text) {
    DecimalParts parts;
    if (!SplitDecimal(text, parts)) {
        RaiseNotFloat(text);
    }
    double zero = parts.negative ? -0.0 : 0.0;
    if (AllZeros(parts.integerDigits) && AllZeros(parts.fractionDigits)) {
        return zero;
    }
    std::string plain;
    plain.reserve(text.size() + 4);
    plain.append(parts.integerDigits.empty() ? "0" : parts.integerDigits);
    plain.push_back('.');
    plain.append(parts.fractionDigits);
    if (!parts.exponentDigits.empty()) {
        plain.push_back('e');
        if (parts.exponentNegative) {
            plain.push_back('-');
        }
        plain.append(parts.exponentDigits);
    }
    double magnitude = 0;
    auto [end, error] = std::from_chars(plain.data(), plain.data() + plain.size(), magnitude);
    if (error == std::errc::result_out_of_range) {
        // Too small to tell from zero reads as zero; too large to hold does not read.
        if (LeadingDecimalExponent(parts) < 0) {
            return zero;
        }
        RaiseNotFloat(text);
    }
    if (error != std::errc{} || end != plain.data() + plain.size() || !std::isfinite(magnitude)) {
        RaiseNotFloat(text);
    }
    return parts.negative ? -magnitude : magnitude;
}

} // namespace valvescope
