#include "core/export/spicetext.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <system_error>

namespace valvescope::exports {

namespace {

constexpr std::uint64_t kExactWhole = std::uint64_t{1} << 53;
constexpr int kLargestExactPowerOfTen = 22; // 10^22 = 2^22 * 5^22 and 5^22 < 2^53
constexpr int kPowerOfTwoChunk = 52;

std::string WholeNumber(std::uint64_t value) {
    return std::to_string(value);
}

// The shortest decimal that reads back as `magnitude`, as a whole-number mantissa and an
// exponent of ten.
struct Decimal {
    std::uint64_t mantissa = 0;
    int exponent = 0;
};

std::optional<Decimal> ShortestDecimal(double magnitude) {
    char text[64];
    const auto [end, error] =
        std::to_chars(text, text + sizeof text, magnitude, std::chars_format::scientific);
    if (error != std::errc{})
        return std::nullopt;
    Decimal decimal;
    int fractionDigits = 0;
    bool inFraction = false;
    const char* at = text;
    for (; at != end && *at != 'e'; ++at) {
        if (*at == '.') {
            inFraction = true;
            continue;
        }
        if (decimal.mantissa > (kExactWhole - 9) / 10)
            return std::nullopt;
        decimal.mantissa = decimal.mantissa * 10 + static_cast<std::uint64_t>(*at - '0');
        fractionDigits += inFraction ? 1 : 0;
    }
    int power = 0;
    if (at != end) {
        const char* digits = at + 1;
        if (*digits == '+')
            ++digits;
        std::from_chars(digits, end, power);
    }
    decimal.exponent = power - fractionDigits;
    return decimal;
}

std::string PowerOfTen(int exponent) {
    return "1" + std::string(static_cast<std::size_t>(exponent), '0');
}

// Whole number times or divided by powers of two, for values no short decimal carries.
std::string BinaryForm(double magnitude) {
    int exponent = 0;
    const double fraction = std::frexp(magnitude, &exponent);
    auto mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
    exponent -= 53;
    while (mantissa % 2 == 0) {
        mantissa /= 2;
        ++exponent;
    }
    std::string text = WholeNumber(mantissa);
    const char op = exponent < 0 ? '/' : '*';
    for (int left = std::abs(exponent); left > 0; left -= kPowerOfTwoChunk) {
        const int chunk = left < kPowerOfTwoChunk ? left : kPowerOfTwoChunk;
        text += op + WholeNumber(std::uint64_t{1} << chunk);
    }
    return text;
}

std::string MagnitudeText(double magnitude) {
    if (magnitude < static_cast<double>(kExactWhole) && magnitude == std::floor(magnitude))
        return WholeNumber(static_cast<std::uint64_t>(magnitude));
    if (const auto decimal = ShortestDecimal(magnitude)) {
        // D / 10^k and D * 10^k of exact operands round once, to the double nearest the
        // decimal, which is `magnitude` itself.
        if (decimal->exponent < 0 && -decimal->exponent <= kLargestExactPowerOfTen)
            return WholeNumber(decimal->mantissa) + "/" + PowerOfTen(-decimal->exponent);
        if (decimal->exponent > 0 && decimal->exponent <= kLargestExactPowerOfTen)
            return WholeNumber(decimal->mantissa) + "*" + PowerOfTen(decimal->exponent);
    }
    return BinaryForm(magnitude);
}

} // namespace

std::string ExactNumber(double value) {
    if (!std::isfinite(value))
        throw std::invalid_argument("a SPICE expression cannot carry an infinity or a NaN");
    if (value == 0)
        return "0";
    const std::string magnitude = MagnitudeText(std::fabs(value));
    const bool plain = magnitude.find_first_of("*/") == std::string::npos;
    if (value > 0)
        return plain ? magnitude : "(" + magnitude + ")";
    return "(-" + magnitude + ")";
}

std::string SubcircuitName(std::string_view name) {
    std::string result;
    for (const char c : name) {
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        const bool digit = c >= '0' && c <= '9';
        result += letter || digit ? c : '_';
    }
    if (result.empty())
        return "TUBE";
    const char first = result.front();
    if (!((first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z')))
        result.insert(0, "T");
    return result;
}

} // namespace valvescope::exports
