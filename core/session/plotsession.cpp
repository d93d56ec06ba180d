#include "core/session/plotsession.h"

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

RedrawInput PlotSession::Redraw(Overlays show, std::int32_t width, std::int32_t height) const {
    return RedrawInput{tube_, settings_, limits_, show, width, height};
}

std::optional<PointerReading> PlotSession::ReadAt(std::int32_t height, std::int32_t X,
                                                  std::int32_t Y) {
    return ReadPointer(tube_, settings_.Rk, scale_, height, X, Y, readout_);
}

} // namespace valvescope
