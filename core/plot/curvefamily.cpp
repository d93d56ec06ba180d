#include "core/plot/curvefamily.h"

#include "core/plot/bracketsearch.h"
#include "core/plot/curveruns.h"
#include "core/plot/curvewalk.h"
#include "core/plot/denseblock.h"
#include "core/plot/labelqueue.h"
#include "core/plot/pixelmath.h"

#include "formats/formats.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace valvescope {

std::int64_t LastCurveIndex(const PlotSettings& settings) {
    if (settings.GridLineCount == std::numeric_limits<std::int32_t>::min()) {
        throw tubemath::ArithmeticError(tubemath::kIntegerOverflowMessage);
    }
    return -std::int64_t{settings.GridLineCount};
}

double GridVoltageOf(std::int64_t k, const PlotSettings& settings) {
    return checked::Mul(static_cast<double>(k), settings.GridStep);
}

// The formatter's bands change at powers of ten.
int DecadeOf(double Vg) {
    const double magnitude = std::fabs(Vg);
    return magnitude > 0 ? static_cast<int>(std::floor(std::log10(magnitude)))
                         : std::numeric_limits<int>::min();
}

void DrawCurveFamilyReference(DrawRecorder& draw, const PlotMapping& map, const RedrawInput& in) {
    const std::int64_t lastK = LastCurveIndex(in.settings);
    ReferencePen pen(draw, map.Height());
    for (std::int64_t k = 0; k >= lastK; --k) {
        StopIfAsked(in.stop);
        DrawCurve(GridVoltageOf(k, in.settings), in.tube, map, pen, WalkEveryVolt, in.stop);
    }
}

namespace {

// Grid voltages at least this far out have used up the amplification factor (5200^0.253 =
// 8.713 > 8.7): their curves run along the bottom edge. Grid voltages at most this far from 0
// change none of the curve's sums, and their curves are those of 0 V.
constexpr double kUsedUpGrid = 5200;
constexpr double kNegligibleGrid = 1e-70;

// Families with fewer curves left than this are drawn curve by curve without looking for runs.
constexpr std::int64_t kCurvesWorthARun = 32;

// Blocks of fewer curves than this are drawn curve by curve rather than mapped.
constexpr std::int64_t kCurvesWorthMapping = 64;

// With a few volts to a column, stepping volt by volt costs less than skipping.
constexpr double kVoltsPerColumnWorthSkipping = 8;

class CurveFamilyDrawer {
public:
    CurveFamilyDrawer(DrawRecorder& draw, const PlotMapping& map, const RedrawInput& in)
        : draw_(draw), map_(map), in_(in), s_(in.settings), labels_(draw, map.Height()),
          walk_(map.Scale().VoltsPerPixel > kVoltsPerColumnWorthSkipping && map.HasColumns()
                    ? WalkByColumns
                    : WalkEveryVolt) {}

    void Draw();

private:
    double GridVoltage(std::int64_t k) const { return GridVoltageOf(k, s_); }
    // |k * Step V| without the checks, for comparing with the bounds.
    double Magnitude(std::int64_t k) const {
        return std::fabs(static_cast<double>(k) * s_.GridStep);
    }
    LabelPlace Curve(double Vg) { return DrawCurve(Vg, in_.tube, map_, labels_, walk_, in_.stop); }
    bool FlatOnwards(double Vg);
    double FlatFrom();
    std::int64_t EndOfSameCurves(std::int64_t k, std::int64_t lastK);
    void CurveRun(std::int64_t first, std::int64_t last);
    std::int64_t EndOfDenseBlock(std::int64_t k, std::int64_t lastK);

