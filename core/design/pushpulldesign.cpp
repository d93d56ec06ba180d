#include "core/design/pushpulldesign.h"

#include "core/design/stagetexts.h"
#include "core/session/plotjob.h"
#include "core/settings/settingsboxes.h"

namespace valvescope {

PushPullInput PushPullInputOf(const PlotSettings& settings, const Tube& first,
                              const PushPullChoices& choices) {
    PushPullInput input;
    input.BPlus = settings.BPlus;
    input.Rk = settings.Rk;
    input.Raa = choices.Raa;
    input.Bias = choices.Bias;
    input.Vg = choices.Vg;
    input.Drive = choices.Drive;
    input.SweepPoints = choices.SweepPoints;
    if (choices.TriodeConnected) {
        input.Screen = ScreenFeed::TriodeConnected;
    } else if (choices.Tap) {
        input.Screen = ScreenFeed::Ultralinear;
        input.Tap = *choices.Tap;
    } else {
        input.Screen = ScreenFeed::Supply;
        input.ScreenVolts =
            choices.ScreenVolts.value_or(first.Screen > 0 ? first.Screen : settings.BPlus);
    }
    return input;
}

PushPullAnalysis TakeAndDesignPushPull(PlotSession& session, const SettingsTexts& texts,
                                       const Tube& second, const PushPullChoices& choices) {
    const SettingsTexts read = WithPointSeparators(texts);
    if (!session.TakeTexts(read)) {
        throw BlankOrZeroSetting(NoStageMessage(read));
    }
    const Tube& first = session.CurrentTube();
    return AnalyzePushPull(first, second, PushPullInputOf(session.Settings(), first, choices));
}

} // namespace valvescope
