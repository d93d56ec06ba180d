#include "core/session/plotjob.h"

#include "core/plot/redraw.h"
#include "core/readout/readout.h"
#include "core/settings/numbertext.h"

#include <utility>

namespace valvescope {

std::optional<std::string> FirstBlankOrZeroBox(const SettingsTexts& texts) {
    const std::pair<const std::string*, const char*> boxes[] = {{&texts.GridLines, "# Grid Lines"},
                                                                {&texts.GridV, "Step V"},
                                                                {&texts.EndI, "End I"},
                                                                {&texts.EndV, "End V"},
                                                                {&texts.Ra, "Ra"},
                                                                {&texts.BPlus, "B+"}};
    for (const auto& [text, caption] : boxes) {
        if (IsBlankOrZero(*text)) {
            return caption;
        }
    }
    return std::nullopt;
}

namespace {

SettingsTexts WithPointSeparators(SettingsTexts texts) {
    for (std::string* text : {&texts.GridLines, &texts.GridV, &texts.EndI, &texts.EndV, &texts.Ra,
                              &texts.Rk, &texts.BPlus}) {
        *text = WithPointSeparator(std::move(*text));
    }
    return texts;
}

} // namespace

DrawnPlot DrawPlotWithoutWindow(const PlotJob& job) {
    const SettingsTexts texts = WithPointSeparators(job.Texts);
    DrawnPlot plot;
    if (!TakeSettings(texts, plot.Settings)) {
        const std::optional<std::string> box = FirstBlankOrZeroBox(texts);
        throw BlankOrZeroSetting(box.value_or("A setting") + " is blank or zero: nothing drawn");
    }
    // The axis captions are not shown here, but making them reads the texts as the window does.
    VoltageCaptions(texts.EndV);
    if (const std::optional<CurrentAxis> axis = CurrentCaptions(texts.EndI)) {
        plot.Settings.EndI = axis->EndI;
    }
    const RedrawInput input{plot.Tube, plot.Settings, plot.Limits, job.Show, job.Width, job.Height};
    plot.Height = job.Height;
    RedrawPlot(input, plot.Scale, plot.Ops);
    return plot;
}

const std::string& ReadoutSession::MoveTo(std::int32_t X, std::int32_t Y) {
    const std::optional<std::string> hint =
        PointerReadout(plot_.Tube, plot_.Settings.Rk, plot_.Scale, plot_.Height, X, Y, readout_);
    if (hint) {
        status_ = *hint;
    }
    return status_;
}

} // namespace valvescope
