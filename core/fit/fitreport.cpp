#include "core/fit/fitreport.h"

#include "formats/formats.h"
#include "formats/sitext.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace valvescope {

namespace {

// `value` to `digits` significant digits, with the user's decimal separator.
std::string Significant(double value, int digits) {
    if (!std::isfinite(value)) {
        return "?";
    }
    char buffer[40];
    const auto end =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, digits);
    std::string text(buffer, end.ptr);
    std::replace(text.begin(), text.end(), '.', formats::DecimalSeparator());
    return text;
}

std::string Milliamps(double value) {
    return formats::FormatFixed(value, 3, "mA");
}

std::string PointCount(std::size_t points) {
    return std::to_string(points) + (points == 1 ? " point" : " points");
}

std::string Padded(std::string text, std::size_t width) {
    if (text.size() < width) {
        text.append(width - text.size(), ' ');
    }
    return text;
}

} // namespace

ModelDifference DifferenceOf(const tubemath::TubeParams& tube, const MeasuredPoints& points) {
    ModelDifference difference;
    double squares = 0;
    for (const MeasuredPoint& point : points) {
        double model = 0;
        try {
            model = tubemath::PlateCurrent(tube, point.Vg, point.Va);
        } catch (const tubemath::ArithmeticError&) {
            ++difference.Failed;
            continue;
        }
        const double milliamps = (model - point.Ia) * 1000.0;
        squares += milliamps * milliamps;
        difference.MaxMilliamps = std::max(difference.MaxMilliamps, std::fabs(milliamps));
        ++difference.Points;
    }
    if (difference.Points > 0) {
        difference.RmsMilliamps = std::sqrt(squares / static_cast<double>(difference.Points));
    }
    return difference;
}

std::string DifferenceText(const ModelDifference& difference) {
    std::string text;
    if (difference.Points > 0) {
        text = "RMS " + Milliamps(difference.RmsMilliamps) + ", largest " +
               Milliamps(difference.MaxMilliamps) + " over " + PointCount(difference.Points);
    }
    if (difference.Failed > 0) {
        text += (text.empty() ? "" : "; ") + std::string("the model cannot be evaluated at ") +
                PointCount(difference.Failed);
    }
    return text;
}

std::string FitReportText(const FitResult& result) {
    std::string text = "Fitted to " + PointCount(result.Points) + ".\nRMS " +
                       Milliamps(result.RmsMilliamps) + ", largest " +
                       Milliamps(result.MaxMilliamps) + "\n\n";
    text += Padded("Constant", 14) + Padded("Value", 13) + "Standard error\n";
    for (std::size_t i = 0; i < kFitConstants.size(); ++i) {
        const FitConstant& constant = kFitConstants[i];
        const ConstantQuality& quality = result.Quality[i];
        text +=
            Padded(constant.Name, 14) + Padded(Significant(result.Params.*constant.Member, 6), 13);
        text += std::isfinite(quality.StandardError) ? Significant(quality.StandardError, 2)
                                                     : "not fixed by the points";
        if (quality.PoorlyDetermined) {
            text += ", poorly determined";
        }
        if (quality.AtBound) {
            text += ", at a bound";
        }
        text += "\n";
    }
    return text;
}

std::string FileStem(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) {
        name.erase(dot);
    }
    return name;
}

Tube FittedTube(const Tube& base, const FitResult& result, const std::string& fileName) {
    Tube tube = base;
    const Tube builtin = Builtin807();
    if (base.Name == builtin.Name && base.Ratings == builtin.Ratings)
        tube.Ratings = {std::nullopt, std::nullopt, std::nullopt, std::nullopt};
    tube.Model.Seed = result.Params;
    tube.Name = FileStem(fileName) + " (fitted)";
    tube.Notes = "Fitted to " + fileName.substr(fileName.find_last_of('/') + 1) + ": " +
                 PointCount(result.Points) + ", RMS " + Milliamps(result.RmsMilliamps) + ".";
    return tube;
}

} // namespace valvescope
