// The seven settings and the tube as words: the caption line under an exported picture and the
// rows of the printed page.
#pragma once

#include "core/settings/intake.h"
#include "model/wiredmodel.h"

#include <string>
#include <vector>

namespace valvescope::page {

struct SettingRow {
    std::string Caption; // the box's caption, e.g. "End I"
    std::string Value;   // its text with the unit, e.g. "200 mA"
};

// The seven boxes in the window's order, each text trimmed and followed by its unit (mA, V, ohm
// as the sign Ω; none for the grid-line count).
std::vector<SettingRow> SettingRows(const SettingsTexts& texts);

// The caption line's items: the tube's name, then "Caption value" for each box.
std::vector<std::string> CaptionItems(const std::string& tubeName, const SettingsTexts& texts);
// The same with the screen's wiring after the name for a screen-grid tube ("Screen 250 V" or
// "Triode-connected"), so that a picture says which curves it shows.
std::vector<std::string> CaptionItems(const std::string& tubeName, const tubemath::WiredModel& tube,
                                      const SettingsTexts& texts);

} // namespace valvescope::page
