// Engineering-unit number texts. Every formatter picks a band by the size of its value,
// scales the value to the band's prefix at extended precision and writes it under a picture.
#include "formats/formats.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>

namespace formats {

namespace {

char decimalSeparator = '.';

// The decimal digits of a magnitude: 0.d1 d2 ... dn times ten to the power pointPosition.
// No digits at all means zero.
struct DecimalDigits {
    static constexpr int Capacity = 19; // 18 digits plus room for a carry
    char digits[Capacity] = {};
    int count = 0;
    int pointPosition = 0;
};

constexpr int SignificantDigits = 18;
constexpr int GeneralDigits = 15;
constexpr int LargestPicturedPointPosition = 18; // magnitudes below 1e18

// The magnitude of a finite value to 18 significant digits, the last rounded to nearest
// with ties to even (as the standard conversion rounds the exact binary value).
DecimalDigits SignificantDigitsOf(long double x) {
    DecimalDigits result;
    const long double magnitude = std::fabs(x);
    if (magnitude == 0.0L) {
        return result;
    }
    char text[64];
    const auto converted = std::to_chars(text, text + sizeof text, magnitude,
                                         std::chars_format::scientific, SignificantDigits - 1);
    const char* position = text;
    for (; position != converted.ptr && *position != 'e'; ++position) {
        if (*position >= '0' && *position <= '9' && result.count < SignificantDigits) {
            result.digits[result.count++] = *position;
        }
    }
    int exponent = 0;
    if (position != converted.ptr) {
        ++position; // the 'e'
        const bool negativeExponent = *position == '-';
        ++position; // its sign
        std::from_chars(position, converted.ptr, exponent);
        if (negativeExponent) {
            exponent = -exponent;
        }
    }
    result.pointPosition = exponent + 1;
    return result;
}

void DropTrailingZeros(DecimalDigits& number) {
    while (number.count > 0 && number.digits[number.count - 1] == '0') {
        --number.count;
    }
}

// Keeps the first `kept` digits; when the first digit cut off is 5 or more the kept digits
// go up by one, so halves go away from zero. Trailing zeros are dropped afterwards.
void CutToDigits(DecimalDigits& number, int kept) {
    if (kept >= number.count) {
        DropTrailingZeros(number);
        return;
    }
    if (kept < 0) {
        number.count = 0; // the first digit cut off is a leading zero
        return;
    }
    const bool roundsUp = number.digits[kept] >= '5';
    number.count = kept;
    if (roundsUp) {
        int index = kept - 1;
        while (index >= 0 && number.digits[index] == '9') {
            number.digits[index--] = '0';
        }
        if (index >= 0) {
            ++number.digits[index];
        } else {
            // Every kept digit carried over (or none was kept): the number is now 1 followed by
            // zeros, one place further left.
            number.digits[0] = '1';
            number.count = 1;
            ++number.pointPosition;
        }
    }
    DropTrailingZeros(number);
}

std::string NonFiniteText(long double x) {
    if (std::isnan(x)) {
        return "NAN";
    }
    return std::signbit(x) ? "-INF" : "INF";
}

struct PictureLayout {
    int fractionPlaces = 0;
    int forcedIntegerPlaces = 0;
    int forcedFractionPlaces = 0;
};

bool IsPlace(char c) {
    return c == '#' || c == '0';
}

PictureLayout LayoutOf(std::string_view picture) {
    PictureLayout layout;
    const std::size_t point = picture.find('.');
    const std::string_view integerPart = picture.substr(0, point);
    const std::string_view fractionPart =
        point == std::string_view::npos ? std::string_view() : picture.substr(point + 1);

    bool forcing = false;
    for (const char c : integerPart) {
        forcing = forcing || c == '0';
        if (forcing && IsPlace(c)) {
            ++layout.forcedIntegerPlaces;
        }
    }
    for (const char c : fractionPart) {
        if (IsPlace(c)) {
            ++layout.fractionPlaces;
            if (c == '0') {
                layout.forcedFractionPlaces = layout.fractionPlaces;
            }
        }
    }
    return layout;
}

void AppendIntegerDigits(std::string& text, const DecimalDigits& number, int forcedPlaces) {
    const int ownDigits = number.count > 0 && number.pointPosition > 0 ? number.pointPosition : 0;
    if (forcedPlaces > ownDigits) {
        text.append(static_cast<std::size_t>(forcedPlaces - ownDigits), '0');
    }
    for (int index = 0; index < ownDigits; ++index) {
        text += index < number.count ? number.digits[index] : '0';
    }
}

void AppendFractionDigits(std::string& text, const DecimalDigits& number, int forcedPlaces) {
    std::string fraction;
    if (number.count > 0) {
        if (number.pointPosition < 0) {
            fraction.append(static_cast<std::size_t>(-number.pointPosition), '0');
        }
        for (int index = number.pointPosition < 0 ? 0 : number.pointPosition; index < number.count;
             ++index) {
            fraction += number.digits[index];
        }
    }
    if (static_cast<int>(fraction.size()) < forcedPlaces) {
        fraction.append(static_cast<std::size_t>(forcedPlaces) - fraction.size(), '0');
    }
    if (!fraction.empty()) {
        text += decimalSeparator;
        text += fraction;
    }
}

std::string Scientific(const DecimalDigits& number) {
    std::string text(1, number.digits[0]);
    if (number.count > 1) {
        text += decimalSeparator;
        text.append(number.digits + 1, number.digits + number.count);
    }
    text += 'E';
    text += std::to_string(number.pointPosition - 1);
    return text;
}

std::string SmallFixed(const DecimalDigits& number) {
    std::string text = "0";
    text += decimalSeparator;
    text.append(static_cast<std::size_t>(-number.pointPosition), '0');
    text.append(number.digits, number.digits + number.count);
    return text;
}

std::string LargeFixed(const DecimalDigits& number) {
    std::string text;
    for (int index = 0; index < number.pointPosition; ++index) {
        text += index < number.count ? number.digits[index] : '0';
    }
    if (number.count > number.pointPosition) {
        text += decimalSeparator;
        text.append(number.digits + number.pointPosition, number.digits + number.count);
    }
    return text;
}

// Every point in a fixed text stands for the decimal point: a whole three-digit reading is
// written "249. v", with the point and no decimals.
std::string WithSeparator(std::string text) {
    std::replace(text.begin(), text.end(), '.', decimalSeparator);
    return text;
}

// Scaled values stay at extended precision on their way to the picture.
std::string Pictured(std::string_view picture, long double number, const char* suffix) {
    return FormatPicture(picture, number) + WithSeparator(suffix);
}

bool AtLeast(long double x, long double threshold) {
    return std::fabs(x) >= threshold;
}

} // namespace

void SetDecimalSeparator(char separator) {
    decimalSeparator = separator;
}

char DecimalSeparator() {
    return decimalSeparator;
}

std::string FormatPicture(std::string_view picture, long double x) {
    if (!std::isfinite(x)) {
        return NonFiniteText(x);
    }
    const PictureLayout layout = LayoutOf(picture);
    DecimalDigits number = SignificantDigitsOf(x);
    CutToDigits(number, number.pointPosition + layout.fractionPlaces);
    if (number.count > 0 && number.pointPosition > LargestPicturedPointPosition) {
        return FormatGeneral(x);
    }
    std::string text;
    if (number.count > 0 && std::signbit(x)) {
        text += '-';
    }
    AppendIntegerDigits(text, number, layout.forcedIntegerPlaces);
    AppendFractionDigits(text, number, layout.forcedFractionPlaces);
    return text;
}

std::string FormatGeneral(long double x) {
    if (!std::isfinite(x)) {
        return NonFiniteText(x);
    }
    DecimalDigits number = SignificantDigitsOf(x);
    CutToDigits(number, GeneralDigits);
    if (number.count == 0) {
        return "0";
    }
    const std::string sign = std::signbit(x) ? "-" : "";
    if (number.pointPosition > GeneralDigits || number.pointPosition < -3) {
        return sign + Scientific(number);
    }
    if (number.pointPosition <= 0) {
        return sign + SmallFixed(number);
    }
    return sign + LargeFixed(number);
}

namespace {

// How a band's test reads the value: its magnitude at or above the threshold, the signed value
// at or above it, exactly zero, or always (the last band).
enum class Test { MagnitudeAtLeast, ValueAtLeast, IsZero, Otherwise };

// The scaled number a band writes: thousands, units, thousandths or millions.
enum class Scale { Kilo, Unit, Milli, Mega };

// One band of a formatter. A band without a picture writes the general form.
struct Band {
    Test test;
    long double threshold;
    const char* picture;
    Scale scale;
    const char* suffix;
};

bool Holds(const Band& band, long double v) {
    switch (band.test) {
    case Test::MagnitudeAtLeast:
        return AtLeast(v, band.threshold);
    case Test::ValueAtLeast:
        return v >= band.threshold;
    case Test::IsZero:
        return v == 0.0L;
    case Test::Otherwise:
        return true;
    }
    return true;
}

long double Scaled(Scale scale, long double v) {
    switch (scale) {
    case Scale::Kilo:
        return v / 1000.0L;
    case Scale::Unit:
        return v;
    case Scale::Milli:
        return v * 1000.0L;
    case Scale::Mega:
        return v / 1000000.0L;
    }
    return v;
}

// The first band whose test holds writes the value. Thresholds are compared, and the scaled
// number computed, at extended precision; a band stays the band even where rounding carries the
// number past its upper threshold.
template <std::size_t N> std::string ByBands(const Band (&bands)[N], long double v) {
    if (!std::isfinite(v)) {
        return NonFiniteText(v);
    }
    for (const Band& band : bands) {
        if (Holds(band, v)) {
            const long double number = Scaled(band.scale, v);
            return band.picture == nullptr ? FormatGeneral(number)
                                           : Pictured(band.picture, number, band.suffix);
        }
    }
    return {};
}

using enum Test;
using enum Scale;

// clang-format off

constexpr Band VoltsBands[] = {
    {MagnitudeAtLeast, 100000.0L, "#", Kilo, " kv"},
    {MagnitudeAtLeast, 10000.0L, "#.#", Kilo, " kv"},
    {MagnitudeAtLeast, 1000.0L, "#.##", Kilo, " kv"},
    {MagnitudeAtLeast, 100.0L, "#", Unit, " v"},
    {MagnitudeAtLeast, 10.0L, "#.#", Unit, " v"},
    {MagnitudeAtLeast, 0.1L, "0.##", Unit, " v"},
    {IsZero, 0.0L, "0", Unit, " v"},
    {Otherwise, 0.0L, "0", Milli, " mv"},
};

// Below 0.1 V only the positive readings from a microvolt up get a band; zero and the rest share
// one fixed text.
constexpr Band VoltsReadoutBands[] = {
    {MagnitudeAtLeast, 100000.0L, "#", Kilo, " kv"},
    {MagnitudeAtLeast, 10000.0L, "#.#", Kilo, " kv"},
    {MagnitudeAtLeast, 1000.0L, "#.##", Kilo, " kv"},
    {MagnitudeAtLeast, 100.0L, "#", Unit, ". v"},
    {MagnitudeAtLeast, 10.0L, "#.0", Unit, " v"},
    {MagnitudeAtLeast, 0.1L, "0.00", Unit, " v"},
    {ValueAtLeast, 0.000001L, "0", Milli, " mv"},
};
constexpr const char* SmallVoltsReadout = " 0.00 v";

constexpr Band AmpsBands[] = {
    {MagnitudeAtLeast, 1000.0L, "#.##", Kilo, " kA"},
    {MagnitudeAtLeast, 100.0L, "#", Unit, " A"},
    {MagnitudeAtLeast, 10.0L, "#.#", Unit, " A"},
    {MagnitudeAtLeast, 1.0L, "#.##", Unit, " A"},
    {IsZero, 0.0L, "0", Unit, " A"},
    {MagnitudeAtLeast, 0.1L, "#", Milli, " mA"},
    {MagnitudeAtLeast, 0.01L, "#.#", Milli, " mA"},
    {Otherwise, 0.0L, "#.##", Milli, " mA"},
};

constexpr Band AmpsReadoutBands[] = {
    {MagnitudeAtLeast, 1000.0L, "#.##", Kilo, " kA"},
    {MagnitudeAtLeast, 100.0L, "#", Unit, " A"},
    {MagnitudeAtLeast, 10.0L, "#.#", Unit, " A"},
    {MagnitudeAtLeast, 1.0L, "#.##", Unit, " A"},
    {IsZero, 0.0L, "0", Unit, " A"},
    {MagnitudeAtLeast, 0.1L, "#", Milli, ". ma"},
    {MagnitudeAtLeast, 0.01L, "#.0", Milli, " ma"},
    {Otherwise, 0.0L, "#.00", Milli, " ma"},
};

constexpr Band WattsBands[] = {
    {MagnitudeAtLeast, 10000.0L, "#.#", Kilo, " kw"},
    {MagnitudeAtLeast, 1000.0L, "#.##", Kilo, " kw"},
    {MagnitudeAtLeast, 100.0L, "#", Unit, ". w"},
    {MagnitudeAtLeast, 10.0L, "#.0", Unit, " w"},
    {MagnitudeAtLeast, 1.0L, "#.00", Unit, " w"},
    {IsZero, 0.0L, "0", Unit, " w"},
    {Otherwise, 0.0L, "#", Milli, " mw"},
};

// Signed tests: a negative resistance always lands in the last band.
constexpr Band OhmsBands[] = {
    {ValueAtLeast, 1000000.0L, "#.##", Mega, " m"},
    {ValueAtLeast, 100000.0L, "#", Kilo, ". k"},
    {ValueAtLeast, 10000.0L, "#.0", Kilo, " k"},
    {ValueAtLeast, 1000.0L, "#.00", Kilo, " k"},
    {ValueAtLeast, 100.0L, "#", Unit, ". ohm"},
    {ValueAtLeast, 10.0L, "#.0", Unit, " ohm"},
    {Otherwise, 0.0L, "0.00", Unit, " ohm"},
};

constexpr Band ValueBands[] = {
    {MagnitudeAtLeast, 10000.0L, "#.#", Kilo, " K"},
    {MagnitudeAtLeast, 1000.0L, "#.##", Kilo, " K"},
    {MagnitudeAtLeast, 100.0L, "#", Unit, ""},
    {MagnitudeAtLeast, 10.0L, "#.#", Unit, ""},
    {MagnitudeAtLeast, 1.0L, "#.##", Unit, ""},
    {MagnitudeAtLeast, 0.1L, "0.###", Unit, ""},
    {MagnitudeAtLeast, 0.01L, "0.####", Unit, ""},
    {MagnitudeAtLeast, 0.001L, "0.#####", Unit, ""},
    {MagnitudeAtLeast, 0.0001L, "0.######", Unit, ""},
    {Otherwise, 0.0L, nullptr, Unit, ""},
};

constexpr Band ValueReadoutBands[] = {
    {MagnitudeAtLeast, 10000.0L, "#.#", Kilo, " K"},
    {MagnitudeAtLeast, 1000.0L, "#.##", Kilo, " K"},
    {MagnitudeAtLeast, 100.0L, "#", Unit, ""},
    {MagnitudeAtLeast, 10.0L, "#.0", Unit, ""},
    {MagnitudeAtLeast, 1.0L, "#.00", Unit, ""},
    {MagnitudeAtLeast, 0.1L, "0.0#", Unit, ""},
    {MagnitudeAtLeast, 0.01L, ".00#", Unit, ""},
    {MagnitudeAtLeast, 0.001L, ".000#", Unit, ""},
    {MagnitudeAtLeast, 0.0001L, ".0000#", Unit, ""},
    {Otherwise, 0.0L, nullptr, Unit, ""},
};

// clang-format on

} // namespace

std::string FormatVolts(double x) {
    return ByBands(VoltsBands, x);
}

// Positive readings get a leading blank where negative ones carry their minus sign, so that
// the readout does not jump sideways as the sign changes.
std::string FormatVoltsReadout(double x) {
    const long double v = x;
    if (!std::isfinite(v)) {
        return NonFiniteText(v);
    }
    std::string text = ByBands(VoltsReadoutBands, v);
    if (text.empty()) {
        return WithSeparator(SmallVoltsReadout);
    }
    if (v > 0.000001L) {
        text.insert(text.begin(), ' ');
    }
    return text;
}

std::string FormatAmps(double x) {
    return ByBands(AmpsBands, x);
}

std::string FormatAmpsReadout(double x) {
    return ByBands(AmpsReadoutBands, x);
}

std::string FormatWatts(double x) {
    return ByBands(WattsBands, x);
}

std::string FormatOhms(double x) {
    return ByBands(OhmsBands, x);
}

std::string FormatValue(long double x) {
    return ByBands(ValueBands, x);
}

std::string FormatValueReadout(long double x) {
    return ByBands(ValueReadoutBands, x);
}

} // namespace formats
