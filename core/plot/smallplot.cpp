#include "core/plot/smallplot.h"

#include "core/plot/labelboxes.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>

namespace valvescope {

namespace {

constexpr std::int64_t kEdge = 4; // from the surface's border to the texts
constexpr std::int64_t kTick = 3; // a tick's length outside the box
constexpr std::int64_t kGap = 2;  // from a tick to its label
// Half a label's height and a row: a tick label centred on the box's corner clears the row
// beside it.
constexpr std::int64_t kHalfLabel = kLabelBoxHeight / 2 + 1;
constexpr std::int32_t kLineDotRadius = 2;

// A tick at its share of the axis; unlabelled for the 2s and 5s between decades.
struct Tick {
    double Fraction = 0;
    std::string Label;
};

struct AxisScale {
    bool Log = false;
    double Low = 0; // a linear axis' values, or a logarithmic one's decades
    double High = 1;
    std::vector<Tick> Ticks;

    // The share of the way from Low to High, without overflow for values near the largest.
    double FractionOf(double v) const {
        const double at = Log ? std::log10(v) : v;
        const double span = High - Low;
        if (std::isfinite(span)) {
            return span > 0 ? (at - Low) / span : 0;
        }
        return (at / 2 - Low / 2) / (High / 2 - Low / 2);
    }
};

std::string Printed(const char* format, int digits, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, digits, value);
    return text;
}

// A tick value with as many decimals as its step needs.
std::string TickText(double value, double step) {
    if (value == 0) {
        return "0";
    }
    const int decimals = step >= 1 ? 0 : static_cast<int>(std::ceil(-std::log10(step) - 1e-9));
    if (std::fabs(value) < 1e6 && decimals <= 4) {
        return Printed("%.*f", decimals, value);
    }
    return Printed("%.*g", 3, value);
}

std::string DecadeText(int decade) {
    if (decade >= -4 && decade <= 5) {
        const double value = std::pow(10.0, decade);
        return TickText(value, value);
    }
    return "1e" + std::to_string(decade);
}

// The least of 1, 2, 5 and 10 times a power of ten that is at least `rough`.
double NiceStep(double rough) {
    const double decade = std::pow(10.0, std::floor(std::log10(rough)));
    for (const double m : {1.0, 2.0, 5.0}) {
        if (m * decade >= rough) {
            return m * decade;
        }
    }
    return 10 * decade;
}

AxisScale LinearAxis(double least, double most, int mostTicks) {
    AxisScale axis;
    const double low = std::min(0.0, least);
    const double highest = std::max(0.0, most);
    const double high = highest > low ? highest : low + 1; // all at 0: from 0 to 1
    const double step = NiceStep((high / 2 - low / 2) / mostTicks * 2);
    if (!(std::isfinite(step) && step > 0)) {
        axis.Low = low;
        axis.High = high;
        axis.Ticks = {{0, Printed("%.*g", 3, low)}, {1, Printed("%.*g", 3, high)}};
        return axis;
    }
    const double first = std::floor(low / step);
    const double last = std::ceil(high / step);
    axis.Low = std::isfinite(first * step) ? first * step : low;
    axis.High = std::isfinite(last * step) ? last * step : high;
    for (double k = first; k <= last && k - first <= 2.0 * mostTicks + 2; ++k) {
        const double value = k * step;
        if (value >= axis.Low && value <= axis.High) {
            axis.Ticks.push_back({axis.FractionOf(value), TickText(value, step)});
        }
    }
    return axis;
}

AxisScale LogAxis(double least, double most, int mostTicks) {
    AxisScale axis;
    axis.Log = true;
    axis.Low = std::floor(std::log10(least));
    axis.High = std::max(axis.Low + 1, std::ceil(std::log10(most)));
    const int low = static_cast<int>(axis.Low);
    const int decades = static_cast<int>(axis.High) - low;
    const int every = std::max(1, (decades + mostTicks) / mostTicks);
    for (int d = 0; d <= decades; ++d) {
        if (d % every == 0) {
            axis.Ticks.push_back({static_cast<double>(d) / decades, DecadeText(low + d)});
        }
        if (d < decades && decades <= 4) {
            for (const double m : {2.0, 5.0}) {
                axis.Ticks.push_back({(d + std::log10(m)) / decades, {}});
            }
        }
    }
    return axis;
}

AxisScale AxisOf(const std::vector<double>& values, bool log, int mostTicks) {
    const auto [least, most] = std::minmax_element(values.begin(), values.end());
    return log ? LogAxis(*least, *most, mostTicks) : LinearAxis(*least, *most, mostTicks);
}

bool Shows(const std::pair<double, double>& p, const SmallPlot& plot) {
    const auto [x, y] = p;
    return std::isfinite(x) && std::isfinite(y) && (!plot.X.Logarithmic || x > 0) &&
           (!plot.Y.Logarithmic || y > 0);
}

std::int32_t Pixel(std::int64_t v) {
    return static_cast<std::int32_t>(v);
}

// Where the box lies, its axes and the labels shown so far.
class SmallPlotPainter {
public:
    SmallPlotPainter(DrawRecorder& draw, std::int32_t width, std::int32_t height)
        : draw_(draw), labels_(width, height), width_(width), height_(height) {}

