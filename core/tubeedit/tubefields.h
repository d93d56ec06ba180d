// The tube as the Tube window edits it: the name, its model's constants and its ratings as
// texts, and those texts read back into a tube field by field. A field that does not read keeps
// the tube's value and says why; the others are taken. The fields follow the tube's model: the
// seed's seven constants, or the named constants of Koren's and Reefman's models; then Imax,
// Vmax and Pmax, and Psmax for a model with a screen grid.
#pragma once

#include "core/tube/tube.h"
#include "model/tubemath.h"
#include "model/tubemodels.h"

#include <array>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace valvescope {

// One number field: a constant or a rating, shown as its value times Scale.
struct TubeNumberField {
    const char* Key;     // as in tube files: "MuZero", "kg1", "Imax"
    const char* Caption; // the field's label, with its unit where it has one
    const char* Hint;    // what the number is
    double tubemath::TubeParams::*Constant = nullptr; // a seed constant
    std::optional<tubemath::ModelConstant> Named;     // another model's constant
    std::optional<double> TubeRatings::*Rating = nullptr;
    double Scale = 1;         // Imax is shown in mA, kept in A
    bool ZeroAllowed = false; // Reefman's a and alphaS may be 0; every other field is above it
};

inline constexpr int kTubeNumberFieldCount = 10;

// The seed's fields: the seven constants in the order of TubeParams, then Imax, Vmax and Pmax.
extern const std::array<TubeNumberField, kTubeNumberFieldCount> kTubeNumberFields;

// The fields of a tube of that model, in the order the window shows them: the constants in the
// order ConstantsOf gives (the seed's as kTubeNumberFields), then Imax, Vmax, Pmax and, for a
// screen-grid model, Psmax.
std::span<const TubeNumberField> TubeNumberFields(tubemath::ModelKind kind);

struct TubeFieldTexts {
    std::string Name;
    std::vector<std::string> Numbers; // in the order of TubeNumberFields of the tube's model
};

// What reading the texts gave: the tube with every field that reads, and for each field that
// does not, why (empty where the field read).
struct TubeFieldReading {
    Tube Read;
    std::string NameProblem;
    std::vector<std::string> Problems; // one for each field of the tube's model

    bool AllRead() const;
};

// The field's value in `tube`, in the field's unit; none for a rating the tube does not have.
std::optional<double> FieldValue(const Tube& tube, const TubeNumberField& field);

// The texts of every field of the tube's model, each number to six significant digits; a
// rating the tube does not have is an empty field, and an emptied rating field takes the rating
// away.
TubeFieldTexts FieldTextsOf(const Tube& tube);

// Reads the texts over `current`, field by field of current's model: a text that is the one
// FieldTextsOf gives for `current` keeps the value exactly, all its digits, so a fitted constant
// stays as fitted until its field is edited; any other must read as a number (a decimal comma
// is fine) that is finite and above zero (or zero, where the field allows it). A text missing
// at the end counts as untouched. The name must not be blank. The model, the screen voltage and
// the notes are kept.
TubeFieldReading ReadTubeFields(const TubeFieldTexts& texts, const Tube& current);

// The value of one number text, or why it cannot be taken.
struct NumberFieldValue {
    std::optional<double> Value;
    std::string Problem;
};
NumberFieldValue ReadNumberField(const std::string& text, bool zeroAllowed = false);

// A number field's text: six significant digits, trailing zeros dropped, e.g. "5.7e-05", "120",
// "0.608521"; always with a point.
std::string FieldNumberText(double value);

} // namespace valvescope
