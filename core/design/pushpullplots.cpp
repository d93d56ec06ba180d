#include "core/design/pushpullplots.h"

#include "core/plot/smallplot.h"

namespace valvescope {

namespace {

SmallPlot SweepPlot(const char* x, const char* y, bool logarithmic) {
    SmallPlot plot;
    plot.X.Title = x;
    plot.Y.Title = y;
    plot.X.Logarithmic = logarithmic;
    plot.Y.Logarithmic = logarithmic;
    plot.colour = kSweepColour;
    plot.Empty = kNoSweepText;
    return plot;
}

} // namespace

DrawOps PowerAgainstDrivePlot(const PushPullAnalysis& analysis, std::int32_t width,
                              std::int32_t height) {
    SmallPlot plot = SweepPlot(kDriveTitle, kPowerTitle, false);
    if (!analysis.Sweep.empty()) {
        plot.Points.emplace_back(0, 0);
        for (const PushPullSweepPoint& p : analysis.Sweep) {
            plot.Points.emplace_back(p.Drive, p.Power);
        }
        plot.Marked = {analysis.Swing.Drive, analysis.Swing.Power};
    }
    return DrawSmallPlot(plot, width, height);
}

DrawOps ThdAgainstPowerPlot(const PushPullAnalysis& analysis, std::int32_t width,
                            std::int32_t height) {
    // Both axes logarithmic: a class A pair's THD, in proportion to its power, is a straight
    // line, and crossover distortion stands out at the low-power end.
    SmallPlot plot = SweepPlot(kPowerTitle, kThdTitle, true);
    for (const PushPullSweepPoint& p : analysis.Sweep) {
        plot.Points.emplace_back(p.Power, 100 * p.Thd);
    }
    if (!analysis.Sweep.empty()) {
        plot.Marked = {analysis.Swing.Power, 100 * analysis.Swing.Thd};
    }
    return DrawSmallPlot(plot, width, height);
}

} // namespace valvescope
