#include "core/fit/fitoutput.h"

#include "core/fit/fitreport.h"
#include "formats/jsontext.h"
#include "formats/sitext.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstddef>

namespace valvescope {

namespace {

using Json = nlohmann::ordered_json;

std::string FileNameAlone(const std::string& path) {
    return path.substr(path.find_last_of('/') + 1);
}

std::string Milliamps(double value) {
    return formats::FormatFixed(value, 3, "mA");
}

} // namespace

std::vector<FileFit> SeedFileFits(const tubemath::TubeParams& params,
                                  std::span<const MeasuredFile> files) {
    std::vector<FileFit> fits;
    for (const MeasuredFile& file : files)
        fits.push_back(
            {file.Name, file.Points.size(), DifferenceOf(params, file.Points).RmsMilliamps});
    return fits;
}

std::string SeedFitJson(const FitResult& result, std::span<const FileFit> files) {
    // FitJson's numbers read back as the very same doubles, so they are written again unchanged.
    const Json plain = Json::parse(FitJson(result));
    Json fit;
    fit["model"] = "seed";
    for (const auto& [key, value] : plain.items()) {
        fit[key] = value;
        if (key != "max_mA")
            continue;
        fit["screen_rms_mA"] = nullptr;
        Json& list = fit["files"];
        list = Json::array();
        for (const FileFit& file : files)
            list.push_back(
                {{"file", file.File}, {"points", file.Points}, {"rms_mA", file.RmsMilliamps}});
    }
    return formats::JsonText(fit, formats::JsonLayout::OneLine);
}

double MiddleScreenVoltage(std::span<const MeasuredFile> files) {
    std::vector<double> volts;
    for (const MeasuredFile& file : files)
        for (const MeasuredPoint& p : file.Points)
            if (p.Vs > 0)
                volts.push_back(p.Vs);
    if (volts.empty())
        return 0;
    const auto middle = volts.begin() + static_cast<std::ptrdiff_t>((volts.size() - 1) / 2);
    std::nth_element(volts.begin(), middle, volts.end());
    return *middle;
}

Tube ModelFittedTube(const ModelFitResult& result, std::span<const MeasuredFile> files,
                     const TubeRatings& ratings) {
    Tube tube;
    tube.Name = (files.empty() ? std::string("tube") : FileStem(files.front().Name)) + " (fitted)";
    tube.Model = result.Tube;
    tube.Ratings = ratings;
    const bool screen = tubemath::HasScreen(result.Model.Kind);
    if (!screen)
        tube.Ratings.Psmax.reset();
    tube.Screen = screen ? MiddleScreenVoltage(files) : 0;
    std::string names;
    for (const MeasuredFile& file : files)
        names += (names.empty() ? "" : ", ") + FileNameAlone(file.Name);
    tube.Notes = std::string(result.Model.TriodeConnected ? "Fitted triode-connected (screen tied "
                                                            "to plate) to "
                                                          : "Fitted to ") +
                 names + ": " + std::to_string(result.Points) +
                 (result.Points == 1 ? " point" : " points") + ", plate RMS " +
                 Milliamps(result.RmsMilliamps);
    if (result.ScreenRmsMilliamps)
        tube.Notes += ", screen RMS " + Milliamps(*result.ScreenRmsMilliamps);
    tube.Notes += ".";
    return tube;
}

} // namespace valvescope
