#include "core/tubeedit/comparedmodels.h"

#include "core/fit/fitoutput.h"

#include "formats/sitext.h"

#include <algorithm>
#include <cmath>

namespace valvescope {

namespace {

std::string ConstantsText(const ModelFitResult& result, bool& uncertain) {
    std::string text;
    for (const tubemath::ModelConstant constant : tubemath::ConstantsOf(result.Model.Kind)) {
        const ConstantQuality& quality = result.Quality[static_cast<std::size_t>(constant)];
        if (!text.empty()) {
            text += ", ";
        }
        text += std::string(tubemath::ConstantName(constant)) + " " +
                formats::FormatSi(result.Tube.Constants[constant], "");
        if (quality.PoorlyDetermined) {
            text += "*";
        }
        if (quality.AtBound) {
            text += "!";
        }
        uncertain = uncertain || quality.PoorlyDetermined || quality.AtBound;
    }
    return text;
}

std::string FileNames(const std::vector<MeasuredFile>& files) {
    std::string names;
    for (const MeasuredFile& file : files) {
        names += (names.empty() ? "" : ", ") + file.Name.substr(file.Name.find_last_of('/') + 1);
    }
    return names;
}

} // namespace

ComparisonRow ComparisonRowOf(const ModelFitResult& result) {
    ComparisonRow row;
    row.Model = FitModelName(result.Model);
    row.Constants = ConstantsText(result, row.Uncertain);
    row.PlateRms = formats::FormatFixed(result.RmsMilliamps, 3, "mA");
    row.ScreenRms = result.ScreenRmsMilliamps
                        ? formats::FormatFixed(*result.ScreenRmsMilliamps, 3, "mA")
                        : std::string("-");
    row.Bic = formats::FormatFixed(result.Bic, 1, "");
    row.Time = formats::FormatSi(result.Seconds, "s");
    return row;
}

Tube ComparedTube(const Tube& base, const ModelFitResult& result,
                  const std::vector<MeasuredFile>& files) {
    Tube tube = base;
    const Tube builtin = Builtin807();
    if (base.Name == builtin.Name && base.Ratings == builtin.Ratings) {
        tube.Ratings = {std::nullopt, std::nullopt, std::nullopt, std::nullopt};
    }
    const bool screen = tubemath::HasScreen(result.Model.Kind);
    if (!screen) {
        tube.Ratings.Psmax = std::nullopt;
    }
    tube.Model = result.Tube;
    tube.Screen = screen ? MiddleScreenVoltage(files) : 0;
    const std::string stem = files.empty() ? std::string("measured") : FileStem(files[0].Name);
    tube.Name = stem + " (" + std::string(tubemath::ModelName(result.Model.Kind)) + ")";
    tube.Notes = "Fitted as " + FitModelName(result.Model) + " to " + FileNames(files) + ": " +
                 std::to_string(result.Points) + " points, RMS " +
                 formats::FormatFixed(result.RmsMilliamps, 3, "mA");
    if (result.ScreenRmsMilliamps) {
        tube.Notes += ", screen " + formats::FormatFixed(*result.ScreenRmsMilliamps, 3, "mA");
    }
    tube.Notes += ".";
    return tube;
}

tubemath::ScreenWiring ComparedWiring(const ModelFitResult& result, const Tube& tube) {
    return {tube.Screen, result.Model.TriodeConnected};
}

} // namespace valvescope