    void Titles(const SmallPlot& plot) {
        Label(kEdge, kEdge, plot.Y.Title);
        const std::int64_t w = LabelWidth(plot.X.Title);
        const std::int64_t x =
            std::max(kEdge, std::min((left_ + right_ - w) / 2, width_ - kEdge - w));
        Label(x, bottom_ + kHalfLabel + kLabelBoxHeight, plot.X.Title);
    }

    // The box's rows from the surface's height, its columns from the widths of the labels.
    bool Place(const std::vector<double>& xs, const std::vector<double>& ys, const SmallPlot& p) {
        top_ = kEdge + kLabelBoxHeight + kHalfLabel;
        bottom_ = height_ - kEdge - 2 * kLabelBoxHeight - kHalfLabel;
        left_ = kEdge + kTick + kGap;
        right_ = width_ - kEdge - 1;
        if (!xs.empty()) {
            y_ = AxisOf(ys, p.Y.Logarithmic, MostTicks(bottom_ - top_, 28));
            std::int64_t widest = 0;
            for (const Tick& tick : y_.Ticks) {
                widest = std::max(widest, LabelWidth(tick.Label));
            }
            left_ += widest;
            // Twice: room at the right for half the last label.
            for (int pass = 0; pass < 2; ++pass) {
                x_ = AxisOf(xs, p.X.Logarithmic, MostTicks(right_ - left_, 60));
                const std::int64_t last = x_.Ticks.empty() ? 0 : LabelWidth(x_.Ticks.back().Label);
                right_ = width_ - kEdge - 1 - last / 2;
            }
        }
        return right_ - left_ >= 8 && bottom_ - top_ >= 8;
    }

    void Box() {
        draw_.PenColour(kBlack);
        draw_.PenWidth(1);
        draw_.MoveTo(Pixel(left_), Pixel(top_));
        draw_.LineTo(Pixel(right_), Pixel(top_));
        draw_.LineTo(Pixel(right_), Pixel(bottom_));
        draw_.LineTo(Pixel(left_), Pixel(bottom_));
        draw_.LineTo(Pixel(left_), Pixel(top_));
    }

    void Centred(const std::string& text) {
        Label((left_ + right_ - LabelWidth(text)) / 2, (top_ + bottom_ - kLabelBoxHeight) / 2,
              text);
    }