    DrawRecorder& draw_;
    const PlotMapping& map_;
    const RedrawInput& in_;
    const PlotSettings& s_;
    LabelQueue labels_;
    const CurveWalk walk_;
    // The grid magnitude from which on negative grid voltages give flat curves, once looked for.
    std::optional<double> flatFrom_;
    // How far down from 0 V of grid the current is shown to rise with the grid voltage, and where
    // the cutoff holds at End V, once looked for.
    std::optional<double> risingUpTo_;
    std::optional<CutOffStretch> cutOff_;
};

void CurveFamilyDrawer::Draw() {
    const std::int64_t lastK = LastCurveIndex(s_);
    // What was drawn before a fault includes the label held back.
    try {
        std::int64_t k = 0;
        while (k >= lastK) {
            StopIfAsked(in_.stop);
            const double Vg = GridVoltage(k);
            const std::int64_t runEnd =
                k - lastK >= kCurvesWorthARun ? EndOfSameCurves(k, lastK) : k;
            const std::int64_t blockEnd =
                runEnd == k && k - lastK >= kCurvesWorthMapping ? EndOfDenseBlock(k, lastK) : k;
            if (runEnd < k) {
                CurveRun(k, runEnd);
                k = runEnd - 1;
            } else if (k - blockEnd + 1 >= kCurvesWorthMapping) {
                DrawDenseBlock(k, blockEnd, draw_, map_, in_, labels_);
                k = blockEnd - 1;
            } else {
                Curve(Vg);
                --k;
            }
        }
    } catch (...) {
        labels_.Flush();
        throw;
    }
    labels_.Flush();
}

// Whether the curves of Vg and of every grid voltage further out on its side draw no current
// that reaches the second row or stops a curve: the flat curves along the bottom edge.
bool CurveFamilyDrawer::FlatOnwards(double Vg) {
    if (s_.EndV < 0) {
        return true; // no points at all
    }
    if (Vg >= 0) {
        return PastLawExponentLimit(in_.tube, Vg) || Vg >= kUsedUpGrid;
    }
    return -Vg >= FlatFrom() || -Vg >= kUsedUpGrid;
}

// The grid magnitude from which on negative grid voltages give flat curves (infinity where the
// bound shows none); looked for once.
double CurveFamilyDrawer::FlatFrom() {
    if (!flatFrom_) {
        // Within a quarter of a pixel of the bottom row, and under half the stopping current.
        const double ppm = std::fabs(map_.Scale().PixelsPerMilliamp);
        const double rowLimit = ppm > 0 ? 0.25 / (1000 * ppm) : HUGE_VAL;
        const double stopLimit = s_.EndI > 0 ? 0.475 * s_.EndI / 1000 : HUGE_VAL;
        flatFrom_ = FlatCurvesFrom(in_.tube, s_.EndV, std::min(rowLimit, stopLimit));
    }
    return *flatFrom_;
}

// The last k, down to lastK, whose curve draws the same points as the curve of `k` and puts its
// label at the same place; k itself when no run starts there. A run of flat curves ends before a
// grid voltage that overflows, which the next curve then reports; a run of negligible grid
// voltages ends where they stop being negligible, as |k * step| grows while k falls.
std::int64_t CurveFamilyDrawer::EndOfSameCurves(std::int64_t k, std::int64_t lastK) {
    const double Vg = GridVoltage(k);
    const auto magnitude = [this](std::int64_t at) { return Magnitude(at); };
    if (std::fabs(Vg) <= kNegligibleGrid) {
        return search::LastHoldingTowards(
            k, lastK, [&](std::int64_t at) { return magnitude(at) <= kNegligibleGrid; });
    }
    if (FlatOnwards(Vg)) {
        return search::LastHoldingTowards(
            k, lastK, [&](std::int64_t at) { return std::isfinite(magnitude(at)); });
    }
    // Cut off at End V, a curve is cut off at each of its points: it draws nothing but zeros.
    if (Vg < 0 && s_.EndV >= 0) {
        if (!cutOff_) {
            cutOff_ = CutOffBetween(in_.tube, s_.EndV);
        }
        const auto cutOff = [&](std::int64_t at) {
            return magnitude(at) >= cutOff_->low && magnitude(at) <= cutOff_->high;
        };
        if (cutOff(k)) {
            return search::LastHoldingTowards(k, lastK, cutOff);
        }
    }
    return k;
}

// Curves first ... last (downwards) draw the same points and put their labels at the same place,
// each label on an opaque box over the ones before. Only the labels that can still show are
// drawn: the curve goes under the first of them and again under the last, which restores it
// wherever an earlier label's box had covered it, as the next curve of the run would have.
void CurveFamilyDrawer::CurveRun(std::int64_t first, std::int64_t last) {
    const auto labelOf = [this](std::int64_t k) { return formats::FormatValue(GridVoltage(k)); };
    const auto decadeOf = [this](std::int64_t k) { return DecadeOf(GridVoltage(k)); };
    const std::vector<std::int64_t> shown = VisibleRunLabels(first, last, labelOf, decadeOf);
    const LabelPlace place = Curve(GridVoltage(shown.front()));
    for (std::size_t i = 1; i + 1 < shown.size(); ++i) {
        labels_.Label(place, labelOf(shown[i]));
    }
    if (shown.size() > 1) {
        Curve(GridVoltage(shown.back()));
    }
}

// Where each curve's current rises with its grid voltage at every plate voltage, curves packed
// closer than the pixels show can be mapped by halving rather than drawn one by one. That holds
// from 0 V of grid down to where the bound of RisingCurrentUpTo stops showing it (below about
// 1500 V of plate voltage, as far as mu * Vg rises, about -2100 V), short of the flat curves,
// which form runs of their own. The last k of such a block from k on.
std::int64_t CurveFamilyDrawer::EndOfDenseBlock(std::int64_t k, std::int64_t lastK) {
    const double volts = map_.Scale().VoltsPerPixel;
    const bool voltByVolt = volts > 0 && volts <= 8;
    if (!voltByVolt || !(s_.GridStep > 0) || s_.EndV < 0) {
        return k;
    }
    if (!risingUpTo_) {
        risingUpTo_ = RisingCurrentUpTo(in_.tube, s_.EndV);
    }
    const double bound = std::min(*risingUpTo_, FlatFrom());
    const auto inside = [&](std::int64_t at) { return Magnitude(at) < bound; };
    return inside(k) ? search::LastHoldingTowards(k, lastK, inside) : k + 1;
}

} // namespace

void DrawCurveFamily(DrawRecorder& draw, const PlotMapping& map, const RedrawInput& in) {
    CurveFamilyDrawer(draw, map, in).Draw();
}

} // namespace valvescope
