// Seven arbitrary box texts through the settings intake. The outcome must be what a plain
// reading of the texts gives: the settings, a silent stop, or the conversion error for the
// first text that does not read, with that text between the quotes and the fields before it
// stored, the rest untouched.
//
// Input layout: the seven texts one after another, each ended by a zero byte.
#include "core/settings/intake.h"
#include "core/settings/numbertext.h"
#include "formats/formats.h"

#include <array>
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace {

using valvescope::PlotSettings;
using valvescope::SettingsTexts;

constexpr std::size_t kTextCount = 7;

[[noreturn]] void Fail(const char* what, std::string_view detail) {
    std::fprintf(stderr, "%s: '%.*s'\n", what, static_cast<int>(detail.size()), detail.data());
    std::abort();
}

// Texts end at a zero byte, as the message of a conversion error does; bytes after the
// seventh text are left over.
std::array<std::string, kTextCount> SplitTexts(const std::uint8_t* data, std::size_t size) {
    std::array<std::string, kTextCount> texts;
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    for (std::string& text : texts) {
        const std::size_t end = rest.find('\0');
        text = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
    return texts;
}

bool InBlankOrZeroList(std::string_view text) {
    static constexpr std::array<std::string_view, 19> list = {
        "",     " ",     "-",      "-.",      ".",        "0",       "0.",
        ".0",   ".00",   ".000",   ".0000",   ".00000",   ".000000", "0.0",
        "0.00", "0.000", "0.0000", "0.00000", "0.000000",
    };
    for (const std::string_view entry : list) {
        if (text == entry)
            return true;
    }
    return false;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::size_t DigitsFrom(std::string_view text, std::size_t at) {
    while (at < text.size() && IsDigit(text[at]))
        ++at;
    return at;
}

std::string_view WithoutLeadingBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    return first == std::string_view::npos ? std::string_view() : text.substr(first);
}

// Blanks, a sign, digits only, within 32 bits.
std::optional<std::int32_t> ReferenceWhole(std::string_view text) {
    text = WithoutLeadingBlanks(text);
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '+' || text[0] == '-'))
        text.remove_prefix(1);
    if (text.empty() || DigitsFrom(text, 0) != text.size())
        return std::nullopt;
    std::int64_t magnitude = 0;
    for (const char digit : text) {
        magnitude = magnitude * 10 + (digit - '0');
        if (magnitude > std::int64_t{1} << 31)
            return std::nullopt;
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value > INT32_MAX)
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

// Sign, digits, point, digits, exponent; at least one digit or the point before the exponent.
bool IsDecimalSyntax(std::string_view body) {
    std::size_t at = !body.empty() && (body[0] == '+' || body[0] == '-') ? 1 : 0;
    const std::size_t mantissaStart = at;
    at = DigitsFrom(body, at);
    if (at < body.size() && body[at] == '.')
        at = DigitsFrom(body, at + 1);
    if (at == mantissaStart)
        return false;
    if (at < body.size() && (body[at] == 'e' || body[at] == 'E')) {
        ++at;
        if (at < body.size() && (body[at] == '+' || body[at] == '-'))
            ++at;
        const std::size_t exponentStart = at;
        at = DigitsFrom(body, at);
        if (at == exponentStart)
            return false;
    }
    return at == body.size();
}

// A decimal reading as strtod gives it; values too large for a double do not read. `tiny`
// is set for a non-zero value that falls into or below the subnormal range.
std::optional<double> ReferenceDecimal(std::string_view text, bool& tiny) {
    tiny = false;
    std::string_view body = WithoutLeadingBlanks(text);
    body = body.substr(0, body.find_last_not_of(' ') + 1);
    if (!IsDecimalSyntax(body))
        return std::nullopt;
    const std::string_view unsigned_ = body.substr(body[0] == '+' || body[0] == '-' ? 1 : 0);
    if (unsigned_ == "." || unsigned_.substr(0, 2) == ".e" || unsigned_.substr(0, 2) == ".E")
        return body[0] == '-' ? -0.0 : 0.0; // a lone point reads as zero
    const std::string copy(body);
    errno = 0;
    const double value = std::strtod(copy.c_str(), nullptr);
    if (std::isinf(value))
        return std::nullopt;
    tiny = errno == ERANGE || (value != 0 && std::fabs(value) < DBL_MIN);
    return value;
}

bool SameDecimal(double expected, bool tiny, double actual) {
    return tiny ? std::fabs(actual) < DBL_MIN : expected == actual;
}

// What the intake should do with the texts, field by field.
struct Expectation {
    bool silent = false;
    std::optional<std::string> message;
    PlotSettings settings;
    std::array<bool, kTextCount> tiny = {};
};

std::string NotInteger(const std::string& text) {
    return "'" + text + "' is not a valid integer value";
}

std::string NotFloat(const std::string& text) {
    return "'" + text + "' is not a valid floating point value";
}

// Fields in the order the intake stores them; whole numbers at 0, 2 and 3.
bool IsWholeField(std::size_t field) {
    return field == 0 || field == 2 || field == 3;
}

// Reads field `field` into `settings`; false when the text does not read.
bool StoreReference(std::size_t field, const std::string& text, PlotSettings& settings,
                    bool& tiny) {
    if (IsWholeField(field)) {
        const std::optional<std::int32_t> whole = ReferenceWhole(text);
        if (!whole)
            return false;
        std::int32_t* targets[] = {&settings.GridLineCount, nullptr, &settings.EndI,
                                   &settings.EndV};
        *targets[field] = *whole;
        return true;
    }
    const std::optional<double> decimal = ReferenceDecimal(text, tiny);
    if (!decimal)
        return false;
    double* targets[] = {nullptr,      &settings.GridStep, nullptr,        nullptr,
                         &settings.Ra, &settings.Rk,       &settings.BPlus};
    *targets[field] = *decimal;
    return true;
}

Expectation Expect(const std::array<std::string, kTextCount>& texts, const PlotSettings& before) {
    Expectation expectation;
    expectation.settings = before;
    for (const std::size_t field : {0, 1, 2, 3, 4}) {
        if (InBlankOrZeroList(texts[field])) {
            expectation.silent = true;
            return expectation;
        }
    }
    bool tiny = false;
    if (InBlankOrZeroList(texts[5]) && !ReferenceDecimal(texts[5], tiny)) {
        expectation.message = NotFloat(texts[5]);
        return expectation;
    }
    if (InBlankOrZeroList(texts[6])) {
        expectation.silent = true;
        return expectation;
    }
    for (std::size_t field = 0; field < kTextCount; ++field) {
        if (!StoreReference(field, texts[field], expectation.settings, expectation.tiny[field])) {
            expectation.message =
                IsWholeField(field) ? NotInteger(texts[field]) : NotFloat(texts[field]);
            return expectation;
        }
    }
    return expectation;
}

void CheckSettings(const Expectation& expected, const PlotSettings& actual,
                   const std::string& input) {
    const PlotSettings& want = expected.settings;
    const bool same = want.GridLineCount == actual.GridLineCount &&
                      SameDecimal(want.GridStep, expected.tiny[1], actual.GridStep) &&
                      want.EndI == actual.EndI && want.EndV == actual.EndV &&
                      SameDecimal(want.Ra, expected.tiny[4], actual.Ra) &&
                      SameDecimal(want.Rk, expected.tiny[5], actual.Rk) &&
                      SameDecimal(want.BPlus, expected.tiny[6], actual.BPlus);
    if (!same)
        Fail("settings differ from a plain reading", input);
}

// After a successful intake the captions come from the same end values.
void CheckCaptions(const SettingsTexts& texts, const PlotSettings& settings) {
    const auto voltage = valvescope::VoltageCaptions(texts.EndV);
    if (!voltage || (*voltage)[9] != formats::FormatVolts(settings.EndV))
        Fail("voltage captions disagree with End V", texts.EndV);
    const auto current = valvescope::CurrentCaptions(texts.EndI);
    if (!current || current->EndI != settings.EndI ||
        current->Captions[4] != formats::FormatAmps(settings.EndI / 1000.0))
        Fail("current captions disagree with End I", texts.EndI);
}

// Odd values, so that a field the intake wrongly left alone is unlikely to look stored.
PlotSettings Sentinels() {
    PlotSettings settings;
    settings.GridLineCount = -777001;
    settings.GridStep = -777.002;
    settings.EndI = -777003;
    settings.EndV = -777004;
    settings.Ra = -777.005;
    settings.Rk = -777.006;
    settings.BPlus = -777.007;
    return settings;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::array<std::string, kTextCount> texts = SplitTexts(data, size);
    for (std::string& text : texts) {
        text = valvescope::WithPointSeparator(text);
        if (text.find(',') != std::string::npos)
            Fail("comma left after normalising", text);
    }
    const SettingsTexts settingsTexts{texts[0], texts[1], texts[2], texts[3],
                                      texts[4], texts[5], texts[6]};
    const std::string input(reinterpret_cast<const char*>(data), size);

    const PlotSettings before = Sentinels();
    const Expectation expected = Expect(texts, before);
    PlotSettings settings = before;
    bool accepted = false;
    try {
        accepted = valvescope::TakeSettings(settingsTexts, settings);
    } catch (const valvescope::ConversionError& error) {
        if (!expected.message || *expected.message != error.what())
            Fail("unexpected conversion error", error.what());
        CheckSettings(expected, settings, input);
        return 0;
    }
    if (expected.message)
        Fail("missing conversion error", *expected.message);
    if (accepted == expected.silent)
        Fail(accepted ? "accepted a blank-or-zero text" : "silent stop on good texts", input);
    CheckSettings(expected, settings, input);
    if (accepted)
        CheckCaptions(settingsTexts, settings);
    return 0;
}
