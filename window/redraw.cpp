#include "window/redraw.h"

#include "formats/formats.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace valvescope {

namespace checked {

namespace {

[[noreturn]] void Fail(const char* message) {
    throw tubemath::ArithmeticError(message);
}

// A result computed from finite operands: not-a-number is an invalid operation, an infinity an
// overflow.
double Finite(double result) {
    if (std::isnan(result)) {
        Fail(tubemath::kInvalidOperationMessage);
    }
    if (std::isinf(result)) {
        Fail(tubemath::kOverflowMessage);
    }
    return result;
}

} // namespace

double Quotient(double dividend, double divisor) {
    if (divisor == 0) {
        Fail(dividend == 0 || std::isnan(dividend) ? tubemath::kInvalidOperationMessage
                                                   : tubemath::kDivisionByZeroMessage);
    }
    return Finite(dividend / divisor);
}

double Product(double a, double b) {
    return Finite(a * b);
}
double Sum(double a, double b) {
    return Finite(a + b);
}
double Difference(double a, double b) {
    return Finite(a - b);
}

std::int64_t Round(double v) {
    // nearbyint rounds halves to even in the default rounding mode.
    const double rounded = std::nearbyint(v);
    constexpr double kLimit = 9223372036854775808.0; // 2^63
    if (!(rounded >= -kLimit && rounded < kLimit)) {
        Fail(tubemath::kInvalidOperationMessage);
    }
    return static_cast<std::int64_t>(rounded);
}

std::int32_t Pixel(double v) {
    constexpr std::int64_t kLowest = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t kHighest = std::numeric_limits<std::int32_t>::max();
    const std::int64_t whole = Round(v);
    // Clamped rather than wrapped: a far-off point stays far off in the same direction.
    return static_cast<std::int32_t>(whole < kLowest    ? kLowest
                                     : whole > kHighest ? kHighest
                                                        : whole);
}

std::int32_t PixelSum(std::int32_t a, std::int32_t b) {
    std::int32_t result = 0;
    if (__builtin_add_overflow(a, b, &result)) {
        Fail(kIntegerOverflowMessage);
    }
    return result;
}

std::int32_t PixelDifference(std::int32_t a, std::int32_t b) {
    std::int32_t result = 0;
    if (__builtin_sub_overflow(a, b, &result)) {
        Fail(kIntegerOverflowMessage);
    }
    return result;
}

} // namespace checked

namespace {

using checked::Difference;
using checked::Pixel;
using checked::PixelDifference;
using checked::PixelSum;
using checked::Product;
using checked::Quotient;
using checked::Sum;

class PlotDrawing {
public:
    PlotDrawing(const RedrawInput& in, const PlotScale& scale, DrawOps& ops)
        : in_(in), s_(in.settings), scale_(scale), draw_(ops), W_(in.width), H_(in.height) {}

