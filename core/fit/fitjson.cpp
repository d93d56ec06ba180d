#include "core/fit/fit.h"

#include <charconv>
#include <cmath>

namespace valvescope {

namespace {

// 17 significant digits, the shortest form that reads back to the same double; the same in
// every locale. Not finite gives null.
std::string JsonNumber(double value) {
    if (!std::isfinite(value))
        return "null";
    char buffer[32];
    const auto end =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 17);
    return std::string(buffer, end.ptr);
}

std::string JsonObject(const FitResult& result, double (*valueOf)(const FitResult&, int)) {
    std::string text = "{";
    for (int i = 0; i < kFitConstantCount; ++i) {
        if (i > 0)
            text += ", ";
        text += '"';
        text += kFitConstants[i].Name;
        text += "\": " + JsonNumber(valueOf(result, i));
    }
    return text + "}";
}

// The constants at a bound or poorly determined, and which.
std::string FlagsObject(const FitResult& result) {
    std::string text = "{";
    for (int i = 0; i < kFitConstantCount; ++i) {
        const ConstantQuality& quality = result.Quality[i];
        if (!quality.AtBound && !quality.PoorlyDetermined)
            continue;
        text += text.size() > 1 ? ", \"" : "\"";
        text += kFitConstants[i].Name;
        text += quality.AtBound ? "\": \"bound\"" : "\": \"poor\"";
    }
    return text + "}";
}

} // namespace

std::string FitJson(const FitResult& result) {
    const auto constant = [](const FitResult& r, int i) {
        return r.Params.*kFitConstants[i].Member;
    };
    const auto error = [](const FitResult& r, int i) { return r.Quality[i].StandardError; };
    return "{\"points\": " + std::to_string(result.Points) +
           ", \"rms_mA\": " + JsonNumber(result.RmsMilliamps) +
           ", \"max_mA\": " + JsonNumber(result.MaxMilliamps) +
           ", \"constants\": " + JsonObject(result, constant) +
           ", \"stderr\": " + JsonObject(result, error) + ", \"flags\": " + FlagsObject(result) +
           "}";
}

} // namespace valvescope
