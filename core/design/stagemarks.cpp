#include "core/design/stagemarks.h"

#include <optional>

namespace valvescope {

namespace {

bool OnPlot(const PlotPoint& p, double right, double top) {
    return p.X >= 0 && p.X <= right && p.Y >= 0 && p.Y <= top;
}

} // namespace

PlotMarks StageMarks(const StageAnalysis& analysis, const PlotSettings& settings) {
    const double right = settings.EndV;
    const double top = settings.EndI / 1000.0;
    const StageOverlay& overlay = analysis.Overlay;
    PlotMarks marks;
    const auto dot = [&](const PlotPoint& p, std::int32_t radius) {
        if (OnPlot(p, right, top)) {
            marks.Dots.push_back({p.X, p.Y, kOperatingPointColour, radius});
        }
    };
    dot(overlay.SwingLow, kSwingDotRadius);
    dot(overlay.SwingHigh, kSwingDotRadius);
    dot(overlay.Quiescent, kQuiescentDotRadius);
    // Va = B+ - R Ip up to the current axis, or upright past the top where R is 0.
    const DcLoadLine& dc = overlay.DcLine;
    const double foot = dc.VoltageEnd.X;
    const MarkLine dcLine =
        dc.Resistance > 0 ? MarkLine{foot, 0, 0, foot / dc.Resistance, kStageLoadLineColour, 1}
                          : MarkLine{foot, 0, foot, top, kStageLoadLineColour, 1};
    if (const std::optional<MarkLine> shown = ClipToPlot(dcLine, right, top)) {
        marks.Lines.push_back(*shown);
    }
    if (overlay.AcLine) {
        // Across the plot's width from the point and the slope: the line's own ends may lie
        // far beyond it (a large Zaa meets the voltage axis at megavolts).
        const AcLoadLine& ac = *overlay.AcLine;
        const auto at = [&](double x) { return ac.Through.Y + (x - ac.Through.X) * ac.Slope; };
        const MarkLine whole{0, at(0), right, at(right), kDarkGreen, 1};
        if (const std::optional<MarkLine> shown = ClipToPlot(whole, right, top)) {
            marks.Lines.push_back(*shown);
        }
    }
    return marks;
}

} // namespace valvescope
