#include "core/session/plotjob.h"

#include "core/plot/redraw.h"
#include "core/readout/readout.h"
#include "core/session/plotsession.h"

namespace valvescope {

namespace {

// The texts (commas already points) through the session's intake; throws where the window would
// leave the plot blank.
AxisCaptions TakeOrRefuse(PlotSession& session, const SettingsTexts& texts) {
    const std::optional<AxisCaptions> captions = session.TakeTexts(texts);
    if (!captions) {
        const std::optional<std::string> box = FirstBlankOrZeroBox(texts);
        throw BlankOrZeroSetting(box.value_or("A setting") + " is blank or zero: nothing drawn");
    }
    return *captions;
}

} // namespace

void CheckPlotTexts(const SettingsTexts& texts) {
    PlotSession session;
    TakeOrRefuse(session, WithPointSeparators(texts));
}

DrawnPlot DrawPlotWithoutWindow(const PlotJob& job) {
    const SettingsTexts texts = WithPointSeparators(job.Texts);
    PlotSession session;
    session.SetTube(job.Tube);
    session.SetMarks(PlotSession::MarkLayer::Measurements, job.MeasurementMarks);
    const std::optional<AxisCaptions> captions = TakeOrRefuse(session, texts);
    if (job.BeforeDrawing) {
        job.BeforeDrawing(session);
    }
    DrawnPlot plot;
    plot.DrawnTube = session.CurrentTube();
    plot.DrawnScreen = session.Screen();
    plot.Captions = *captions;
    plot.Texts = texts;
    plot.Tube = session.Tube();
    plot.Limits = session.Limits();
    plot.Settings = session.Settings();
    plot.Height = job.Height;
    RedrawPlot(session.Redraw(job.Show, job.Width, job.Height), plot.Scale, plot.Ops);
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
