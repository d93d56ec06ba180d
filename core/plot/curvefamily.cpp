#include "core/plot/curvefamily.h"

#include "core/plot/curvegrid.h"
#include "core/plot/stoprequest.h"

#include "core/plot/curvewalk.h"
#include "core/plot/pixelmath.h"
#include "core/plot/shortcuts/curveruns.h"
#include "core/plot/shortcuts/denseblock.h"
#include "core/plot/shortcuts/labelqueue.h"
#include "core/plot/shortcuts/tubeshape.h"
#include "core/search/bracketsearch.h"

#include "formats/formats.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace valvescope {

void DrawCurveFamilyReference(DrawRecorder& draw, const PlotMapping& map, const RedrawInput& in) {
    const std::int64_t lastK = LastCurveIndex(in.settings);
    ReferencePen pen(draw, map.Width(), map.Height());
    for (std::int64_t k = 0; k >= lastK; --k) {
        StopIfAsked(in.stop);
        DrawCurve(GridVoltageOf(k, in.settings), in.tube, map, pen, WalkEveryVolt, in.stop);
    }
}

namespace {

// Families with fewer curves left than this are drawn curve by curve without looking for runs.
constexpr std::int64_t kCurvesWorthARun = 32;

// Blocks of fewer curves than this are drawn curve by curve rather than mapped.
constexpr std::int64_t kCurvesWorthMapping = 64;

// With a few volts to a column, stepping volt by volt costs less than skipping.
constexpr double kVoltsPerColumnWorthSkipping = 8;

class CurveFamilyDrawer {
public:
    CurveFamilyDrawer(DrawRecorder& draw, const PlotMapping& map, const RedrawInput& in)
        : draw_(draw), map_(map), in_(in), s_(in.settings),
          labels_(draw, map.Width(), map.Height()),
          walk_(map.Scale().VoltsPerPixel > kVoltsPerColumnWorthSkipping && map.HasColumns()
                    ? WalkByColumns
                    : WalkEveryVolt),
          tube_(in.tube.Model.Seed), usedUp_(UsedUpMagnitude(tube_)),
          negligible_(NegligibleGridMagnitude(tube_)) {}

    void Draw();

private:
    double GridVoltage(std::int64_t k) const { return GridVoltageOf(k, s_); }
    // |k * Step V| without the checks, for comparing with the bounds.
    double Magnitude(std::int64_t k) const {
        return std::fabs(static_cast<double>(k) * s_.GridStep);
    }
    CurveLabel Curve(double Vg) { return DrawCurve(Vg, in_.tube, map_, labels_, walk_, in_.stop); }
    bool PastLawOnwards(double Vg) const;
    bool FlatFaultFree(double magnitude) const;
    double FlatFrom();
    double FlatEnd();
    std::int64_t EndOfSameCurves(std::int64_t k, std::int64_t lastK);
    void CurveRun(std::int64_t first, std::int64_t last);
    std::int64_t EndOfDenseBlock(std::int64_t k, std::int64_t lastK);

