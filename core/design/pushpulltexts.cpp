#include "core/design/pushpulltexts.h"

#include "core/design/stagetexts.h"
#include "core/settings/numbertext.h"

#include <array>

namespace valvescope {

namespace {

constexpr std::array<PushPullBias, 2> kBiases = {PushPullBias::Fixed, PushPullBias::Cathode};
constexpr std::array<ScreenFeed, 3> kFeeds = {ScreenFeed::Supply, ScreenFeed::Ultralinear,
                                              ScreenFeed::TriodeConnected};

// The number of a field, none for a blank; a text that does not read names the field.
std::optional<double> FieldNumber(const char* field, const std::string& text) {
    try {
        return ReadStageNumber(text);
    } catch (const ConversionError& error) {
        throw ConversionError(std::string(field) + ": " + error.what());
    }
}

double NeededNumber(const char* field, const std::string& text, const char* missing) {
    const std::optional<double> number = FieldNumber(field, text);
    if (!number) {
        throw StageError(missing);
    }
    return *number;
}

} // namespace

std::optional<PushPullBias> ReadPushPullBiasWord(std::string_view word) {
    for (const PushPullBias bias : kBiases) {
        if (SameWordInAnyCase(word, PushPullBiasWord(bias))) {
            return bias;
        }
    }
    return std::nullopt;
}

const char* PushPullBiasWord(PushPullBias bias) {
    return bias == PushPullBias::Cathode ? "cathode" : "fixed";
}

std::optional<ScreenFeed> ReadScreenFeedWord(std::string_view word) {
    for (const ScreenFeed screen : kFeeds) {
        if (SameWordInAnyCase(word, ScreenFeedWord(screen))) {
            return screen;
        }
    }
    return std::nullopt;
}

const char* ScreenFeedWord(ScreenFeed screen) {
    switch (screen) {
    case ScreenFeed::Supply:
        break;
    case ScreenFeed::Ultralinear:
        return "ultralinear";
    case ScreenFeed::TriodeConnected:
        return "triode-connected";
    }
    return "supply";
}

PushPullChoices PushPullChoicesOf(const PushPullTexts& texts, int sweepPoints) {
    PushPullChoices choices;
    choices.Raa = NeededNumber("Raa", texts.Raa, kRaaMissingMessage);
    choices.Bias = texts.Bias;
    if (texts.Bias == PushPullBias::Fixed) {
        choices.Vg = NeededNumber("Vg", texts.Vg, kVgMissingMessage);
    }
    choices.Drive = FieldNumber("Vin", texts.Drive);
    switch (texts.Screen) {
    case ScreenFeed::Supply:
        choices.ScreenVolts = FieldNumber("Screen V", texts.ScreenVolts);
        break;
    case ScreenFeed::Ultralinear:
        choices.Tap = NeededNumber("Tap", texts.Tap, kTapMissingMessage);
        break;
    case ScreenFeed::TriodeConnected:
        choices.TriodeConnected = true;
        break;
    }
    choices.SweepPoints = sweepPoints;
    return choices;
}

PushPullAnalysis DesignPushPull(const Tube& first, const tubemath::ScreenWiring& screen,
                                const PlotSettings& settings, const PushPullTexts& texts,
                                const Tube& second, int sweepPoints) {
    PushPullChoices choices = PushPullChoicesOf(texts, sweepPoints);
    // A blank screen supply is the screen voltage the plot holds the first tube's screen at.
    if (texts.Screen == ScreenFeed::Supply && !choices.ScreenVolts &&
        tubemath::HasScreen(first.Model.Kind) && screen.Volts > 0) {
        choices.ScreenVolts = screen.Volts;
    }
    return AnalyzePushPull(first, second, PushPullInputOf(settings, first, choices));
}

} // namespace valvescope