    void Draw(double shortCircuitCurrent);

private:
    // Column of plate voltage V.
    std::int32_t X(double V) const { return Pixel(Quotient(V, scale_.VoltsPerPixel)); }
    // Row of current I in amperes.
    std::int32_t Y(double I) const {
        return Pixel(Difference(H_, Product(Product(I, 1000), scale_.PixelsPerMilliamp)));
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
    void CurveFamily();
    void Curve(double Vg);
    void LoadLine(double shortCircuitCurrent);

    const RedrawInput& in_;
    const PlotSettings& s_;
    const PlotScale& scale_;
    DrawRecorder draw_;
    const std::int32_t W_;
    const std::int32_t H_;
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
    const double step = Quotient(W_, parts);
    for (int i = 1; i < parts; ++i) {
        const std::int32_t x = Pixel(Product(i, step));
        Line(x, 0, x, H_);
    }
}

void PlotDrawing::HorizontalGridLines(int parts) {
    const double step = Quotient(H_, parts);
    for (int i = 1; i < parts; ++i) {
        const std::int32_t y = Pixel(Product(i, step));
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
        PixelDifference(H_, Pixel(Product(in_.limits.Imax, scale_.PixelsPerMilliamp)));
    draw_.MoveTo(2, y);
    draw_.LineTo(PixelDifference(W_, 2), y);
    draw_.PenWidth(1);
}

// The plate-dissipation limit I = Wp / V, from where it crosses the top edge to the right edge.
void PlotDrawing::WpHyperbola() {
    draw_.PenColour(kRed);
    draw_.PenWidth(2);
    const double Vtop = Quotient(in_.limits.Wp, Quotient(s_.EndI, 1000));
    if (!(s_.EndV > Vtop)) {
        return;
    }
    const std::int32_t x0 = X(Vtop);
    draw_.MoveTo(x0, 0);
    for (std::int64_t x = PixelSum(x0, 1); x <= W_; ++x) {
        const double V = Product(static_cast<double>(x), scale_.VoltsPerPixel);
        const double I = Quotient(in_.limits.Wp, V);
        draw_.LineTo(static_cast<std::int32_t>(x), Y(I));
    }
}

// For each whole plate voltage, the current at which the cathode resistor biases the tube: the
// search only moves up, so each voltage starts from the current found for the one before.
void PlotDrawing::RkBiasLine() {
    draw_.PenColour(kMaroon);
    draw_.PenWidth(2);
    const double Rk = s_.Rk;
    const double topCurrent = s_.EndI / 1000.0;
    double I = 0;
    for (std::int64_t volts = 0; volts <= s_.EndV; ++volts) {
        const double Va = static_cast<double>(volts);
        while (Va > Sum(tubemath::PlateVoltage(in_.tube, Product(-Rk, I), I), Product(Rk, I)) &&
               I < topCurrent) {
            I += 1e-5;
        }
        if (!(I >= 0)) {
            I = 0;
        }
        draw_.LineTo(X(Va), Y(I));
    }
}

void PlotDrawing::CurveFamily() {
    if (s_.GridLineCount == std::numeric_limits<std::int32_t>::min()) {
        throw tubemath::ArithmeticError(kIntegerOverflowMessage);
    }
    const std::int32_t lastK = -s_.GridLineCount;
    for (std::int32_t k = 0; k >= lastK; --k) {
        Curve(Product(k, s_.GridStep));
    }
}

// One plate curve, from the origin until it passes 95 % of either axis, and its label.
void PlotDrawing::Curve(double Vg) {
    draw_.Font(kBlue, kLabelFace, kLabelPointSize);
    draw_.MoveTo(0, H_);
    double I = 0;
    double Va = 0;
    const double currentLimit = 0.95 * s_.EndI;
    const double voltageLimit = 0.95 * s_.EndV;
    if (s_.EndV >= 0) {
        const tubemath::GridCurve curve(in_.tube, Vg);
        for (;;) {
            I = curve.PlateCurrentAt(Va);
            if (!(I >= 0)) {
                I = 0;
            }
            draw_.LineTo(X(Va), Y(I));
            if (I * 1000 > currentLimit || Va > voltageLimit) {
                break;
            }
            if (Va == s_.EndV) {
                Va = Va + 1;
                break;
            }
            Va = Va + 1;
        }
    }
    const std::string label = formats::FormatValue(Vg);
    if (Va < voltageLimit) {
        // The curve left through the top: label just left of its last point.
        draw_.Text(PixelDifference(X(Va), 3), 1, label);
    } else {
        draw_.Text(PixelDifference(W_, 25), PixelDifference(Y(I), 10), label);
    }
}

// From the short-circuit current down to the bottom edge at one volt above B+.
void PlotDrawing::LoadLine(double shortCircuitCurrent) {
    draw_.PenColour(kBlue);
    draw_.PenWidth(2);
    const double bottomVoltage = Sum(s_.BPlus, 1);
    if (s_.EndI / 1000.0 > shortCircuitCurrent) {
        draw_.MoveTo(0, Y(shortCircuitCurrent));
    } else {
        const double topVoltage =
            Difference(bottomVoltage, Quotient(Product(s_.EndI, s_.Ra), 1000));
        draw_.MoveTo(X(topVoltage), 0);
    }
    draw_.LineTo(X(bottomVoltage), H_);
}

} // namespace

void RedrawPlot(const RedrawInput& in, PlotScale& scale, DrawOps& ops) {
    ops.clear();
    const PlotScale newScale{Quotient(in.settings.EndV, in.width),
                             Quotient(in.height, in.settings.EndI)};
    scale = newScale;
    // The load line's short-circuit current is taken before anything is drawn, toggle or not.
    const double shortCircuitCurrent = Quotient(in.settings.BPlus, in.settings.Ra);
    PlotDrawing(in, newScale, ops).Draw(shortCircuitCurrent);
}

} // namespace valvescope
