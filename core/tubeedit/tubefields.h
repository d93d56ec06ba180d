// The tube as the Tube window edits it: the name, the seven constants and the three ratings as
// texts, and those texts read back into a tube field by field. A field that does not read keeps
// the tube's value and says why; the others are taken.
#pragma once

#include "core/tube/tube.h"
#include "model/tubemath.h"

#include <array>
#include <optional>
#include <string>

namespace valvescope {

// One number field: a constant or a rating, shown as its value times Scale.
struct TubeNumberField {
    const char* Key;     // as in tube files: "MuZero", "Imax"
    const char* Caption; // the field's label, with its unit where it has one
    const char* Hint;    // what the number is
    double tubemath::TubeParams::*Constant = nullptr;
    std::optional<double> TubeRatings::*Rating = nullptr;
    double Scale = 1; // Imax is shown in mA, kept in A
};

inline constexpr int kTubeNumberFieldCount = 10;

// The seven constants in the order of TubeParams, then Imax, Vmax and Pmax.
extern const std::array<TubeNumberField, kTubeNumberFieldCount> kTubeNumberFields;

struct TubeFieldTexts {
    std::string Name;
    std::array<std::string, kTubeNumberFieldCount> Numbers; // in the order of kTubeNumberFields
};

// What reading the texts gave: the tube with every field that reads, and for each field that
// does not, why (empty where the field read).
struct TubeFieldReading {
    Tube Read;
    std::string NameProblem;
    std::array<std::string, kTubeNumberFieldCount> Problems;

    bool AllRead() const;
};

// The field's value in `tube`, in the field's unit; none for a rating the tube does not have.
std::optional<double> FieldValue(const Tube& tube, const TubeNumberField& field);

// The texts of every field, each number to six significant digits; a rating the tube does not
// have is an empty field, and an emptied rating field takes the rating away.
TubeFieldTexts FieldTextsOf(const Tube& tube);

// Reads the texts over `current`: a text that is the one FieldTextsOf gives for `current` keeps
// the value exactly, all its digits, so a fitted constant stays as fitted until its field is
// edited; any other must read as a number (a decimal comma is fine) that is finite and above
// zero. The name must not be blank. Notes are kept.
TubeFieldReading ReadTubeFields(const TubeFieldTexts& texts, const Tube& current);

// The value of one number text, or why it cannot be taken.
struct NumberFieldValue {
    std::optional<double> Value;
    std::string Problem;
};
NumberFieldValue ReadNumberField(const std::string& text);

// A number field's text: six significant digits, trailing zeros dropped, e.g. "5.7e-05", "120",
// "0.608521"; always with a point.
std::string FieldNumberText(double value);

} // namespace valvescope
