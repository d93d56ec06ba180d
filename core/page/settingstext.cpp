#include "core/page/settingstext.h"

#include "core/settings/settingsboxes.h"
#include "formats/exactnumber.h"

namespace valvescope::page {

namespace {

const char* UnitOf(std::string SettingsTexts::*text) {
    if (text == &SettingsTexts::EndI) {
        return " mA";
    }
    if (text == &SettingsTexts::GridLines) {
        return "";
    }
    if (text == &SettingsTexts::Ra || text == &SettingsTexts::Rk) {
        return " \u03A9";
    }
    return " V"; // Step V, End V, B+
}

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return {};
    }
    const std::size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

} // namespace

std::vector<SettingRow> SettingRows(const SettingsTexts& texts) {
    std::vector<SettingRow> rows;
    for (const SettingsBox& box : kSettingsBoxes) {
        rows.push_back({box.Caption, Trimmed(texts.*box.Text) + UnitOf(box.Text)});
    }
    return rows;
}

std::vector<std::string> CaptionItems(const std::string& tubeName, const SettingsTexts& texts) {
    std::vector<std::string> items{tubeName};
    for (const SettingRow& row : SettingRows(texts)) {
        items.push_back(row.Caption + " " + row.Value);
    }
    return items;
}

std::vector<std::string> CaptionItems(const std::string& tubeName, const tubemath::WiredModel& tube,
                                      const SettingsTexts& texts) {
    std::vector<std::string> items = CaptionItems(tubeName, texts);
    if (tubemath::HasScreen(tube.Model.Kind)) {
        items.insert(items.begin() + 1,
                     tube.Screen.TriodeConnected
                         ? std::string("Triode-connected")
                         : "Screen " + formats::ShortestExact(tube.Screen.Volts) + " V");
    }
    return items;
}

} // namespace valvescope::page