    DrawRecorder& draw_;
    const PlotMapping& map_;
    const RedrawInput& in_;
    const PlotSettings& s_;
    LabelQueue labels_;
    const CurveWalk walk_;
    // The seed's constants, the only ones the shortcuts' proofs speak of.
    const tubemath::TubeParams& tube_;
    // Grid magnitudes from which on the amplification factor is used up, and up to which a grid
    // voltage draws the curve of 0 V: both from the tube's constants.
    const double usedUp_;
    const double negligible_;
    // The grid magnitude from which on negative grid voltages give flat curves, once looked for.
    std::optional<double> flatFrom_;
    // Where the flat curves' arithmetic is no longer shown to stay in range, once looked for.
    std::optional<double> flatEnd_;
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

// Whether the curves of Vg and of every grid voltage further out on its side draw no current at
// all: the amplification factor is used up, or (above 0 V) the law exponent's limit is passed.
bool CurveFamilyDrawer::PastLawOnwards(double Vg) const {
    if (Vg >= 0) {
        return PastLawExponentLimit(tube_, Vg) || Vg >= usedUp_;
    }
    return -Vg >= usedUp_;
}

// Whether the tests that a curve past the law's region still makes, |Vg|^MuExponent and
// Vg / ExponentSlope, can be formed at this grid magnitude; once they cannot, they cannot
// further out either.
bool CurveFamilyDrawer::FlatFaultFree(double magnitude) const {
    try {
        tubemath::SignedPower(magnitude, tube_.MuExponent);
        checked::Div(magnitude, tube_.ExponentSlope);
        return true;
    } catch (const tubemath::ArithmeticError&) {
        return false;
    }
}

// The grid magnitude from which on negative grid voltages give flat curves (infinity where the
// bound shows none); looked for once.
double CurveFamilyDrawer::FlatFrom() {
    if (!flatFrom_) {
        // Within a quarter of a pixel of the bottom row, and under half the stopping current.
        const double ppm = std::fabs(map_.Scale().PixelsPerMilliamp);
        const double rowLimit = ppm > 0 ? 0.25 / (1000 * ppm) : HUGE_VAL;
        const double stopLimit = s_.EndI > 0 ? 0.475 * s_.EndI / 1000 : HUGE_VAL;
        const double flatCurrent = std::min(rowLimit, stopLimit);
        flatFrom_ = FlatCurvesFrom(tube_, s_.EndV, flatCurrent);
        flatEnd_ = std::min(usedUp_, FaultFreeGridMagnitude(tube_, s_.EndV, flatCurrent));
    }
    return *flatFrom_;
}

// The grid magnitude up to which (not included) flat curves are shown to draw without a fault.
double CurveFamilyDrawer::FlatEnd() {
    FlatFrom();
    return *flatEnd_;
}

// The last k, down to lastK, whose curve draws the same points as the curve of `k` and puts its
// label at the same place; k itself when no run starts there. A run of flat curves ends before a
// grid voltage that overflows, which the next curve then reports; a run of negligible grid
// voltages ends where they stop being negligible, as |k * step| grows while k falls.
std::int64_t CurveFamilyDrawer::EndOfSameCurves(std::int64_t k, std::int64_t lastK) {
    const double Vg = GridVoltage(k);
    const auto magnitude = [this](std::int64_t at) { return Magnitude(at); };
    if (std::fabs(Vg) <= negligible_) {
        return search::LastHoldingTowards(
            k, lastK, [&](std::int64_t at) { return magnitude(at) <= negligible_; });
    }
    if (s_.EndV < 0) { // no points at all
        return search::LastHoldingTowards(
            k, lastK, [&](std::int64_t at) { return std::isfinite(magnitude(at)); });
    }
    const auto faultFree = [&](std::int64_t at) { return FlatFaultFree(magnitude(at)); };
    if (PastLawOnwards(Vg)) {
        return search::LastHoldingTowards(k, lastK, faultFree);
    }
    // Flat curves up to where their arithmetic is shown to stay in range, and on into the
    // used-up ones when that reaches them.
    if (Vg < 0 && -Vg >= FlatFrom() && -Vg < FlatEnd()) {
        const bool intoUsedUp = FlatEnd() >= usedUp_;
        return search::LastHoldingTowards(k, lastK, [&](std::int64_t at) {
            return magnitude(at) < FlatEnd() || (intoUsedUp && faultFree(at));
        });
    }
    // Cut off at End V, a curve is cut off at each of its points: it draws nothing but zeros.
    if (Vg < 0 && s_.EndV >= 0) {
        if (!cutOff_) {
            cutOff_ = CutOffBetween(tube_, s_.EndV);
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
// so at most one label of the run shows, the first that can: the curve is drawn once with its
// own label, that label written where it is another's, and the curve drawn again after it, which
// restores the lines its box covered, as the next curve of the run would have.
void CurveFamilyDrawer::CurveRun(std::int64_t first, std::int64_t last) {
    const auto labelOf = [this](std::int64_t k) { return formats::FormatValue(GridVoltage(k)); };
    const auto decadeOf = [this](std::int64_t k) { return DecadeOf(GridVoltage(k)); };
    const CurveLabel label = Curve(GridVoltage(first));
    std::optional<std::int64_t> shown = label.shown ? std::optional(first) : std::nullopt;
    if (!shown && first > last) {
        const auto shows = [&](const std::string& text) {
            return labels_.Shows(label.place, text);
        };
        shown = FirstShownRunLabel(first - 1, last, labelOf, decadeOf, shows);
        if (shown) {
            labels_.Label(label.place, labelOf(*shown));
        }
    }
    if (shown && *shown > last) {
        Curve(GridVoltage(last));
    }
}

// Where each curve's current rises with its grid voltage at every plate voltage, curves packed
// closer than the pixels show can be mapped by halving rather than drawn one by one. That holds
// from 0 V of grid down to where the bound of RisingCurrentUpTo stops showing it (for the 807,
// below about 1500 V of plate voltage, as far as mu * Vg rises, about -2100 V), short of the
// flat curves, which form runs of their own, and short of where a curve's arithmetic could
// fault (the block's currents are formed before any of its curves is drawn). The last k of such
// a block from k on.
std::int64_t CurveFamilyDrawer::EndOfDenseBlock(std::int64_t k, std::int64_t lastK) {
    const double volts = map_.Scale().VoltsPerPixel;
    const bool voltByVolt = volts > 0 && volts <= 8;
    if (!voltByVolt || !(s_.GridStep > 0) || s_.EndV < 0) {
        return k;
    }
    if (!risingUpTo_) {
        // Rising with the grid voltage, the space-charge current stays below its value at 0 V.
        const tubemath::TubeParams& t = tube_;
        const double topCurrent =
            t.Perveance * std::pow(std::max(1.0, static_cast<double>(s_.EndV)), t.LawExponent);
        risingUpTo_ =
            std::min(RisingCurrentUpTo(t, s_.EndV), FaultFreeGridMagnitude(t, s_.EndV, topCurrent));
    }
    const double bound = std::min(*risingUpTo_, FlatFrom());
    const auto inside = [&](std::int64_t at) { return Magnitude(at) < bound; };
    return inside(k) ? search::LastHoldingTowards(k, lastK, inside) : k + 1;
}

} // namespace

void DrawCurveFamily(DrawRecorder& draw, const PlotMapping& map, const RedrawInput& in) {
    if (!ShortcutsHoldFor(in.tube)) {
        DrawCurveFamilyReference(draw, map, in);
        return;
    }
    CurveFamilyDrawer(draw, map, in).Draw();
}

} // namespace valvescope
