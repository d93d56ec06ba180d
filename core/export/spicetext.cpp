#include "core/export/spicetext.h"

#include <cmath>
#include <cstdint>
#include <stdexcept>

namespace valvescope::exports {

namespace {

constexpr int kPowerOfTwoChunk = 26;

// ngspice 39 rewrites every number of a B-source expression with 11 significant digits and reads
// it back as an 11-digit whole number times a power of ten. Only 11-digit whole numbers
// (10^10 to 10^11) come through that exactly in every case; "15" comes back as
// 15.000000000000002. So a whole number n up to 2^27 is written as (2^34 + n) - 2^34, both of
// them 11-digit numbers, and larger ones are put together from such parts with exact * and +.
constexpr std::uint64_t kOffset = std::uint64_t{1} << 34; // 17179869184
constexpr int kPartBits = 27;

std::string WholeNumber(std::uint64_t value) {
    if (value == 0)
        return "0";
    if (value <= (std::uint64_t{1} << kPartBits))
        return "(" + std::to_string(kOffset + value) + "-" + std::to_string(kOffset) + ")";
    const std::uint64_t low = value & ((std::uint64_t{1} << kPartBits) - 1);
    std::string text =
        "(" + WholeNumber(value >> kPartBits) + "*" + WholeNumber(std::uint64_t{1} << kPartBits);
    if (low != 0)
        text += "+" + WholeNumber(low);
    return text + ")";
}

// A whole number times or divided by powers of two, each step exact. Quotients by other numbers
// are avoided: 87/10 would be one correctly rounded division, but not all simulators round
// every division correctly.
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
    return BinaryForm(magnitude);
}

} // namespace

std::string ExactNumber(double value) {
    if (!std::isfinite(value))
        throw std::invalid_argument("a SPICE expression cannot carry an infinity or a NaN");
    if (value == 0)
        return "0";
    const std::string magnitude = MagnitudeText(std::fabs(value));
    std::string text(value > 0 ? "(" : "(-");
    text.append(magnitude);
    text.push_back(')');
    return text;
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
    if ((first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z'))
        return result;
    std::string prefixed(1, 'T');
    prefixed.append(result);
    return prefixed;
}

} // namespace valvescope::exports
