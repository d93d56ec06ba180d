#include "core/design/stagejob.h"

#include "core/design/stagemarks.h"
#include "core/session/plotjob.h"
#include "core/settings/settingsboxes.h"

namespace valvescope {

StageAnalysis TakeAndDesign(PlotSession& session, const SettingsTexts& texts,
                            const StageTexts& stage) {
    const SettingsTexts read = WithPointSeparators(texts);
    if (!session.TakeTexts(read)) {
        throw BlankOrZeroSetting(NoStageMessage(read));
    }
    return DesignStage(session.CurrentTube(), session.Screen(), session.Settings(), stage);
}

StageAnalysis ShowStage(PlotSession& session, const StageTexts& stage) {
    StageAnalysis analysis =
        DesignStage(session.CurrentTube(), session.Screen(), session.Settings(), stage);
    session.SetMarks(PlotSession::MarkLayer::OperatingPoint,
                     StageMarks(analysis, session.Settings()));
    return analysis;
}

} // namespace valvescope
