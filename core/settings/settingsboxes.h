// The seven settings boxes in one table: each box's text in SettingsTexts, the control's name,
// its caption, the command-line option that types into it, the text it starts with, and how the
// window shows it (its label, place, hint and item list).
#pragma once

#include "core/settings/intake.h"
#include "core/settings/itemlists.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace valvescope {

struct SettingsBox {
    std::string SettingsTexts::*Text;
    const char* ObjectName; // the window's control, e.g. "CmbBxEndI"
    const char* Caption;    // as messages name the box, e.g. "End I"
    const char* Option;     // the command-line option, e.g. "end-i"
    const char* StartText;  // the box's text as the program starts
    const char* Label;      // the label beside the box, "&" before its accelerator: "End &I"
    int Left, Top;          // the box's place in the designed client area
    const char* Hint;       // the short hint, "|", then the status line's
    std::vector<std::string> (*Items)(); // the box's item list
};

// In the window's order, the order Tab takes through them.
inline constexpr std::array<SettingsBox, 7> kSettingsBoxes = {{
    {&SettingsTexts::EndI, "CmbBxEndI", "End I", "end-i", "200", "End &I", 36, 285,
     "Graph's current limit| Enter the limit to the graph's current axis.", EndIItems},
    {&SettingsTexts::GridV, "CmbBxGridV", "Step V", "step-v", "10", "&Step V", 156, 285,
     "Grid voltage increments| Enter the size of the grid voltage increment per step.", GridVItems},
    {&SettingsTexts::GridLines, "CmbBxGridLines", "# Grid Lines", "grid-lines", "10",
     "# Grid &Lines", 307, 285,
     "Number of grid lines displayed| Enter the number of grid lines to be displayed.",
     GridLinesItems},
    {&SettingsTexts::EndV, "CmbBxEndV", "End V", "end-v", "800", "E&nd V", 431, 285,
     "Graph's voltage limit| Enter the limit to the graph's voltage axis.", EndVItems},
    {&SettingsTexts::Ra, "CmbBxRa", "Ra", "ra", "3000", "&Ra", 36, 312,
     "Plate load resistor| Enter the plate load resistor Ra of the load line.", RaItems},
    {&SettingsTexts::BPlus, "CmbBxBplus", "B+", "bplus", "400", "&B+", 156, 312,
     "Supply voltage| Enter the supply voltage B+ that feeds the load line.", BPlusItems},
    {&SettingsTexts::Rk, "CmbBxRk", "Rk", "rk", "590", "R&k", 307, 312,
     "Cathode resistor| Enter the cathode resistor Rk of the bias line.", RkItems},
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
