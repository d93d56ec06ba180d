#include "core/plot/redraw.h"

#include "core/plot/bracketsearch.h"
#include "core/plot/curveruns.h"
#include "core/plot/curvetrace.h"
#include "core/plot/densefamily.h"
#include "core/plot/pixelmath.h"

#include "formats/formats.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>

namespace valvescope {

namespace {

using checked::Add;
using checked::Div;
using checked::Mul;
using checked::Pixel;
using checked::PixelDifference;
using checked::PixelSum;
using checked::Sub;

// The bias line's search raises its current in steps of a hundredth of a milliamp.
constexpr double kBiasStep = 1e-5;

// Grid voltages at least this far out have used up the amplification factor (5200^0.253 =
// 8.713 > 8.7): their curves run along the bottom edge. Grid voltages at most this far from 0
// change none of the curve's sums, and their curves are those of 0 V.
constexpr double kUsedUpGrid = 5200;
constexpr double kNegligibleGrid = 1e-70;

// The leftmost column of the Wp hyperbola that is drawn: a 2-pixel stroke further left stays
// off the surface.
constexpr std::int64_t kFirstVisibleColumn = -9;

// Families with fewer curves left than this are drawn curve by curve without looking for runs.
constexpr std::int64_t kCurvesWorthARun = 32;

// Blocks of fewer curves than this are drawn curve by curve rather than mapped.
constexpr std::int64_t kCurvesWorthMapping = 64;

// The current after `steps` steps of the bias line's search from 0, each step added and rounded
// as the search adds it. Within one binade every step after the first adds the same amount
// (a tie, possible in one binade only, goes the same way once the last bit is even), so three
// plain steps show that amount and the rest of the binade is crossed in one multiplication.
double BiasStepSum(std::uint64_t steps) {
    double sum = 0;
    while (steps > 0) {
        const double first = sum + kBiasStep;
        const double second = first + kBiasStep;
        const double third = second + kBiasStep;
        if (steps <= 3) {
            return steps == 1 ? first : steps == 2 ? second : third;
        }
        steps -= 3;
        sum = third;
        if (std::ilogb(second) != std::ilogb(third)) {
            continue;
        }
        const double increment = third - second;
        const double ceiling = std::ldexp(1.0, std::ilogb(third) + 1);
        auto room = static_cast<std::uint64_t>((ceiling - third) / increment);
        // Steps whose plain sum would reach the next binade are taken one by one.
        while (room > 0 && third + static_cast<double>(room + 2) * increment >= ceiling) {
            --room;
        }
        const std::uint64_t jump = std::min(room, steps);
        sum = third + static_cast<double>(jump) * increment;
        steps -= jump;
    }
    return sum;
}

// Where the curve of a label puts it.
struct LabelPlace {
    std::int32_t x = 0;
    std::int32_t y = 0;
};

class PlotDrawing {
public:
    PlotDrawing(const RedrawInput& in, const PlotScale& scale, DrawOps& ops)
        : in_(in), s_(in.settings), scale_(scale), ops_(ops), draw_(ops),
          tracer_([this](const TracedLine& line) { TakeLine(line); }), W_(in.width), H_(in.height) {
    }

    void Draw(double shortCircuitCurrent);

private:
    // Column of plate voltage V.
    std::int32_t X(double V) const { return Pixel(Div(V, scale_.VoltsPerPixel)); }
    // Row of current I in amperes.
    std::int32_t Y(double I) const {
        return Pixel(Sub(H_, Mul(Mul(I, 1000), scale_.PixelsPerMilliamp)));
    }
    void StopIfAsked() const {
        if (in_.stop.stop_requested()) {
            throw RedrawStopped();
        }
    }
    void Line(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
        draw_.MoveTo(x1, y1);
        draw_.LineTo(x2, y2);
    }

    void VerticalGridLines(int parts);
    void HorizontalGridLines(int parts);
    void Grid();
    void Frame();
    void VmaxLine();
    void ImaxLine();
    void WpHyperbola();
    void RkBiasLine();
    void RkBiasLineStepByStep();
    double CurrentAfter(std::uint64_t steps) const;
    bool BiasSearchStopsAt(double I, double Va) const;
    bool BiasSearchStops(std::uint64_t steps, double Va) const;
    std::uint64_t BiasSearchEnd(std::uint64_t from, double Va) const;
    std::optional<double> BiasVoltage(std::uint64_t steps) const;
    std::uint64_t FirstStepWhere(const std::function<bool(double)>& holds) const;
    std::uint64_t BiasVoltagePeak() const;
    double BiasCurrentAt(std::uint64_t steps, double Va) const;
    std::int64_t LastVoltInColumn(std::int64_t volts, std::int64_t last) const;
    void CurveFamily();
    double GridVoltage(std::int64_t k) const { return Mul(static_cast<double>(k), s_.GridStep); }
    bool FlatOnwards(double Vg);
    double FlatFrom();
    std::int64_t EndOfSameCurves(std::int64_t k, std::int64_t lastK);
    void CurveRun(std::int64_t first, std::int64_t last);
    std::int64_t EndOfDenseBlock(std::int64_t k, std::int64_t lastK);
    void DenseBlock(std::int64_t first, std::int64_t last);
    LabelPlace TracedCurve(const std::vector<std::int32_t>& xs,
                           const std::vector<std::int32_t>& rows, std::int32_t stop, double Va,
                           const std::string& label, const std::vector<std::size_t>* changed);
    LabelPlace Curve(double Vg);
    void Label(LabelPlace place, const std::string& text);
    void CurveStart();
    void CurveLineTo(PixelPoint to);
    void TakeLine(const TracedLine& line);
    void EmitLine(PixelPoint from, PixelPoint to);
    void FlushPendingLabel();
    bool CurveStops(const tubemath::GridCurve& curve, double Va) const;
    void CurvePoints(const tubemath::GridCurve& curve, double& I, double& Va);
    void LoadLine(double shortCircuitCurrent);

