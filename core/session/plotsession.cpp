#include "core/session/plotsession.h"

#include <utility>

namespace valvescope {

std::optional<AxisCaptions> PlotSession::TakeTexts(const SettingsTexts& texts) {
    if (!TakeSettings(texts, settings_)) {
        return std::nullopt;
    }
    AxisCaptions captions;
    captions.Voltage = VoltageCaptions(texts.EndV);
    captions.Current = CurrentCaptions(texts.EndI);
    if (captions.Current) {
        settings_.EndI = captions.Current->EndI;
    }
    return captions;
}

void PlotSession::SetTube(valvescope::Tube tube) {
    limits_ = LimitsOf(tube.Ratings);
    screen_ = WiredAtItsScreen(tube).Screen;
    tube_ = std::move(tube);
}

void PlotSession::SetMarks(MarkLayer layer, PlotMarks marks) {
    (layer == MarkLayer::Measurements ? measurementMarks_ : operatingPointMarks_) =
        std::move(marks);
}

const PlotMarks& PlotSession::Marks(MarkLayer layer) const {
    return layer == MarkLayer::Measurements ? measurementMarks_ : operatingPointMarks_;
}

RedrawInput PlotSession::Redraw(Overlays show, std::int32_t width, std::int32_t height) const {
    RedrawInput input{Wired(), settings_, limits_, show, width, height};
    input.marks = measurementMarks_;
    for (const PlotMarks* layer : {&operatingPointMarks_}) {
        input.marks.Dots.insert(input.marks.Dots.end(), layer->Dots.begin(), layer->Dots.end());
        input.marks.Curves.insert(input.marks.Curves.end(), layer->Curves.begin(),
                                  layer->Curves.end());
        input.marks.Paths.insert(input.marks.Paths.end(), layer->Paths.begin(), layer->Paths.end());
        input.marks.Lines.insert(input.marks.Lines.end(), layer->Lines.begin(), layer->Lines.end());
    }
    return input;
}

std::optional<PointerReading> PlotSession::ReadAt(std::int32_t height, std::int32_t X,
                                                  std::int32_t Y) {
    return ReadPointer(Wired(), settings_.Rk, scale_, height, X, Y, readout_);
}

} // namespace valvescope
