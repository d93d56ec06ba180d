#include "core/plot/overlays.h"

#include "core/plot/pixelmath.h"

#include <algorithm>
#include <cstdint>

namespace valvescope {

namespace {

using checked::Add;
using checked::Div;
using checked::Mul;
using checked::Pixel;
using checked::PixelDifference;
using checked::PixelSum;
using checked::Sub;

// The leftmost column of the Wp hyperbola that is drawn: a 2-pixel stroke further left stays
// off the surface.
constexpr std::int64_t kFirstVisibleColumn = -9;

void Line(DrawRecorder& draw, std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
    draw.MoveTo(x1, y1);
    draw.LineTo(x2, y2);
}

void VerticalGridLines(DrawRecorder& draw, const PlotMapping& map, int parts) {
    const double step = Div(map.Width(), parts);
    for (int i = 1; i < parts; ++i) {
        const std::int32_t x = Pixel(Mul(i, step));
        Line(draw, x, 0, x, map.Height());
    }
}

void HorizontalGridLines(DrawRecorder& draw, const PlotMapping& map, int parts) {
    const double step = Div(map.Height(), parts);
    for (int i = 1; i < parts; ++i) {
        const std::int32_t y = Pixel(Mul(i, step));
        Line(draw, 0, y, map.Width(), y);
    }
}

} // namespace

void DrawGrid(DrawRecorder& draw, const PlotMapping& map) {
    draw.PenWidth(1);
    draw.PenColour(kSilver);
    VerticalGridLines(draw, map, 50);
    draw.PenColour(kBlue);
    VerticalGridLines(draw, map, 10);
    draw.PenColour(kSilver);
    HorizontalGridLines(draw, map, 25);
    draw.PenColour(kBlue);
    HorizontalGridLines(draw, map, 5);
}

void DrawFrame(DrawRecorder& draw, const PlotMapping& map) {
    draw.PenColour(kBlack);
    draw.PenWidth(1);
    draw.MoveTo(0, 0);
    draw.LineTo(map.Width(), 0);
    draw.LineTo(map.Width(), map.Height());
    draw.LineTo(0, map.Height());
    draw.LineTo(0, 0);
}

void DrawVmaxLine(DrawRecorder& draw, const PlotMapping& map, const TubeLimits& limits) {
    draw.PenColour(kRed);
    draw.PenWidth(2);
    const std::int32_t x = map.X(*limits.Vmax);
    draw.MoveTo(x, 2);
    draw.LineTo(x, PixelDifference(map.Height(), 2));
    draw.PenWidth(1);
}

void DrawImaxLine(DrawRecorder& draw, const PlotMapping& map, const TubeLimits& limits) {
    draw.PenColour(kRed);
    draw.PenWidth(2);
    const std::int32_t y =
        PixelDifference(map.Height(), Pixel(Mul(*limits.Imax, map.Scale().PixelsPerMilliamp)));
    draw.MoveTo(2, y);
    draw.LineTo(PixelDifference(map.Width(), 2), y);
    draw.PenWidth(1);
}

void DrawWpHyperbola(DrawRecorder& draw, const PlotMapping& map, const TubeLimits& limits) {
    draw.PenColour(kRed);
    draw.PenWidth(2);
    const PlotSettings& s = map.Settings();
    const double Vtop = Div(*limits.Wp, Div(s.EndI, 1000));
    if (!(s.EndV > Vtop)) {
        return;
    }
    const std::int32_t x0 = map.X(Vtop);
    draw.MoveTo(x0, 0);
    // Where the hyperbola starts far left of the surface (a negative End I puts it there), the
    // columns up to a few pixels short of the left edge are one stroke that stays out of sight,
    // however wide the pen; the current only grows towards the edge, so nothing there fails
    // that the columns kept would not.
    const std::int64_t firstColumn = std::max<std::int64_t>(PixelSum(x0, 1), kFirstVisibleColumn);
    for (std::int64_t x = firstColumn; x <= map.Width(); ++x) {
        const double V = Mul(static_cast<double>(x), map.Scale().VoltsPerPixel);
        const double I = Div(*limits.Wp, V);
        draw.LineTo(static_cast<std::int32_t>(x), map.Y(I));
    }
}

void DrawLoadLine(DrawRecorder& draw, const PlotMapping& map, double shortCircuitCurrent) {
    draw.PenColour(kBlue);
    draw.PenWidth(2);
    const PlotSettings& s = map.Settings();
    const double bottomVoltage = Add(s.BPlus, 1);
    if (s.EndI / 1000.0 > shortCircuitCurrent) {
        draw.MoveTo(0, map.Y(shortCircuitCurrent));
    } else {
        const double topVoltage = Sub(bottomVoltage, Div(Mul(s.EndI, s.Ra), 1000));
        draw.MoveTo(map.X(topVoltage), 0);
    }
    draw.LineTo(map.X(bottomVoltage), map.Height());
}

} // namespace valvescope
