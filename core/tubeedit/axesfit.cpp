#include "core/tubeedit/axesfit.h"

#include "core/measure/measurements.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace valvescope {

namespace {

// Up to the next number of two significant digits, never below 1.
double RoundedUp(double x) {
    if (!(x > 1)) {
        return 1;
    }
    const double unit = std::pow(10.0, std::floor(std::log10(x)) - 1);
    return std::ceil(x / unit - 1e-9) * unit;
}

std::string Shortest(double x) {
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, x);
    return std::string(text, written.ptr);
}

// Grid voltages are measured to a millivolt at best; finer differences are the tracer's noise.
double ToMillivolts(double volts) {
    return std::round(volts * 1000) / 1000;
}

std::optional<double> GridStep(const std::vector<double>& gridVoltages, std::int32_t gridLines) {
    double spacing = 0;
    for (std::size_t k = 1; k < gridVoltages.size(); ++k) {
        const double gap = ToMillivolts(std::fabs(gridVoltages[k - 1] - gridVoltages[k]));
        if (gap > 0 && (spacing == 0 || gap < spacing)) {
            spacing = gap;
        }
    }
    const double deepest = gridVoltages.empty() ? 0 : -std::min(0.0, gridVoltages.back());
    if (spacing == 0) {
        // One measured curve: the drawn ones step down to it.
        if (deepest == 0 || gridLines < 1) {
            return std::nullopt;
        }
        return ToMillivolts(deepest / gridLines);
    }
    const double lines = std::max<std::int32_t>(gridLines, 1);
    const double multiple = std::max(1.0, std::ceil(deepest / (spacing * lines) - 1e-9));
    return ToMillivolts(spacing * multiple);
}

} // namespace

std::optional<FittedAxes> AxesForMeasurements(const MeasuredPoints& points,
                                              std::int32_t gridLines) {
    double mostVa = 0;
    double mostIa = 0;
    for (const MeasuredPoint& p : points) {
        if (std::isfinite(p.Va) && std::isfinite(p.Ia)) {
            mostVa = std::max(mostVa, p.Va);
            mostIa = std::max(mostIa, p.Ia);
        }
    }
    if (!(mostVa > 0) || !(mostIa > 0)) {
        return std::nullopt;
    }
    FittedAxes axes;
    axes.EndV = Shortest(RoundedUp(mostVa));
    axes.EndI = Shortest(RoundedUp(mostIa * 1000));
    const std::optional<double> step = GridStep(MeasuredGridVoltages(points), gridLines);
    if (step && *step > 0) {
        axes.StepV = Shortest(*step);
    }
    return axes;
}

SettingsTexts WithAxesFitted(SettingsTexts texts, const MeasuredPoints& points) {
    std::int32_t gridLines = 10;
    const std::string& lines = texts.GridLines;
    std::from_chars(lines.data(), lines.data() + lines.size(), gridLines);
    if (const std::optional<FittedAxes> axes = AxesForMeasurements(points, gridLines)) {
        texts.EndV = axes->EndV;
        texts.EndI = axes->EndI;
        if (!axes->StepV.empty()) {
            texts.GridV = axes->StepV;
        }
    }
    return texts;
}

} // namespace valvescope
