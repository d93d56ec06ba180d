#include "core/design/pushpullmarks.h"

#include "core/analysis/pushpullmath.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numbers>
#include <optional>
#include <utility>
#include <vector>

namespace valvescope {

namespace {

using analysis::PairWiring;

// A curve has a point every volt up to this many points across the plot, every few volts beyond.
constexpr double kMostCurvePoints = 2000;
// However fine the grid step, no more composite curves than this.
constexpr int kMostCompositeCurves = 100;

// What the pair's marks are drawn from: the wiring, the cathode at rest, the grids' bias.
struct PairAtRest {
    PairWiring Wiring;
    double Vk = 0;
    double Bias = 0;   // grid to cathode
    double Centre = 0; // the centre tap to the cathode, B+ - Vk
};

// The offsets v of the composite curves' grid pairs: 0, then every grid step up to the drive,
// as far as the family's grid lines reach below 0 V.
std::vector<double> GridOffsets(double drive, const PlotSettings& settings) {
    std::vector<double> offsets = {0};
    const double step = std::fabs(settings.GridStep);
    if (!(std::isfinite(step) && step > 0) || settings.GridLineCount <= 0) {
        return offsets;
    }
    const double reach = std::min(drive, step * settings.GridLineCount);
    for (int k = 1; k < kMostCompositeCurves; ++k) {
        const double v = step * k;
        if (!(v <= reach * (1 + 1e-12))) {
            break;
        }
        offsets.push_back(v);
    }
    return offsets;
}

// I1 - I2 against Va1 from 0 V to End V for the grids at Bias +- v, up to the first point above
// the plot: the difference only rises with Va1, tube 1's plate climbing as tube 2's falls.
MarkPath CompositeCurve(const PairAtRest& pair, double v, const PlotSettings& settings) {
    MarkPath path;
    path.colour = kCompositeCurveColour;
    const double endV = settings.EndV;
    const double top = settings.EndI / 1000.0;
    const double volts = std::max(1.0, std::ceil(endV / kMostCurvePoints));
    const auto steps = static_cast<std::int64_t>(std::ceil(endV / volts));
    for (std::int64_t k = 0; k <= steps; ++k) {
        const double va1 = std::min(endV, volts * static_cast<double>(k));
        const double va2 = 2 * pair.Centre - va1;
        const double i1 = analysis::TubeAt(pair.Wiring, 0, pair.Vk, pair.Bias + v, va1).Primary;
        const double i2 = analysis::TubeAt(pair.Wiring, 1, pair.Vk, pair.Bias - v, va2).Primary;
        path.Points.emplace_back(va1, i1 - i2);
        if (i1 - i2 > top) {
            break;
        }
    }
    return path;
}

// Over one cycle at the stage's drive: tube 1's current through the primary, and the difference.
std::pair<MarkPath, MarkPath> CyclePaths(const PairWiring& wiring, const PushPullAnalysis& a) {
    const PushPullSwing& swing = a.Swing;
    const double bias = a.Input.Bias == PushPullBias::Fixed ? a.Input.Vg : -swing.Vk;
    MarkPath tube{{}, kTubePathColour, 1};
    MarkPath working{{}, kWorkingPathColour, kWorkingPathWidth};
    double guess = 0;
    for (int k = 0; k < kPathInstants; ++k) {
        const double phase = 2 * std::numbers::pi * k / (kPathInstants - 1);
        const double grid = swing.Drive * std::cos(phase);
        const analysis::PairInstant at =
            analysis::PairAt(wiring, swing.Vk, swing.Imbalance, bias + grid, bias - grid, guess);
        guess = at.V;
        const double va1 = at.Tubes[0].Va;
        tube.Points.emplace_back(va1, at.Tubes[0].Primary);
        working.Points.emplace_back(va1, at.Tubes[0].Primary - at.Tubes[1].Primary);
    }
    return {std::move(tube), std::move(working)};
}

} // namespace

PlotMarks PushPullMarks(const Tube& first, const Tube& second, const PushPullAnalysis& analysis,
                        const PlotSettings& settings) {
    const double right = settings.EndV;
    const double top = settings.EndI / 1000.0;
    PairAtRest pair;
    pair.Wiring = analysis::WiringOf(first, second, analysis.Input);
    pair.Vk = analysis.RestVk;
    pair.Bias = analysis.RestVg;
    pair.Centre = analysis.Input.BPlus - analysis.RestVk;
    PlotMarks marks;

    const PushPullRest& rest = analysis.Quiescent[0];
    if (rest.Vp >= 0 && rest.Vp <= right && rest.Ip >= 0 && rest.Ip <= top) {
        marks.Dots.push_back({rest.Vp, rest.Ip, kOperatingPointColour, kQuiescentDotRadius});
    }
    if (right > 0) {
        for (const double v : GridOffsets(analysis.Swing.Drive, settings)) {
            marks.Paths.push_back(CompositeCurve(pair, v, settings));
        }
    }
    auto [tube, working] = CyclePaths(pair.Wiring, analysis);
    marks.Paths.push_back(std::move(tube));
    marks.Paths.push_back(std::move(working));

    // I1 - I2 = 4 (Centre - Va1) / Raa, across the plot's width: its ends may lie far beyond.
    const double slope = -4 / analysis.Input.Raa;
    const auto at = [&](double va) { return (va - pair.Centre) * slope; };
    const MarkLine whole{0, at(0), right, at(right), kCompositeLoadLineColour, 1};
    if (const std::optional<MarkLine> shown = ClipToPlot(whole, right, top)) {
        marks.Lines.push_back(*shown);
    }
    return marks;
}

} // namespace valvescope
