#include "core/tubeedit/tubefields.h"

#include "core/settings/intake.h"
#include "core/settings/numbertext.h"
#include "model/tubemodels.h"

#include <charconv>
#include <cmath>

namespace valvescope {

namespace {

using tubemath::ModelConstant;
using tubemath::ModelKind;
using tubemath::TubeParams;

constexpr std::size_t kFitConstantFields = 7; // the seed's constants before its ratings

TubeNumberField Constant(const char* key, const char* caption, const char* hint,
                         double TubeParams::*member) {
    return {key, caption, hint, member, std::nullopt, nullptr, 1, false};
}

TubeNumberField Rating(const char* key, const char* caption, const char* hint,
                       std::optional<double> TubeRatings::*member, double scale) {
    return {key, caption, hint, nullptr, std::nullopt, member, scale, false};
}

// A constant of Koren's or Reefman's models, keyed by its name in tube files.
TubeNumberField Named(ModelKind kind, ModelConstant constant) {
    using C = ModelConstant;
    const char* key = tubemath::ConstantName(constant).data(); // names are literals
    TubeNumberField field{key, key, "", nullptr, constant, nullptr, 1, false};
    switch (constant) {
    case C::Mu:
        field.Hint = "Amplification factor";
        break;
    case C::Ex:
        field.Hint = "Law exponent of the cathode current";
        break;
    case C::Kg1:
        field.Hint = "Divisor of the plate current";
        break;
    case C::Kg2:
        field.Hint = "Divisor of the screen current";
        break;
    case C::Kp:
        field.Hint = "Softness of the cut-off";
        break;
    case C::Kvb:
        if (kind == ModelKind::KorenPentode) {
            field.Caption = "kvb (V)";
            field.Hint = "Plate volts of the knee, in atan(Va / kvb)";
        } else {
            field.Caption = "kvb (V\u00b2)";
            field.Hint = "Knee of the curves, V\u00b2 beside the square of the voltage";
        }
        break;
    case C::A:
        field.Caption = "a (1/V)";
        field.Hint = "Rise of the plate current with plate voltage";
        field.ZeroAllowed = true;
        break;
    case C::AlphaS:
        field.Hint = "Share of the current the screen takes at low plate voltage";
        field.ZeroAllowed = true;
        break;
    case C::Beta:
        field.Caption = "beta (1/V)";
        field.Hint = "How fast that share falls with plate voltage";
        break;
    }
    return field;
}

std::vector<TubeNumberField> FieldsOf(ModelKind kind) {
    if (kind == ModelKind::Seed) {
        return {kTubeNumberFields.begin(), kTubeNumberFields.end()};
    }
    std::vector<TubeNumberField> fields;
    for (const ModelConstant constant : tubemath::ConstantsOf(kind)) {
        fields.push_back(Named(kind, constant));
    }
    for (std::size_t i = kFitConstantFields; i < kTubeNumberFields.size(); ++i) {
        fields.push_back(kTubeNumberFields[i]);
    }
    if (tubemath::HasScreen(kind)) {
        fields.push_back(
            Rating("Psmax", "Psmax (W)", "Maximum screen dissipation", &TubeRatings::Psmax, 1));
    }
    return fields;
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

std::span<const TubeNumberField> TubeNumberFields(ModelKind kind) {
    static const std::array<std::vector<TubeNumberField>, 5> fields = {
        FieldsOf(ModelKind::Seed), FieldsOf(ModelKind::KorenTriode),
        FieldsOf(ModelKind::KorenPentode), FieldsOf(ModelKind::Derk), FieldsOf(ModelKind::DerkE)};
    return fields[static_cast<std::size_t>(kind)];
}

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
    std::optional<double> value;
    if (field.Constant) {
        value = tube.Model.Seed.*field.Constant;
    } else if (field.Named) {
        value = tube.Model.Constants[*field.Named];
    } else {
        value = tube.Ratings.*field.Rating;
    }
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
    for (const TubeNumberField& field : TubeNumberFields(tube.Model.Kind)) {
        const std::optional<double> value = FieldValue(tube, field);
        texts.Numbers.push_back(value ? FieldNumberText(*value) : std::string());
    }
    return texts;
}

NumberFieldValue ReadNumberField(const std::string& text, bool zeroAllowed) {
    if (IsBlank(text)) {
        return {std::nullopt, "a number is needed"};
    }
    double value = 0;
    try {
        value = ReadDecimalNumber(WithPointSeparator(text));
    } catch (const ConversionError&) {
        return {std::nullopt, "'" + text + "' is not a number"};
    }
    if (zeroAllowed && std::isfinite(value) && value == 0) {
        return {0.0, {}}; // -0 too, as 0
    }
    if (!std::isfinite(value) || !(value > 0)) {
        return {std::nullopt,
                zeroAllowed ? "must be a number not below zero" : "must be a number above zero"};
    }
    return {value, {}};
}

namespace {

void Store(Tube& tube, const TubeNumberField& field, double value) {
    if (field.Constant) {
        tube.Model.Seed.*field.Constant = value;
    } else if (field.Named) {
        tube.Model.Constants[*field.Named] = value;
    } else {
        tube.Ratings.*field.Rating = value;
    }
}

} // namespace

TubeFieldReading ReadTubeFields(const TubeFieldTexts& texts, const Tube& current) {
    const TubeFieldTexts shown = FieldTextsOf(current);
    const std::span<const TubeNumberField> fields = TubeNumberFields(current.Model.Kind);
    TubeFieldReading reading{current, {}, std::vector<std::string>(fields.size())};
    if (IsBlank(texts.Name)) {
        reading.NameProblem = "a name is needed";
    } else {
        reading.Read.Name = texts.Name;
    }
    for (std::size_t i = 0; i < fields.size() && i < texts.Numbers.size(); ++i) {
        const TubeNumberField& field = fields[i];
        if (texts.Numbers[i] == shown.Numbers[i]) {
            continue; // untouched: the exact value, not one that went through its text
        }
        if (field.Rating && IsBlank(texts.Numbers[i])) {
            reading.Read.Ratings.*field.Rating = std::nullopt;
            continue;
        }
        const NumberFieldValue number = ReadNumberField(texts.Numbers[i], field.ZeroAllowed);
        if (!number.Value) {
            reading.Problems[i] = number.Problem;
            continue;
        }
        const double value = *number.Value / field.Scale;
        if (!std::isfinite(value) || !(value > 0 || (field.ZeroAllowed && value == 0))) {
            reading.Problems[i] = "must be a number above zero";
        } else {
            Store(reading.Read, field, value);
        }
    }
    return reading;
}

} // namespace valvescope
