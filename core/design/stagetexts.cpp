#include "core/design/stagetexts.h"

#include "core/settings/numbertext.h"
#include "core/settings/settingsboxes.h"

#include <algorithm>
#include <cctype>

namespace valvescope {

bool SameWordInAnyCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::optional<LoadKind> ReadLoadWord(std::string_view word) {
    for (const LoadKind load : {LoadKind::Resistor, LoadKind::Transformer}) {
        if (SameWordInAnyCase(word, LoadWord(load))) {
            return load;
        }
    }
    return std::nullopt;
}

const char* LoadWord(LoadKind load) {
    return load == LoadKind::Transformer ? "transformer" : "resistor";
}

std::optional<StageKind> ReadStageKindWord(std::string_view word) {
    for (const StageKind kind : {StageKind::SingleEnded, StageKind::PushPull}) {
        if (SameWordInAnyCase(word, StageKindWord(kind))) {
            return kind;
        }
    }
    return std::nullopt;
}

const char* StageKindWord(StageKind kind) {
    return kind == StageKind::PushPull ? "push-pull" : "single-ended";
}

bool IsBlankText(std::string_view text) {
    return text.find_first_not_of(" \t") == std::string_view::npos;
}

std::optional<double> ReadStageNumber(const std::string& text) {
    if (IsBlankText(text)) {
        return std::nullopt;
    }
    return ReadDecimalNumber(WithPointSeparator(text));
}

StageInput StageInputOf(const PlotSettings& settings, const StageTexts& texts) {
    StageInput input;
    input.BPlus = settings.BPlus;
    input.Ra = settings.Ra;
    input.Rk = settings.Rk;
    input.Load = texts.Load;
    if (texts.Load == LoadKind::Transformer) {
        input.Zaa = ReadStageNumber(texts.Zaa);
    }
    input.Drive = ReadStageNumber(texts.Drive);
    return input;
}

StageAnalysis DesignStage(const Tube& tube, const PlotSettings& settings, const StageTexts& texts) {
    return AnalyzeStage(tube, StageInputOf(settings, texts));
}

StageAnalysis DesignStage(const Tube& tube, const tubemath::ScreenWiring& screen,
                          const PlotSettings& settings, const StageTexts& texts) {
    return AnalyzeStage(tube, screen, StageInputOf(settings, texts));
}

std::string NoStageMessage(const SettingsTexts& texts) {
    return FirstBlankOrZeroBox(texts).value_or("A setting") +
           " is blank or zero: no stage to analyse";
}

} // namespace valvescope
