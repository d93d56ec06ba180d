// The fit's result as JSON: its exact shape, and numbers that read back to the same doubles.
#include "core/fit/fit.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <limits>
#include <locale>
#include <string>

namespace {

using valvescope::FitJson;
using valvescope::FitResult;

FitResult SampleResult() {
    FitResult result;
    result.Points = 186;
    result.RmsMilliamps = 0.1;
    result.MaxMilliamps = 2.5e-7;
    result.Params = {0.6, 15.25, 5, 1, 16.3, 1.8947462441553533e-05, 1.5};
    const double errors[] = {0.023, 0.75, 1e300, 0.14, 1.0 / 3, 1e-6, 0.0147};
    for (int i = 0; i < 7; ++i)
        result.Quality[i].StandardError = errors[i];
    result.Quality[2].StandardError = std::numeric_limits<double>::infinity();
    return result;
}

TEST(FitJson, PrintsTheExactShapeWithSeventeenDigits) {
    EXPECT_EQ(
        FitJson(SampleResult()),
        "{\"points\": 186, \"rms_mA\": 0.10000000000000001, \"max_mA\": 2.4999999999999999e-07, "
        "\"constants\": {\"MuExponent\": 0.59999999999999998, \"ExponentSlope\": 15.25, "
        "\"GridDecade\": 5, \"KneeFactor\": 1, \"MuZero\": 16.300000000000001, "
        "\"Perveance\": 1.8947462441553533e-05, \"LawExponent\": 1.5}, "
        "\"stderr\": {\"MuExponent\": 0.023, \"ExponentSlope\": 0.75, \"GridDecade\": null, "
        "\"KneeFactor\": 0.14000000000000001, \"MuZero\": 0.33333333333333331, "
        "\"Perveance\": 9.9999999999999995e-07, \"LawExponent\": 0.0147}, \"flags\": {}}");
}

// Only the constants the fit cannot vouch for are named; one at a bound says "bound" even when
// it is poorly determined too.
TEST(FitJson, FlagsTheConstantsAtABoundOrPoorlyDetermined) {
    FitResult result = SampleResult();
    result.Quality[2].PoorlyDetermined = true;
    result.Quality[3].AtBound = true;
    result.Quality[6].AtBound = true;
    result.Quality[6].PoorlyDetermined = true;
    const std::string json = FitJson(result);
    EXPECT_EQ(json.substr(json.find("\"flags\"")),
              "\"flags\": {\"GridDecade\": \"poor\", \"KneeFactor\": \"bound\", "
              "\"LawExponent\": \"bound\"}}");
}

TEST(FitJson, ReadsBackToTheSameNumbers) {
    const FitResult result = SampleResult();
    const nlohmann::json json = nlohmann::json::parse(FitJson(result));
    EXPECT_EQ(json.size(), 6u);
    EXPECT_EQ(json["points"].get<int>(), 186);
    EXPECT_EQ(json["rms_mA"].get<double>(), 0.1);
    EXPECT_EQ(json["max_mA"].get<double>(), 2.5e-7);
    ASSERT_EQ(json["constants"].size(), 7u);
    ASSERT_EQ(json["stderr"].size(), 7u);
    for (int i = 0; i < 7; ++i) {
        const char* name = valvescope::kFitConstants[i].Name;
        EXPECT_EQ(json["constants"][name].get<double>(),
                  result.Params.*valvescope::kFitConstants[i].Member)
            << name;
        if (i == 2)
            EXPECT_TRUE(json["stderr"][name].is_null());
        else
            EXPECT_EQ(json["stderr"][name].get<double>(), result.Quality[i].StandardError) << name;
    }
}

// A decimal comma in the global locale changes nothing.
TEST(FitJson, IgnoresTheLocale) {
    struct CommaDecimal : std::numpunct<char> {
        char do_decimal_point() const override { return ','; }
        char do_thousands_sep() const override { return '.'; }
        std::string do_grouping() const override { return "\3"; }
    };
    const std::string plain = FitJson(SampleResult());
    const std::locale previous =
        std::locale::global(std::locale(std::locale::classic(), new CommaDecimal));
    const std::string underComma = FitJson(SampleResult());
    std::locale::global(previous);
    EXPECT_EQ(underComma, plain);
}

} // namespace
