// The fit as JSON on one line, every number to 17 significant digits whatever the locale.
#include "core/fit/fit.h"

#include "formats/jsontext.h"

#include <nlohmann/json.hpp>

namespace valvescope {

namespace {

using Json = nlohmann::ordered_json;

Json ConstantsObject(const FitResult& result, double (*valueOf)(const FitResult&, int)) {
    Json constants = Json::object();
    for (int i = 0; i < kFitConstantCount; ++i) {
        constants[kFitConstants[i].Name] = valueOf(result, i);
    }
    return constants;
}

// The constants at a bound or poorly determined, and which.
Json FlagsObject(const FitResult& result) {
    Json flags = Json::object();
    for (int i = 0; i < kFitConstantCount; ++i) {
        const ConstantQuality& quality = result.Quality[i];
        if (quality.AtBound || quality.PoorlyDetermined) {
            flags[kFitConstants[i].Name] = quality.AtBound ? "bound" : "poor";
        }
    }
    return flags;
}

} // namespace

std::string FitJson(const FitResult& result) {
    const auto constant = [](const FitResult& r, int i) {
        return r.Params.*kFitConstants[i].Member;
    };
    const auto error = [](const FitResult& r, int i) { return r.Quality[i].StandardError; };
    Json fit;
    fit["points"] = result.Points;
    fit["rms_mA"] = result.RmsMilliamps;
    fit["max_mA"] = result.MaxMilliamps;
    fit["constants"] = ConstantsObject(result, constant);
    fit["stderr"] = ConstantsObject(result, error);
    fit["flags"] = FlagsObject(result);
    return formats::JsonText(fit, formats::JsonLayout::OneLine);
}

} // namespace valvescope
