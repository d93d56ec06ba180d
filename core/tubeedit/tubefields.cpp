#include "core/tubeedit/tubefields.h"

#include "core/settings/intake.h"
#include "core/settings/numbertext.h"

#include <charconv>
#include <cmath>

namespace valvescope {

namespace {

using tubemath::TubeParams;

TubeNumberField Constant(const char* key, const char* caption, const char* hint,
                         double TubeParams::*member) {
    return {key, caption, hint, member, nullptr, 1};
}

TubeNumberField Rating(const char* key, const char* caption, const char* hint,
                       std::optional<double> TubeRatings::*member, double scale) {
    return {key, caption, hint, nullptr, member, scale};
}

bool IsBlank(const std::string& text) {
    return text.find_first_not_of(" \t") == std::string::npos;
}

} // namespace

const std::array<TubeNumberField, kTubeNumberFieldCount> kTubeNumberFields{{
    Constant("MuExponent", "MuExponent", "Exponent of |Vg| in the fall of the amplification factor",
             &TubeParams::MuExponent),
    Constant("ExponentSlope", "ExponentSlope (V)", "Grid volts per unit change of the law exponent",
             &TubeParams::ExponentSlope),
    Constant("GridDecade", "GridDecade (V)", "Grid volts per decade of the current coefficient",
             &TubeParams::GridDecade),
    Constant("KneeFactor", "KneeFactor", "Multiplier of the perveance for the knee current",
             &TubeParams::KneeFactor),
    Constant("MuZero", "MuZero", "Amplification factor at zero grid voltage", &TubeParams::MuZero),
    Constant("Perveance", "Perveance",
             "Current coefficient at zero grid voltage, A per V^LawExponent",
             &TubeParams::Perveance),
    Constant("LawExponent", "LawExponent", "Law exponent at zero grid voltage",
             &TubeParams::LawExponent),
    Rating("Imax", "Imax (mA)", "Maximum plate current", &TubeRatings::Imax, 1000),
    Rating("Vmax", "Vmax (V)", "Maximum plate voltage", &TubeRatings::Vmax, 1),
    Rating("Pmax", "Pmax (W)", "Maximum plate dissipation", &TubeRatings::Pmax, 1),
}};

bool TubeFieldReading::AllRead() const {
    if (!NameProblem.empty()) {
        return false;
    }
    for (const std::string& problem : Problems) {
        if (!problem.empty()) {
            return false;
        }
    }
    return true;
}

std::optional<double> FieldValue(const Tube& tube, const TubeNumberField& field) {
    const std::optional<double> value =
        field.Constant ? tube.Model.Seed.*field.Constant : tube.Ratings.*field.Rating;
    return value ? std::optional<double>(*value * field.Scale) : std::nullopt;
}

std::string FieldNumberText(double value) {
    char buffer[40];
    const auto end =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
    return std::string(buffer, end.ptr);
}

TubeFieldTexts FieldTextsOf(const Tube& tube) {
    TubeFieldTexts texts;
    texts.Name = tube.Name;
    for (std::size_t i = 0; i < kTubeNumberFields.size(); ++i) {
        const std::optional<double> value = FieldValue(tube, kTubeNumberFields[i]);
        texts.Numbers[i] = value ? FieldNumberText(*value) : std::string();
    }
    return texts;
}

NumberFieldValue ReadNumberField(const std::string& text) {
    if (IsBlank(text)) {
        return {std::nullopt, "a number is needed"};
    }
    double value = 0;
    try {
        value = ReadDecimalNumber(WithPointSeparator(text));
    } catch (const ConversionError&) {
        return {std::nullopt, "'" + text + "' is not a number"};
    }
    if (!std::isfinite(value) || !(value > 0)) {
        return {std::nullopt, "must be a number above zero"};
    }
    return {value, {}};
}

TubeFieldReading ReadTubeFields(const TubeFieldTexts& texts, const Tube& current) {
    const TubeFieldTexts shown = FieldTextsOf(current);
    TubeFieldReading reading{current, {}, {}};
    if (IsBlank(texts.Name)) {
        reading.NameProblem = "a name is needed";
    } else {
        reading.Read.Name = texts.Name;
    }
    for (std::size_t i = 0; i < kTubeNumberFields.size(); ++i) {
        const TubeNumberField& field = kTubeNumberFields[i];
        if (texts.Numbers[i] == shown.Numbers[i]) {
            continue; // untouched: the exact value, not one that went through its text
        }
        if (field.Rating && IsBlank(texts.Numbers[i])) {
            reading.Read.Ratings.*field.Rating = std::nullopt;
            continue;
        }
        const NumberFieldValue number = ReadNumberField(texts.Numbers[i]);
        if (!number.Value) {
            reading.Problems[i] = number.Problem;
            continue;
        }
        const double value = *number.Value / field.Scale;
        if (!std::isfinite(value) || !(value > 0)) {
            reading.Problems[i] = "must be a number above zero";
        } else if (field.Constant) {
            reading.Read.Model.Seed.*field.Constant = value;
        } else {
            reading.Read.Ratings.*field.Rating = value;
        }
    }
    return reading;
}

} // namespace valvescope
