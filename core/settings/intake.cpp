#include "core/settings/intake.h"

#include "core/settings/numbertext.h"
#include "core/settings/settingsboxes.h"
#include "formats/formats.h"

#include <algorithm>

namespace valvescope {

std::string WithPointSeparator(std::string text) {
    std::replace(text.begin(), text.end(), ',', '.');
    return text;
}

bool PassesBlankOrZeroCheck(const SettingsTexts& texts) {
    for (std::string SettingsTexts::*text : kIntakeOrder) {
        if (!IsBlankOrZero(texts.*text)) {
            continue;
        }
        if (text != &SettingsTexts::Rk) {
            return false;
        }
        // Zero is a fair cathode resistor; a text that is not a number at all is an error.
        ReadDecimalNumber(texts.Rk);
    }
    return true;
}

void StoreSettings(const SettingsTexts& texts, PlotSettings& settings) {
    settings.GridLineCount = ReadWholeNumber(texts.GridLines);
    settings.GridStep = ReadDecimalNumber(texts.GridV);
    settings.EndI = ReadWholeNumber(texts.EndI);
    settings.EndV = ReadWholeNumber(texts.EndV);
    settings.Ra = ReadDecimalNumber(texts.Ra);
    settings.Rk = ReadDecimalNumber(texts.Rk);
    settings.BPlus = ReadDecimalNumber(texts.BPlus);
}

bool TakeSettings(const SettingsTexts& texts, PlotSettings& settings) {
    if (!PassesBlankOrZeroCheck(texts)) {
        return false;
    }
    StoreSettings(texts, settings);
    return true;
}

std::optional<std::array<std::string, 10>> VoltageCaptions(const std::string& endVText) {
    if (IsBlankOrZero(endVText)) {
        return std::nullopt;
    }
    const double endV = ReadDecimalNumber(endVText);
    constexpr std::array<double, 9> tenths = {0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9};
    std::array<std::string, 10> captions;
    captions[9] = formats::FormatVolts(endV);
    for (std::size_t k = tenths.size(); k-- > 0;) {
        captions[k] = formats::FormatVolts(endV * tenths[k]);
    }
    return captions;
}

std::optional<CurrentAxis> CurrentCaptions(const std::string& endIText) {
    if (IsBlankOrZero(endIText)) {
        return std::nullopt;
    }
    CurrentAxis axis;
    axis.EndI = ReadWholeNumber(endIText);
    const double milliamps = ReadDecimalNumber(endIText);
    // Lbl5I down to Lbl1I; the 0.6 mark divides by 1666.666, not by 5000/3.
    constexpr std::array<double, 5> divisors = {5000, 2500, 1666.666, 1250, 1000};
    for (std::size_t k = divisors.size(); k-- > 0;) {
        axis.Captions[k] = formats::FormatAmps(milliamps / divisors[k]);
    }
    return axis;
}

} // namespace valvescope
