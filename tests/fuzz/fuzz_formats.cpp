// Feeds arbitrary numbers to every formatter: 80-bit values taken ten bytes at a time, and the
// 64-bit values made of the same bytes. Every text must be short, made of digits, signs,
// blanks, the separator and unit letters, and agree with the value it was written for.
//
// Input layout: byte 0 picks the decimal separator, byte 1 the length of a picture whose
// places follow (one byte each), then ten bytes per value.
#include "formats/formats.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

constexpr std::size_t kValueBytes = 10;
constexpr std::size_t kLongestPicture = 40;
// Longest fixed-picture text: sign, 18 integer digits, separator, then the fraction; the
// general form needs fewer.
constexpr std::size_t kPictureOverhead = 24;
constexpr std::size_t kLongestText = 64;

[[noreturn]] void Fail(const char* what, std::string_view text, long double x) {
    std::fprintf(stderr, "%s: '%.*s' for %.21Lg\n", what, static_cast<int>(text.size()),
                 text.data(), x);
    std::abort();
}

// The x87 format stores its integer bit; an encoding where it disagrees with the exponent is
// no number the program can produce, so it is set the way arithmetic would set it.
long double LongDoubleFrom(const std::uint8_t* bytes) {
    std::uint8_t raw[sizeof(long double)] = {};
    std::memcpy(raw, bytes, kValueBytes);
    const bool exponentZero = raw[8] == 0 && (raw[9] & 0x7F) == 0;
    raw[7] = exponentZero ? raw[7] & 0x7F : raw[7] | 0x80;
    long double x;
    std::memcpy(&x, raw, sizeof x);
    return x;
}

// The 80-bit value as a 64-bit one; beyond the 64-bit range it becomes an infinity.
double Narrowed(long double x) {
    if (std::fabs(x) > DBL_MAX)
        return std::signbit(x) ? -HUGE_VAL : HUGE_VAL;
    return static_cast<double>(x);
}

double DoubleFrom(const std::uint8_t* bytes) {
    double x;
    std::memcpy(&x, bytes, sizeof x);
    return x;
}

// '#', '0' and at most one '.', from the input bytes.
std::string PictureFrom(const std::uint8_t* bytes, std::size_t size) {
    std::string picture;
    bool pointSeen = false;
    for (std::size_t i = 0; i < size; ++i) {
        const int kind = bytes[i] % 3;
        if (kind == 2 && !pointSeen) {
            picture += '.';
            pointSeen = true;
        } else {
            picture += kind == 1 ? '0' : '#';
        }
    }
    return picture;
}

bool IsUnitLetter(char c) {
    return std::string_view("kvmwaohAKINFE").find(c) != std::string_view::npos;
}

// The alphabet of every formatter's text, a minus sign only in front or in an exponent, and
// at most one separator.
void CheckCharacters(std::string_view text, long double x) {
    const char separator = formats::DecimalSeparator();
    int separators = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == separator) {
            ++separators;
        } else if (c == '-') {
            if (i != 0 && text[i - 1] != 'E')
                Fail("misplaced minus sign", text, x);
        } else if (!(c >= '0' && c <= '9') && c != ' ' && !IsUnitLetter(c)) {
            Fail("unexpected character", text, x);
        }
    }
    if (separators > 1)
        Fail("more than one separator", text, x);
}

// Infinities and NaN are the whole text "INF", "-INF" or "NAN".
void CheckNonFinite(std::string_view text, long double x) {
    const std::string_view expected = std::isnan(x) ? "NAN" : std::signbit(x) ? "-INF" : "INF";
    if (text != expected)
        Fail("non-finite value written wrongly", text, x);
}

void CheckFormatter(const std::string& text, long double x) {
    if (!std::isfinite(x)) {
        CheckNonFinite(text, x);
        return;
    }
    if (text.size() >= kLongestText)
        Fail("text too long", text, x);
    CheckCharacters(text, x);
    if (!text.empty() && text[0] == '-' && !(x < 0))
        Fail("minus sign on a value that is not negative", text, x);
}

// The text read back as a number, with the separator taken as a point.
long double ReadBack(std::string text) {
    for (char& c : text) {
        if (c == formats::DecimalSeparator())
            c = '.';
    }
    if (text.empty())
        return 0;
    char* end = nullptr;
    const long double value = std::strtold(text.c_str(), &end);
    if (end != text.c_str() + text.size())
        Fail("text does not read back", text, value);
    return value;
}

// 15 significant digits: the text lies within a few units of the 15th digit of the value.
void CheckGeneral(long double x) {
    const std::string text = formats::FormatGeneral(x);
    CheckFormatter(text, x);
    if (!std::isfinite(x))
        return;
    const long double back = ReadBack(text);
    if (std::isinf(back))
        return; // rounded to 15 digits above the largest 80-bit value
    if (std::fabs(back - x) > std::fabs(x) * 1e-14L)
        Fail("general form far from its value", text, x);
}

int FractionPlaces(std::string_view picture) {
    const std::size_t point = picture.find('.');
    return point == std::string_view::npos ? 0 : static_cast<int>(picture.size() - point - 1);
}

// Rounded to the picture's places (or written in general form beyond 1e18).
void CheckPicture(std::string_view picture, long double x) {
    const std::string text = formats::FormatPicture(picture, x);
    if (!std::isfinite(x)) {
        CheckNonFinite(text, x);
        return;
    }
    if (text.size() > picture.size() + kPictureOverhead)
        Fail("picture text too long", text, x);
    CheckCharacters(text, x);
    if (!text.empty() && text[0] == '-' && !(x < 0))
        Fail("minus sign on a value that is not negative", text, x);
    const long double back = ReadBack(text);
    if (std::isinf(back))
        return;
    const long double halfPlace = 0.5L * std::pow(10.0L, -FractionPlaces(picture));
    const long double tolerance = text.find('E') != std::string::npos
                                      ? std::fabs(x) * 1e-14L
                                      : halfPlace * 1.000001L + std::fabs(x) * 1e-16L;
    if (std::fabs(back - x) > tolerance)
        Fail("pictured text far from its value", text, x);
}

void CheckDouble(double x) {
    CheckFormatter(formats::FormatVolts(x), x);
    CheckFormatter(formats::FormatVoltsReadout(x), x);
    CheckFormatter(formats::FormatAmps(x), x);
    CheckFormatter(formats::FormatAmpsReadout(x), x);
    CheckFormatter(formats::FormatWatts(x), x);
    CheckFormatter(formats::FormatOhms(x), x);
}

void CheckLongDouble(long double x, std::string_view picture) {
    CheckFormatter(formats::FormatValue(x), x);
    CheckFormatter(formats::FormatValueReadout(x), x);
    CheckGeneral(x);
    CheckPicture(picture, x);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    formats::SetDecimalSeparator((data[0] & 1) != 0 ? ',' : '.');
    const std::size_t pictureSize = std::min<std::size_t>(data[1] % kLongestPicture, size - 2);
    const std::string picture = PictureFrom(data + 2, pictureSize);
    for (std::size_t at = 2 + pictureSize; at + kValueBytes <= size; at += kValueBytes) {
        const long double wide = LongDoubleFrom(data + at);
        const double narrow = DoubleFrom(data + at);
        CheckDouble(narrow);
        CheckDouble(Narrowed(wide));
        CheckLongDouble(wide, picture);
        CheckLongDouble(narrow, picture);
    }
    return 0;
}
