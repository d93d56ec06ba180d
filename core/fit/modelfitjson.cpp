// The model fit's result as JSON on one line, every number to 17 significant digits whatever the
// locale, laid out as the seed fit's.
#include "core/fit/modelfit.h"

#include "formats/jsontext.h"

#include <nlohmann/json.hpp>

#include <cmath>

namespace valvescope {

namespace {

using nlohmann::ordered_json;

ordered_json Number(double value) {
    if (!std::isfinite(value))
        return nullptr;
    return value;
}

ordered_json JsonOf(const ModelFitResult& result, bool comparison) {
    ordered_json json;
    json["model"] = FitModelName(result.Model);
    json["points"] = result.Points;
    json["rms_mA"] = Number(result.RmsMilliamps);
    json["max_mA"] = Number(result.MaxMilliamps);
    json["screen_rms_mA"] =
        result.ScreenRmsMilliamps ? Number(*result.ScreenRmsMilliamps) : ordered_json(nullptr);
    json["files"] = ordered_json::array();
    for (const FileFit& file : result.Files)
        json["files"].push_back(
            {{"file", file.File}, {"points", file.Points}, {"rms_mA", Number(file.RmsMilliamps)}});
    ordered_json constants = ordered_json::object();
    ordered_json errors = ordered_json::object();
    ordered_json flags = ordered_json::object();
    for (const tubemath::ModelConstant c : tubemath::ConstantsOf(result.Model.Kind)) {
        const std::string name(tubemath::ConstantName(c));
        const ConstantQuality& quality = result.Quality[static_cast<std::size_t>(c)];
        constants[name] = Number(result.Tube.Constants[c]);
        errors[name] = Number(quality.StandardError);
        // As the seed's fit flags them: only the constants at a bound or poorly determined.
        if (quality.AtBound || quality.PoorlyDetermined)
            flags[name] = quality.AtBound ? "bound" : "poor";
    }
    json["constants"] = constants;
    json["stderr"] = errors;
    json["flags"] = flags;
    if (comparison) {
        json["bic"] = Number(result.Bic);
        json["seconds"] = Number(result.Seconds);
    }
    return json;
}

} // namespace

std::string ModelFitJson(const ModelFitResult& result, bool comparison) {
    return formats::JsonText(JsonOf(result, comparison), formats::JsonLayout::OneLine);
}

std::string ModelComparisonJson(std::span<const ModelFitResult> results) {
    ordered_json array = ordered_json::array();
    for (const ModelFitResult& result : results)
        array.push_back(JsonOf(result, true));
    return formats::JsonText(array, formats::JsonLayout::OneLine);
}

} // namespace valvescope
