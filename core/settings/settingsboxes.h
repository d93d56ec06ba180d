// The seven settings boxes in one table: each box's text in SettingsTexts, the control's name,
// its caption, the command-line option that types into it and the text it starts with.
#pragma once

#include "core/settings/intake.h"

#include <array>
#include <optional>
#include <string>

namespace valvescope {

struct SettingsBox {
    std::string SettingsTexts::*Text;
    const char* ObjectName; // the window's control, e.g. "CmbBxEndI"
    const char* Caption;    // as messages name the box, e.g. "End I"
    const char* Option;     // the command-line option, e.g. "end-i"
    const char* StartText;  // the box's text as the program starts
};

// In the window's order, the order Tab takes through them.
inline constexpr std::array<SettingsBox, 7> kSettingsBoxes = {{
    {&SettingsTexts::EndI, "CmbBxEndI", "End I", "end-i", "200"},
    {&SettingsTexts::GridV, "CmbBxGridV", "Step V", "step-v", "10"},
    {&SettingsTexts::GridLines, "CmbBxGridLines", "# Grid Lines", "grid-lines", "10"},
    {&SettingsTexts::EndV, "CmbBxEndV", "End V", "end-v", "800"},
    {&SettingsTexts::Ra, "CmbBxRa", "Ra", "ra", "3000"},
    {&SettingsTexts::BPlus, "CmbBxBplus", "B+", "bplus", "400"},
    {&SettingsTexts::Rk, "CmbBxRk", "Rk", "rk", "590"},
}};

// The order the intake takes the texts in: # Grid Lines, Step V, End I, End V, Ra, Rk, B+.
inline constexpr std::array<std::string SettingsTexts::*, 7> kIntakeOrder = {
    &SettingsTexts::GridLines, &SettingsTexts::GridV, &SettingsTexts::EndI, &SettingsTexts::EndV,
    &SettingsTexts::Ra,        &SettingsTexts::Rk,    &SettingsTexts::BPlus};

// The row of the box whose text is `text`.
const SettingsBox& BoxOf(std::string SettingsTexts::*text);

// Every box with its start-up text.
SettingsTexts StartTexts();

// The texts with every comma turned into a point.
SettingsTexts WithPointSeparators(SettingsTexts texts);

// The caption of the first box, in the intake's order, whose text is blank or zero (Rk
// excepted: zero is a fair cathode resistor); none when every box has a value.
std::optional<std::string> FirstBlankOrZeroBox(const SettingsTexts& texts);

} // namespace valvescope
