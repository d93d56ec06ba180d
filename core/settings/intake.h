// The settings intake that starts every redraw: the seven box texts are normalised, checked
// against the blank-or-zero texts, read into PlotSettings field by field, and the axis
// captions are made from the end values. The window only reads and writes the boxes.
#pragma once

#include "core/settings/plotsettings.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace valvescope {

// The texts of the seven boxes, in the order the intake normalises them.
struct SettingsTexts {
    std::string GridLines;
    std::string GridV;
    std::string EndI;
    std::string EndV;
    std::string Ra;
    std::string Rk;
    std::string BPlus;
};

// The text with every comma turned into a point.
std::string WithPointSeparator(std::string text);

// The check before reading: false when one of the boxes holds a blank-or-zero text, in which
// case the redraw ends silently. The cathode resistor may be zero, but a blank-or-zero Rk text
// is read here and raises ConversionError when it does not read.
bool PassesBlankOrZeroCheck(const SettingsTexts& texts);

// Reads the texts into the settings one field at a time, so a ConversionError leaves the
// fields before the failing one new and the rest as they were.
void StoreSettings(const SettingsTexts& texts, PlotSettings& settings);

// The check, then the reading; false when the check failed and nothing was stored.
bool TakeSettings(const SettingsTexts& texts, PlotSettings& settings);

// Captions of Lbl1V ... Lbl10V (index 0 is Lbl1V) for the End V text; none for a
// blank-or-zero text.
std::optional<std::array<std::string, 10>> VoltageCaptions(const std::string& endVText);

// The current axis for the End I text: EndI in milliamps and the captions of Lbl1I ... Lbl5I
// (index 0 is Lbl1I), in amperes.
struct CurrentAxis {
    std::int32_t EndI = 0;
    std::array<std::string, 5> Captions;
};

// None for a blank-or-zero text.
std::optional<CurrentAxis> CurrentCaptions(const std::string& endIText);

} // namespace valvescope