    void Ticks() {
        for (const Tick& tick : y_.Ticks) {
            const std::int64_t y = Row(tick.Fraction);
            draw_.MoveTo(Pixel(left_ - kTick), Pixel(y));
            draw_.LineTo(Pixel(left_), Pixel(y));
            Label(left_ - kTick - kGap - LabelWidth(tick.Label), y - kLabelBoxHeight / 2,
                  tick.Label);
        }
        for (const Tick& tick : x_.Ticks) {
            const std::int64_t x = Column(tick.Fraction);
            draw_.MoveTo(Pixel(x), Pixel(bottom_));
            draw_.LineTo(Pixel(x), Pixel(bottom_ + kTick));
            Label(x - LabelWidth(tick.Label) / 2, bottom_ + kHalfLabel, tick.Label);
        }
    }

    void Points(const std::vector<std::pair<double, double>>& points, Colour colour) {
        if (points.size() == 1) {
            Dot(points.front(), kLineDotRadius, colour);
            return;
        }
        draw_.PenColour(colour);
        draw_.PenWidth(1);
        for (std::size_t k = 0; k < points.size(); ++k) {
            const std::int32_t x = Pixel(Column(x_.FractionOf(points[k].first)));
            const std::int32_t y = Pixel(Row(y_.FractionOf(points[k].second)));
            if (k == 0) {
                draw_.MoveTo(x, y);
            } else {
                draw_.LineTo(x, y);
            }
        }
    }

    void Dot(const std::pair<double, double>& p, std::int32_t radius, Colour colour) {
        draw_.Dot(Pixel(Column(x_.FractionOf(p.first))), Pixel(Row(y_.FractionOf(p.second))),
                  radius, colour);
    }

private:
    static int MostTicks(std::int64_t pixels, std::int64_t apart) {
        return static_cast<int>(std::clamp<std::int64_t>(pixels / apart, 1, 10));
    }

    static double Share(double fraction) {
        return fraction >= 0 ? std::min(fraction, 1.0) : 0; // not a number: 0
    }

    std::int64_t Column(double fraction) const {
        return left_ + std::llround(Share(fraction) * static_cast<double>(right_ - left_));
    }
    std::int64_t Row(double fraction) const {
        return bottom_ - std::llround(Share(fraction) * static_cast<double>(bottom_ - top_));
    }

    void Label(std::int64_t x, std::int64_t y, const std::string& text) {
        const LabelPlace place{Pixel(x), Pixel(y)};
        if (!text.empty() && labels_.Show(place, text)) {
            draw_.Text(place.x, place.y, text);
        }
    }

    DrawRecorder& draw_;
    ShownLabels labels_;
    std::int64_t width_;
    std::int64_t height_;
    std::int64_t left_ = 0;
    std::int64_t right_ = 0;
    std::int64_t top_ = 0;
    std::int64_t bottom_ = 0;
    AxisScale x_;
    AxisScale y_;
};

} // namespace

DrawOps DrawSmallPlot(const SmallPlot& plot, std::int32_t width, std::int32_t height) {
    DrawOps ops;
    DrawRecorder draw(ops);
    draw.Blank(width, height);
    std::vector<std::pair<double, double>> shown;
    for (const std::pair<double, double>& p : plot.Points) {
        if (Shows(p, plot)) {
            shown.push_back(p);
        }
    }
    const bool marked = !shown.empty() && plot.Marked && Shows(*plot.Marked, plot);
    std::vector<double> xs;
    std::vector<double> ys;
    for (const std::pair<double, double>& p : shown) {
        xs.push_back(p.first);
        ys.push_back(p.second);
    }
    if (marked) {
        xs.push_back(plot.Marked->first);
        ys.push_back(plot.Marked->second);
    }
    SmallPlotPainter painter(draw, width, height);
    if (!painter.Place(xs, ys, plot)) {
        return ops;
    }
    draw.Font(kBlack, kLabelFace, kLabelPointSize);
    painter.Titles(plot);
    painter.Box();
    if (shown.empty()) {
        painter.Centred(plot.Empty);
        return ops;
    }
    painter.Ticks();
    painter.Points(shown, plot.colour);
    if (marked) {
        painter.Dot(*plot.Marked, kSmallPlotMarkRadius, kSmallPlotMarkColour);
    }
    return ops;
}

} // namespace valvescope