    const RedrawInput& in_;
    const PlotSettings& s_;
    const PlotScale& scale_;
    DrawOps& ops_;
    DrawRecorder draw_;
    CurveTracer tracer_;
    // The last label of the family, held back with the lines drawn since that it may touch,
    // until the next label shows whether it covers it.
    struct PendingLabel {
        LabelPlace place;
        std::string text;
        std::uint64_t number = 0;
        LabelReach reach;
        std::vector<TracedLine> held;
    };
    std::optional<PendingLabel> pending_;
    std::uint64_t labelsWritten_ = 0;
    bool labelFontSet_ = false;
    PixelPoint pen_;        // where the last line drawn left the surface's current point
    bool penKnown_ = false; // false until a curve line has been drawn
    const std::int32_t W_;
    const std::int32_t H_;
    // Where the bias voltage stops rising with the current, when the search can get that far.
    std::uint64_t biasPeak_ = std::numeric_limits<std::uint64_t>::max();
    // The last current formed from a step count, to be continued from by plain steps.
    mutable std::uint64_t summedSteps_ = 0;
    mutable double stepSum_ = 0;
    // The grid magnitude from which on negative grid voltages give flat curves, once looked for.
    std::optional<double> flatFrom_;
    // How far down from 0 V of grid the current is shown to rise with the grid voltage, and where
    // the cutoff holds at End V, once looked for.
    std::optional<double> risingUpTo_;
    std::optional<CutOffStretch> cutOff_;
};

void PlotDrawing::Draw(double shortCircuitCurrent) {
    draw_.Blank(W_, H_);
    Grid();
    Frame();
    if (in_.overlays.Vmax) {
        VmaxLine();
    }
    if (in_.overlays.Imax) {
        ImaxLine();
    }
    if (in_.overlays.Wp) {
        WpHyperbola();
    }
    draw_.MoveTo(0, H_);
    if (in_.overlays.Rk) {
        RkBiasLine();
    }
    draw_.PenColour(kBlack);
    draw_.PenWidth(1);
    CurveFamily();
    if (in_.overlays.LoadLine) {
        LoadLine(shortCircuitCurrent);
    }
}

void PlotDrawing::VerticalGridLines(int parts) {
    const double step = Div(W_, parts);
    for (int i = 1; i < parts; ++i) {
        const std::int32_t x = Pixel(Mul(i, step));
        Line(x, 0, x, H_);
    }
}

void PlotDrawing::HorizontalGridLines(int parts) {
    const double step = Div(H_, parts);
    for (int i = 1; i < parts; ++i) {
        const std::int32_t y = Pixel(Mul(i, step));
        Line(0, y, W_, y);
    }
}

// Fine lines first, then the coarse ones over them: tenths and fifths of the axes.
void PlotDrawing::Grid() {
    draw_.PenWidth(1);
    draw_.PenColour(kSilver);
    VerticalGridLines(50);
    draw_.PenColour(kBlue);
    VerticalGridLines(10);
    draw_.PenColour(kSilver);
    HorizontalGridLines(25);
    draw_.PenColour(kBlue);
    HorizontalGridLines(5);
}

// The right and bottom sides run along x = W and y = H, just outside the surface.
void PlotDrawing::Frame() {
    draw_.PenColour(kBlack);
    draw_.PenWidth(1);
    draw_.MoveTo(0, 0);
    draw_.LineTo(W_, 0);
    draw_.LineTo(W_, H_);
    draw_.LineTo(0, H_);
    draw_.LineTo(0, 0);
}

void PlotDrawing::VmaxLine() {
    draw_.PenColour(kRed);
    draw_.PenWidth(2);
    const std::int32_t x = X(in_.limits.Vmax);
    draw_.MoveTo(x, 2);
    draw_.LineTo(x, PixelDifference(H_, 2));
    draw_.PenWidth(1);
}

// Imax is in milliamps, so the line takes its own conversion.
void PlotDrawing::ImaxLine() {
    draw_.PenColour(kRed);
    draw_.PenWidth(2);
    const std::int32_t y =
        PixelDifference(H_, Pixel(Mul(in_.limits.Imax, scale_.PixelsPerMilliamp)));
    draw_.MoveTo(2, y);
    draw_.LineTo(PixelDifference(W_, 2), y);
    draw_.PenWidth(1);
}

// The plate-dissipation limit I = Wp / V, from where it crosses the top edge to the right edge.
void PlotDrawing::WpHyperbola() {
    draw_.PenColour(kRed);
    draw_.PenWidth(2);
    const double Vtop = Div(in_.limits.Wp, Div(s_.EndI, 1000));
    if (!(s_.EndV > Vtop)) {
        return;
    }
    const std::int32_t x0 = X(Vtop);
    draw_.MoveTo(x0, 0);
    // Where the hyperbola starts far left of the surface (a negative End I puts it there), the
    // columns up to a few pixels short of the left edge are one stroke that stays out of sight,
    // however wide the pen; the current only grows towards the edge, so nothing there fails
    // that the columns kept would not.
    const std::int64_t firstColumn = std::max<std::int64_t>(PixelSum(x0, 1), kFirstVisibleColumn);
    for (std::int64_t x = firstColumn; x <= W_; ++x) {
        const double V = Mul(static_cast<double>(x), scale_.VoltsPerPixel);
        const double I = Div(in_.limits.Wp, V);
        draw_.LineTo(static_cast<std::int32_t>(x), Y(I));
    }
}

// For each whole plate voltage, the current at which the cathode resistor biases the tube: the
// search only moves up, so each voltage starts from the current found for the one before.
void PlotDrawing::RkBiasLineStepByStep() {
    const double Rk = s_.Rk;
    const double topCurrent = s_.EndI / 1000.0;
    double I = 0;
    for (std::int64_t volts = 0; volts <= s_.EndV; ++volts) {
        if (volts % 1024 == 0) {
            StopIfAsked();
        }
        const double Va = static_cast<double>(volts);
        while (Va > Add(tubemath::PlateVoltage(in_.tube, Mul(-Rk, I), I), Mul(Rk, I)) &&
               I < topCurrent) {
            I += kBiasStep;
        }
        if (!(I >= 0)) {
            I = 0;
        }
        draw_.LineTo(X(Va), Y(I));
    }
}

// The current after `steps` steps of the search: continued by plain steps from the last one
// formed when that is close below, formed anew otherwise.
double PlotDrawing::CurrentAfter(std::uint64_t steps) const {
    constexpr std::uint64_t kPlainStepsAhead = 64;
    if (steps >= summedSteps_ && steps - summedSteps_ <= kPlainStepsAhead) {
        for (; summedSteps_ < steps; ++summedSteps_) {
            stepSum_ += kBiasStep;
        }
    } else {
        summedSteps_ = steps;
        stepSum_ = BiasStepSum(steps);
    }
    return stepSum_;
}

// Whether the search at plate voltage Va stops at current I, or fails there.
bool PlotDrawing::BiasSearchStopsAt(double I, double Va) const {
    try {
        return !(Va > Add(tubemath::PlateVoltage(in_.tube, Mul(-s_.Rk, I), I), Mul(s_.Rk, I)) &&
                 I < s_.EndI / 1000.0);
    } catch (const tubemath::ArithmeticError&) {
        return true;
    }
}

// Whether the search at plate voltage Va stops at the current reached after `steps` steps, or
// fails there.
bool PlotDrawing::BiasSearchStops(std::uint64_t steps, double Va) const {
    return BiasSearchStopsAt(CurrentAfter(steps), Va);
}

// The step count at which the search at Va, starting from `from` steps, stops. Most searches end
// within a few steps, which are taken one by one as the search takes them. Beyond those the bias
// voltage rises with the current, so the stop is found by doubling the distance and halving the
// interval instead of stepping; the step before it is checked to run on.
std::uint64_t PlotDrawing::BiasSearchEnd(std::uint64_t from, double Va) const {
    constexpr std::uint64_t kStepsTakenOneByOne = 64;
    double I = CurrentAfter(from);
    for (std::uint64_t taken = 0; taken < kStepsTakenOneByOne; ++taken) {
        if (BiasSearchStopsAt(I, Va)) {
            return from + taken;
        }
        I += kBiasStep;
    }
    from += kStepsTakenOneByOne;
    if (BiasSearchStopsAt(I, Va)) {
        return from;
    }
    std::uint64_t runsOn = from;
    std::uint64_t distance = 1;
    std::uint64_t probe = from + distance;
    // Past its peak the bias voltage falls again, so a probe never jumps over the peak: a
    // voltage just below it is reached only in a narrow band of currents before it.
    if (from < biasPeak_ && probe > biasPeak_) {
        probe = biasPeak_;
    }
    while (!BiasSearchStops(probe, Va)) {
        runsOn = probe;
        distance *= 2;
        probe = from + distance;
        if (runsOn < biasPeak_ && probe > biasPeak_) {
            probe = biasPeak_;
        }
    }
    std::uint64_t stops = probe;
    while (stops - runsOn > 1) {
        const std::uint64_t middle = runsOn + (stops - runsOn) / 2;
        (BiasSearchStops(middle, Va) ? stops : runsOn) = middle;
    }
    return stops;
}

// The bias voltage after `steps` steps of the search, or nothing where it cannot be formed.
std::optional<double> PlotDrawing::BiasVoltage(std::uint64_t steps) const {
    const double I = CurrentAfter(steps);
    try {
        return Add(tubemath::PlateVoltage(in_.tube, Mul(-s_.Rk, I), I), Mul(s_.Rk, I));
    } catch (const tubemath::ArithmeticError&) {
        return std::nullopt;
    }
}

// The first step count whose current meets `holds`, which once met stays met as the current
// rises; the maximum step count when none does.
std::uint64_t PlotDrawing::FirstStepWhere(const std::function<bool(double)>& holds) const {
    std::uint64_t below = 0;
    std::uint64_t at = 1;
    if (holds(CurrentAfter(0))) {
        return 0;
    }
    while (!holds(CurrentAfter(at))) {
        if (at > (std::uint64_t{1} << 62)) {
            return std::numeric_limits<std::uint64_t>::max();
        }
        below = at;
        at *= 2;
    }
    while (at - below > 1) {
        const std::uint64_t middle = below + (at - below) / 2;
        (holds(CurrentAfter(middle)) ? at : below) = middle;
    }
    return at;
}

// The step count of the bias voltage's peak, if the search can pass it before reaching the top of
// the plot. With the grid at -Rk * I the bias voltage rises with the current until the grid
// reaches about -3300 V, then falls for good; with a negative Rk it peaks at a positive grid
// voltage. The peak is found by narrowing the interval by thirds.
std::uint64_t PlotDrawing::BiasVoltagePeak() const {
    constexpr double kStillRisingGrid = 3000;
    const double topCurrent = s_.EndI / 1000.0;
    std::uint64_t low = 0;
    std::uint64_t high = 0;
    if (s_.Rk < 0 && topCurrent > 0) {
        // A negative Rk puts the grid above 0 V: the bias voltage rises to a peak and falls
        // again, until the grid reaches the law exponent's limit, past which the model's plate
        // voltage is 0 and the bias voltage (Rk * I) is below every plate voltage searched for.
        const tubemath::TubeParams& t = in_.tube;
        high = FirstStepWhere([&](double I) {
            return !(I < topCurrent) || -s_.Rk * I / t.ExponentSlope >= t.LawExponent;
        });
    } else if (s_.Rk > 0 && s_.Rk * topCurrent > kStillRisingGrid) {
        low = FirstStepWhere([&](double I) { return s_.Rk * I > kStillRisingGrid; });
        high = FirstStepWhere([&](double I) { return !(I < topCurrent); });
    } else {
        return std::numeric_limits<std::uint64_t>::max();
    }
    if (high == std::numeric_limits<std::uint64_t>::max() || high < low) {
        return std::numeric_limits<std::uint64_t>::max();
    }
    const auto voltage = [this](std::uint64_t steps) {
        return BiasVoltage(steps).value_or(-std::numeric_limits<double>::infinity());
    };
    while (high - low > 2) {
        const std::uint64_t third = (high - low) / 3;
        const std::uint64_t left = low + third;
        const std::uint64_t right = high - third;
        (voltage(left) < voltage(right) ? low : high) =
            voltage(left) < voltage(right) ? left : right;
    }
    std::uint64_t peak = low;
    for (std::uint64_t steps = low + 1; steps <= high; ++steps) {
        if (voltage(steps) > voltage(peak)) {
            peak = steps;
        }
    }
    return peak;
}

// The current the search ends with, its last test made as the step-by-step search makes it, so
// that a fault there is raised.
double PlotDrawing::BiasCurrentAt(std::uint64_t steps, double Va) const {
    static_cast<void>(Va);
    const double I = CurrentAfter(steps);
    Add(tubemath::PlateVoltage(in_.tube, Mul(-s_.Rk, I), I), Mul(s_.Rk, I));
    return I >= 0 ? I : 0;
}

// The last whole volt, up to `last`, that falls into the same pixel column as `volts`.
std::int64_t PlotDrawing::LastVoltInColumn(std::int64_t volts, std::int64_t last) const {
    const std::int32_t column = X(static_cast<double>(volts));
    const auto inColumn = [&](std::int64_t at) { return X(static_cast<double>(at)) == column; };
    // The column's right edge in volts is a close guess; the halving below settles it.
    std::int64_t inside = volts;
    std::int64_t beyond = last + 1;
    const double edge = std::floor((column + 0.5) * scale_.VoltsPerPixel);
    if (edge > static_cast<double>(volts) && edge < static_cast<double>(last)) {
        const auto guess = static_cast<std::int64_t>(edge);
        if (inColumn(guess)) {
            inside = guess;
            if (!inColumn(guess + 1)) {
                return guess;
            }
        } else {
            beyond = guess;
        }
    }
    while (beyond - inside > 1) {
        const std::int64_t middle = inside + (beyond - inside) / 2;
        (inColumn(middle) ? inside : beyond) = middle;
    }
    return inside;
}

// Within one pixel column the current only rises, so the line-tos there run straight up the
// column and paint what the first and the last of them paint: only those two are drawn.
void PlotDrawing::RkBiasLine() {
    draw_.PenColour(kMaroon);
    draw_.PenWidth(2);
    if (in_.stepByStep || !(scale_.VoltsPerPixel > 0) || !std::isfinite(scale_.VoltsPerPixel)) {
        RkBiasLineStepByStep();
        return;
    }
    biasPeak_ = BiasVoltagePeak();
    std::uint64_t steps = 0;
    const auto searchAt = [&](std::int64_t volts) {
        return BiasSearchEnd(steps, static_cast<double>(volts));
    };
    // A line-to the current the search at `volts` ended with; where its bias voltage cannot be
    // formed, the fault is raised instead, as the search's last test raises it.
    const auto drawAt = [&](std::int64_t volts, std::uint64_t end) {
        steps = end;
        const double Va = static_cast<double>(volts);
        draw_.LineTo(X(Va), Y(BiasCurrentAt(end, Va)));
    };
    // The search goes further the higher the voltage, so once a search fails every later one
    // does.
    const auto fails = [&](std::int64_t volts) { return !BiasVoltage(searchAt(volts)); };
    for (std::int64_t volts = 0; volts <= s_.EndV;) {
        StopIfAsked();
        const std::int64_t columnEnd = LastVoltInColumn(volts, s_.EndV);
        drawAt(volts, searchAt(volts));
        if (columnEnd > volts) {
            const std::uint64_t end = searchAt(columnEnd);
            if (!BiasVoltage(end)) {
                // The column is drawn up to the last voltage whose search ends well, and the
                // next one raises the fault, as stepping volt by volt would.
                std::int64_t good = volts;
                std::int64_t bad = columnEnd;
                while (bad - good > 1) {
                    const std::int64_t middle = good + (bad - good) / 2;
                    (fails(middle) ? bad : good) = middle;
                }
                if (good > volts) {
                    drawAt(good, searchAt(good));
                }
                drawAt(bad, searchAt(bad));
            }
            drawAt(columnEnd, end);
        }
        volts = columnEnd + 1;
    }
}

void PlotDrawing::CurveFamily() {
    if (s_.GridLineCount == std::numeric_limits<std::int32_t>::min()) {
        throw tubemath::ArithmeticError(tubemath::kIntegerOverflowMessage);
    }
    const std::int64_t lastK = -std::int64_t{s_.GridLineCount};
    if (in_.stepByStep) {
        for (std::int64_t k = 0; k >= lastK; --k) {
            StopIfAsked();
            Curve(GridVoltage(k));
        }
        return;
    }
    // What was drawn before a fault includes the label held back.
    try {
        std::int64_t k = 0;
        while (k >= lastK) {
            StopIfAsked();
            const double Vg = GridVoltage(k);
            const std::int64_t runEnd =
                k - lastK >= kCurvesWorthARun ? EndOfSameCurves(k, lastK) : k;
            const std::int64_t blockEnd =
                runEnd == k && k - lastK >= kCurvesWorthMapping ? EndOfDenseBlock(k, lastK) : k;
            if (runEnd < k) {
                CurveRun(k, runEnd);
                k = runEnd - 1;
            } else if (k - blockEnd + 1 >= kCurvesWorthMapping) {
                DenseBlock(k, blockEnd);
                k = blockEnd - 1;
            } else {
                Curve(Vg);
                --k;
            }
        }
    } catch (...) {
        FlushPendingLabel();
        throw;
    }
    FlushPendingLabel();
}

// Whether the curves of Vg and of every grid voltage further out on its side draw no current
// that reaches the second row or stops a curve: the flat curves along the bottom edge.
bool PlotDrawing::FlatOnwards(double Vg) {
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
double PlotDrawing::FlatFrom() {
    if (!flatFrom_) {
        // Within a quarter of a pixel of the bottom row, and under half the stopping current.
        const double ppm = std::fabs(scale_.PixelsPerMilliamp);
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
std::int64_t PlotDrawing::EndOfSameCurves(std::int64_t k, std::int64_t lastK) {
    const double Vg = GridVoltage(k);
    const auto magnitude = [this](std::int64_t at) {
        return std::fabs(static_cast<double>(at) * s_.GridStep);
    };
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
void PlotDrawing::CurveRun(std::int64_t first, std::int64_t last) {
    const auto labelOf = [this](std::int64_t k) { return formats::FormatValue(GridVoltage(k)); };
    // The formatter's bands change at powers of ten.
    const auto decadeOf = [this](std::int64_t k) {
        const double magnitude = std::fabs(GridVoltage(k));
        return magnitude > 0 ? static_cast<int>(std::floor(std::log10(magnitude)))
                             : std::numeric_limits<int>::min();
    };
    const std::vector<std::int64_t> shown = VisibleRunLabels(first, last, labelOf, decadeOf);
    const LabelPlace place = Curve(GridVoltage(shown.front()));
    for (std::size_t i = 1; i + 1 < shown.size(); ++i) {
        Label(place, labelOf(shown[i]));
    }
    if (shown.size() > 1) {
        Curve(GridVoltage(shown.back()));
    }
}

// One plate curve, from the origin until it passes 95 % of either axis, and its label.
// Where each curve's current rises with its grid voltage at every plate voltage, curves packed
// closer than the pixels show can be mapped by halving rather than drawn one by one. That holds
// from 0 V of grid down to where the bound of RisingCurrentUpTo stops showing it (below about
// 1500 V of plate voltage, as far as mu * Vg rises, about -2100 V), short of the flat curves,
// which form runs of their own. The last k of such a block from k on.
std::int64_t PlotDrawing::EndOfDenseBlock(std::int64_t k, std::int64_t lastK) {
    const double volts = scale_.VoltsPerPixel;
    const bool voltByVolt = volts > 0 && volts <= 8;
    if (!voltByVolt || !(s_.GridStep > 0) || s_.EndV < 0) {
        return k;
    }
    if (!risingUpTo_) {
        risingUpTo_ = RisingCurrentUpTo(in_.tube, s_.EndV);
    }
    const double bound = std::min(*risingUpTo_, FlatFrom());
    const auto inside = [&](std::int64_t at) {
        return std::fabs(static_cast<double>(at) * s_.GridStep) < bound;
    };
    return inside(k) ? search::LastHoldingTowards(k, lastK, inside) : k + 1;
}

// The curves first ... last, mapped: each stretch of curves with the same points is drawn as a
// run, with the labels that can still show.
void PlotDrawing::DenseBlock(std::int64_t first, std::int64_t last) {
    const double currentLimit = 0.95 * s_.EndI;
    const double voltageLimit = 0.95 * s_.EndV;
    // The curve's last plate voltage when its current does not stop it first.
    std::int32_t lastVolt = 0;
    while (!(lastVolt > voltageLimit) && lastVolt != s_.EndV) {
        ++lastVolt;
    }
    const auto pointAt = [&](std::int64_t k, std::int32_t v) {
        double I = tubemath::PlateCurrent(in_.tube, GridVoltage(k), v);
        if (!(I >= 0)) {
            I = 0;
        }
        return FamilyPoint{Y(I), I * 1000 > currentLimit};
    };
    const FamilyMap map = MapFamily(first, last, lastVolt, pointAt);
    // Where the curves change, the highest first: a change after k parts k from k - 1.
    std::vector<std::int64_t> breaks;
    for (const RowChange& change : map.changes) {
        breaks.push_back(change.after);
    }
    for (const std::int64_t from : map.stopsFrom) {
        if (from > last && from <= first) {
            breaks.push_back(from);
        }
    }
    std::sort(breaks.begin(), breaks.end(), std::greater<>());
    breaks.erase(std::unique(breaks.begin(), breaks.end()), breaks.end());
    breaks.push_back(last);

    std::vector<std::int32_t> xs;
    for (std::int32_t v = 0; v <= lastVolt; ++v) {
        xs.push_back(X(v));
    }
    std::vector<std::int32_t> rows = map.topRow;
    std::size_t changesApplied = 0;
    std::int32_t stop = 0; // no curve from here down stops below it
    // Texts only change every so many curves here: the stretch of curves known to share the
    // latest text is kept, so that most labels are looked up rather than formatted.
    struct KnownText {
        std::int64_t low = 1;
        std::int64_t high = 0;
        std::string text;
    } known;
    const auto labelOf = [&](std::int64_t k) {
        if (k >= known.low && k <= known.high) {
            return known.text;
        }
        std::string text = formats::FormatValue(GridVoltage(k));
        // Texts run one way with k, so a text seen again holds everywhere between.
        if (text == known.text) {
            known.low = std::min(known.low, k);
            known.high = std::max(known.high, k);
        } else {
            known = {k, k, text};
        }
        return text;
    };
    const auto decadeOf = [this](std::int64_t k) {
        const double magnitude = std::fabs(GridVoltage(k));
        return magnitude > 0 ? static_cast<int>(std::floor(std::log10(magnitude)))
                             : std::numeric_limits<int>::min();
    };
    ops_.reserve(ops_.size() + 4 * map.changes.size());
    // The lines that differ from the run before's: the two at each changed point, and those
    // past its end.
    std::vector<std::size_t> changed;
    bool firstRun = true;
    std::int32_t stopBefore = 0;
    std::int64_t high = first;
    for (const std::int64_t low : breaks) {
        if (low > high) {
            continue;
        }
        StopIfAsked();
        changed.clear();
        while (changesApplied < map.changes.size() && map.changes[changesApplied].after > high) {
            const RowChange& change = map.changes[changesApplied++];
            rows[static_cast<std::size_t>(change.volt)] = change.row;
            changed.push_back(static_cast<std::size_t>(change.volt));
            changed.push_back(static_cast<std::size_t>(change.volt) + 1);
        }
        while (stop < lastVolt && map.stopsFrom[static_cast<std::size_t>(stop)] > high) {
            ++stop;
        }
        for (std::int32_t v = stopBefore + 1; v <= stop; ++v) {
            changed.push_back(static_cast<std::size_t>(v));
        }
        const bool stopsForCurrent = map.stopsFrom[static_cast<std::size_t>(stop)] <= high;
        const double Va = stopsForCurrent || stop > voltageLimit ? stop : stop + 1.0;
        const std::vector<std::int64_t> shown = VisibleRunLabels(high, low, labelOf, decadeOf);
        const LabelPlace place =
            TracedCurve(xs, rows, stop, Va, labelOf(shown.front()), firstRun ? nullptr : &changed);
        for (std::size_t i = 1; i + 1 < shown.size(); ++i) {
            Label(place, labelOf(shown[i]));
        }
        if (shown.size() > 1) {
            static const std::vector<std::size_t> kNoChange;
            TracedCurve(xs, rows, stop, Va, labelOf(shown.back()), &kNoChange);
        }
        firstRun = false;
        stopBefore = stop;
        high = low - 1;
    }
}

// A curve whose rows are known, from 0 V up to `stop`, ending at Va, and its label. With
// `changed`, it runs as the curve drawn just before it except for those lines.
LabelPlace PlotDrawing::TracedCurve(const std::vector<std::int32_t>& xs,
                                    const std::vector<std::int32_t>& rows, std::int32_t stop,
                                    double Va, const std::string& label,
                                    const std::vector<std::size_t>* changed) {
    const auto pointAt = [&](std::size_t v) { return PixelPoint{xs[v], rows[v]}; };
    if (changed == nullptr) {
        CurveStart();
        for (std::int32_t v = 0; v <= stop; ++v) {
            CurveLineTo(pointAt(static_cast<std::size_t>(v)));
        }
    } else {
        tracer_.Repeat(static_cast<std::size_t>(stop) + 1, *changed, [&](std::size_t i) {
            return std::pair{i == 0 ? PixelPoint{0, H_} : pointAt(i - 1), pointAt(i)};
        });
    }
    const double voltageLimit = 0.95 * s_.EndV;
    const LabelPlace place =
        Va < voltageLimit ? LabelPlace{PixelDifference(X(Va), 3), 1}
                          : LabelPlace{PixelDifference(W_, 25),
                                       PixelDifference(rows[static_cast<std::size_t>(stop)], 10)};
    Label(place, label);
    return place;
}

LabelPlace PlotDrawing::Curve(double Vg) {
    CurveStart();
    double I = 0;
    double Va = 0;
    const double voltageLimit = 0.95 * s_.EndV;
    if (s_.EndV >= 0) {
        const tubemath::GridCurve curve(in_.tube, Vg);
        CurvePoints(curve, I, Va);
    }
    const std::string label = formats::FormatValue(Vg);
    // Where the curve left through the top, the label goes just left of its last point.
    const LabelPlace place = Va < voltageLimit
                                 ? LabelPlace{PixelDifference(X(Va), 3), 1}
                                 : LabelPlace{PixelDifference(W_, 25), PixelDifference(Y(I), 10)};
    Label(place, label);
    return place;
}

// A label that a later one at the same place covers never shows: it is held back until the next
// label is known, and dropped with the lines drawn again only because it had been written over
// them.
void PlotDrawing::Label(LabelPlace place, const std::string& text) {
    if (in_.stepByStep) {
        draw_.Text(place.x, place.y, text);
        return;
    }
    if (pending_ && pending_->place.x == place.x && pending_->place.y == place.y &&
        LabelCovers(text, pending_->text)) {
        for (const TracedLine& line : pending_->held) {
            if (!(line.redrawn && line.erasedBy == pending_->number)) {
                EmitLine(line.from, line.to);
            }
        }
        pending_.reset();
    } else {
        FlushPendingLabel();
    }
    const std::uint64_t number = ++labelsWritten_;
    pending_ = PendingLabel{place, text, number, LabelReach(place.x, place.y, text.size()), {}};
    tracer_.Written(place.x, place.y, text.size(), number);
}

void PlotDrawing::FlushPendingLabel() {
    if (!pending_) {
        return;
    }
    draw_.Text(pending_->place.x, pending_->place.y, pending_->text);
    for (const TracedLine& line : pending_->held) {
        EmitLine(line.from, line.to);
    }
    pending_.reset();
}

// Every curve sets the label font as the rules read; the shortcuts set it once.
void PlotDrawing::CurveStart() {
    if (in_.stepByStep || !labelFontSet_) {
        draw_.Font(kBlue, kLabelFace, kLabelPointSize);
        labelFontSet_ = true;
    }
    if (in_.stepByStep) {
        draw_.MoveTo(0, H_);
    } else {
        tracer_.Begin({0, H_});
    }
}

void PlotDrawing::CurveLineTo(PixelPoint to) {
    if (in_.stepByStep) {
        draw_.LineTo(to.x, to.y);
    } else {
        tracer_.LineTo(to);
    }
}

// A line that the held-back label may touch waits for it; the others are drawn at once, which
// paints what drawing them after the label would.
void PlotDrawing::TakeLine(const TracedLine& line) {
    if (pending_ && pending_->reach.Touches(line.from, line.to)) {
        pending_->held.push_back(line);
    } else {
        EmitLine(line.from, line.to);
    }
}

void PlotDrawing::EmitLine(PixelPoint from, PixelPoint to) {
    if (!penKnown_ || !(pen_ == from)) {
        draw_.MoveTo(from.x, from.y);
    }
    draw_.LineTo(to.x, to.y);
    pen_ = to;
    penKnown_ = true;
}

// Whether the curve's point at Va passes 95 % of the current axis, or cannot be drawn.
bool PlotDrawing::CurveStops(const tubemath::GridCurve& curve, double Va) const {
    try {
        double I = curve.PlateCurrentAt(Va);
        if (!(I >= 0)) {
            I = 0;
        }
        Y(I);
        return I * 1000 > 0.95 * s_.EndI;
    } catch (const tubemath::ArithmeticError&) {
        return true;
    }
}

// The curve's points, whole volt by whole volt, leaving I and Va as the last point left them.
// Where several volts fall into one pixel column, the current rises along the column, so only
// its first and last points are drawn; the point where the curve passes 95 % of the current
// axis is found by doubling and halving.
void PlotDrawing::CurvePoints(const tubemath::GridCurve& curve, double& I, double& Va) {
    const double currentLimit = 0.95 * s_.EndI;
    const double voltageLimit = 0.95 * s_.EndV;
    const auto point = [&](double volts) {
        I = curve.PlateCurrentAt(volts);
        if (!(I >= 0)) {
            I = 0;
        }
        CurveLineTo({X(volts), Y(I)});
    };
    // With a few volts to a column, stepping volt by volt costs less than skipping.
    constexpr double kVoltsPerColumnWorthSkipping = 8;
    const bool fewVolts = !(scale_.VoltsPerPixel > kVoltsPerColumnWorthSkipping) ||
                          !std::isfinite(scale_.VoltsPerPixel);
    if (in_.stepByStep || fewVolts) {
        for (;;) {
            if (std::fmod(Va, 1024) == 0) {
                StopIfAsked();
            }
            point(Va);
            if (I * 1000 > currentLimit || Va > voltageLimit) {
                return;
            }
            if (Va == s_.EndV) {
                Va = Va + 1;
                return;
            }
            Va = Va + 1;
        }
    }
    // The last volt the voltage tests allow: the first above 95 % of End V, or End V itself.
    const std::int64_t lastVolt =
        std::min<std::int64_t>(s_.EndV, static_cast<std::int64_t>(std::floor(voltageLimit)) + 1);
    std::int64_t stop = lastVolt;
    if (CurveStops(curve, 0)) {
        stop = 0;
    } else {
        std::int64_t runsOn = 0;
        std::int64_t distance = 1;
        while (distance < lastVolt && !CurveStops(curve, static_cast<double>(distance))) {
            runsOn = distance;
            distance *= 2;
        }
        std::int64_t stops = std::min(distance, lastVolt + 1);
        while (stops - runsOn > 1) {
            const std::int64_t middle = runsOn + (stops - runsOn) / 2;
            (CurveStops(curve, static_cast<double>(middle)) ? stops : runsOn) = middle;
        }
        stop = std::min(stops, lastVolt);
    }
    for (std::int64_t volts = 0; volts <= stop;) {
        StopIfAsked();
        const std::int64_t columnEnd = LastVoltInColumn(volts, stop);
        point(static_cast<double>(volts));
        if (columnEnd > volts) {
            point(static_cast<double>(columnEnd));
        }
        volts = columnEnd + 1;
    }
    Va = static_cast<double>(stop);
    if (!(I * 1000 > currentLimit) && !(Va > voltageLimit)) {
        Va = Va + 1; // the curve ran to End V
    }
}

// From the short-circuit current down to the bottom edge at one volt above B+.
void PlotDrawing::LoadLine(double shortCircuitCurrent) {
    draw_.PenColour(kBlue);
    draw_.PenWidth(2);
    const double bottomVoltage = Add(s_.BPlus, 1);
    if (s_.EndI / 1000.0 > shortCircuitCurrent) {
        draw_.MoveTo(0, Y(shortCircuitCurrent));
    } else {
        const double topVoltage = Sub(bottomVoltage, Div(Mul(s_.EndI, s_.Ra), 1000));
        draw_.MoveTo(X(topVoltage), 0);
    }
    draw_.LineTo(X(bottomVoltage), H_);
}

} // namespace

void RedrawPlot(const RedrawInput& in, PlotScale& scale, DrawOps& ops) {
    ops.clear();
    const PlotScale newScale{Div(in.settings.EndV, in.width), Div(in.height, in.settings.EndI)};
    scale = newScale;
    // The load line's short-circuit current is taken before anything is drawn, toggle or not.
    const double shortCircuitCurrent = Div(in.settings.BPlus, in.settings.Ra);
    PlotDrawing(in, newScale, ops).Draw(shortCircuitCurrent);
}

} // namespace valvescope
