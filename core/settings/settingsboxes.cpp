#include "core/settings/settingsboxes.h"

#include "core/settings/numbertext.h"

#include <utility>

namespace valvescope {

const SettingsBox& BoxOf(std::string SettingsTexts::*text) {
    for (const SettingsBox& box : kSettingsBoxes) {
        if (box.Text == text) {
            return box;
        }
    }
    return kSettingsBoxes.front(); // every member has its row; not reached
}

SettingsTexts StartTexts() {
    SettingsTexts texts;
    for (const SettingsBox& box : kSettingsBoxes) {
        texts.*box.Text = box.StartText;
    }
    return texts;
}

SettingsTexts WithPointSeparators(SettingsTexts texts) {
    for (const SettingsBox& box : kSettingsBoxes) {
        texts.*box.Text = WithPointSeparator(std::move(texts.*box.Text));
    }
    return texts;
}

std::optional<std::string> FirstBlankOrZeroBox(const SettingsTexts& texts) {
    for (std::string SettingsTexts::*text : kIntakeOrder) {
        if (text != &SettingsTexts::Rk && IsBlankOrZero(texts.*text)) {
            return BoxOf(text).Caption;
        }
    }
    return std::nullopt;
}

} // namespace valvescope
