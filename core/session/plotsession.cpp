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
    tube_ = std::move(tube);
}

RedrawInput PlotSession::Redraw(Overlays show, std::int32_t width, std::int32_t height) const {
    return RedrawInput{tube_.Params, settings_, limits_, show, width, height};
}

std::optional<PointerReading> PlotSession::ReadAt(std::int32_t height, std::int32_t X,
                                                  std::int32_t Y) {
    return ReadPointer(tube_.Params, settings_.Rk, scale_, height, X, Y, readout_);
}

} // namespace valvescope
