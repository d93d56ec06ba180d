// Where volts and amperes fall on the drawing surface, and the limits at 95 % of the axes where
// a plate curve ends.
#pragma once

#include "core/plot/pixelmath.h"
#include "core/plot/plotscale.h"
#include "core/settings/plotsettings.h"

#include <cstdint>

namespace valvescope {

// Where a curve's label goes: its top-left corner.
struct LabelPlace {
    std::int32_t x = 0;
    std::int32_t y = 0;
};

class PlotMapping {
public:
    PlotMapping(const PlotSettings& settings, const PlotScale& scale, std::int32_t width,
                std::int32_t height)
        : settings_(settings), scale_(scale), width_(width), height_(height) {}

    const PlotSettings& Settings() const { return settings_; }
    const PlotScale& Scale() const { return scale_; }
    std::int32_t Width() const { return width_; }
    std::int32_t Height() const { return height_; }

    // Column of plate voltage V.
    std::int32_t X(double V) const { return checked::Pixel(checked::Div(V, scale_.VoltsPerPixel)); }
    // Row of current I in amperes.
    std::int32_t Y(double I) const {
        return checked::Pixel(
            checked::Sub(height_, checked::Mul(checked::Mul(I, 1000), scale_.PixelsPerMilliamp)));
    }

    // Whether whole volts can be sorted into pixel columns: a positive, finite scale.
    bool HasColumns() const;
    // The last whole volt, from `volts` up to `last`, that falls into the same column as `volts`.
    // Only with HasColumns().
    std::int64_t LastVoltInColumn(std::int64_t volts, std::int64_t last) const;

    // 95 % of End V: a curve ends at the first plate voltage past it.
    double VoltageLimit() const { return 0.95 * settings_.EndV; }
    // 95 % of End I, in milliamps: a curve ends at the first point whose current passes it.
    double CurrentLimit() const { return 0.95 * settings_.EndI; }
    bool PassesCurrentLimit(double I) const { return I * 1000 > CurrentLimit(); }
    // The last whole volt the voltage tests let a curve reach: the first past VoltageLimit(), or
    // End V itself. For End V >= 0.
    std::int64_t LastCurveVolt() const;

    // A curve's label: just left of its last point at the top edge where the curve left through
    // the top (its last plate voltage Va short of VoltageLimit()), else at the right edge, 10
    // rows above the curve's last row.
    LabelPlace LabelPlaceAt(double Va, std::int32_t lastRow) const {
        return Va < VoltageLimit() ? LabelPlace{checked::PixelDifference(X(Va), 3), 1}
                                   : LabelPlace{checked::PixelDifference(width_, 25),
                                                checked::PixelDifference(lastRow, 10)};
    }

private:
    const PlotSettings& settings_;
    const PlotScale scale_;
    const std::int32_t width_;
    const std::int32_t height_;
};

// A current as the plot draws it: negative (or not a number) counts as none.
inline double ClampedCurrent(double I) {
    return I >= 0 ? I : 0;
}

} // namespace valvescope
