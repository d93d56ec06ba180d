// The model fit's JSON as a reader sees it.
#include "core/fit/modelfit.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>

namespace valvescope {
namespace {

using nlohmann::json;
using tubemath::ModelKind;

ModelFitResult KorenPentodeResult() {
    ModelFitResult result;
    result.Model = {ModelKind::KorenPentode, false};
    result.Tube = {ModelKind::KorenPentode, {}, {8.7, 1.35, 1460, 4500, 48, 12, 0, 0, 0}};
    result.Quality[0] = {0.25, false, false};
    result.Quality[3] = {INFINITY, true, false};
    result.Quality[5] = {3, false, true};
    result.RmsMilliamps = 0.5;
    result.MaxMilliamps = 2;
    result.ScreenRmsMilliamps = 0.75;
    result.Files = {{"a.utd", 10, 0.25}, {"b.utd", 12, 0.625}};
    result.Points = 22;
    result.Residuals = 44;
    result.Bic = -12.5;
    result.Seconds = 0.125;
    return result;
}

TEST(ModelFitJson, CarriesTheModelFilesConstantsAndFlags) {
    const json fit = json::parse(ModelFitJson(KorenPentodeResult()));
    EXPECT_EQ(fit["model"], "koren-pentode");
    EXPECT_EQ(fit["points"], 22);
    EXPECT_EQ(fit["rms_mA"], 0.5);
    EXPECT_EQ(fit["screen_rms_mA"], 0.75);
    EXPECT_EQ(fit["files"], json::parse(R"([{"file": "a.utd", "points": 10, "rms_mA": 0.25},
                                            {"file": "b.utd", "points": 12, "rms_mA": 0.625}])"));
    // The model's own six constants, nothing of Reefman's.
    EXPECT_EQ(fit["constants"], json::parse(R"({"mu": 8.7, "ex": 1.35, "kg1": 1460, "kg2": 4500,
                                                "kp": 48, "kvb": 12})"));
    EXPECT_EQ(fit["stderr"]["mu"], 0.25);
    EXPECT_TRUE(fit["stderr"]["kg2"].is_null());
    // Flagged as the seed's fit flags them, the unflagged left out.
    EXPECT_EQ(fit["flags"], json::parse(R"({"kg2": "poor", "kvb": "bound"})"));
    EXPECT_FALSE(fit.contains("bic"));
}

TEST(ModelFitJson, ComparisonAddsBicAndTimeAndKeepsTheOrder) {
    ModelFitResult triode = KorenPentodeResult();
    triode.Model = {ModelKind::KorenTriode, false};
    triode.Tube.Kind = ModelKind::KorenTriode;
    triode.ScreenRmsMilliamps.reset();
    const std::vector<ModelFitResult> results{KorenPentodeResult(), triode};
    const json array = json::parse(ModelComparisonJson(results));
    ASSERT_EQ(array.size(), 2u);
    EXPECT_EQ(array[0]["bic"], -12.5);
    EXPECT_EQ(array[0]["seconds"], 0.125);
    EXPECT_EQ(array[1]["model"], "koren-triode");
    EXPECT_TRUE(array[1]["screen_rms_mA"].is_null());
    EXPECT_FALSE(array[1]["constants"].contains("kg2"));
}

} // namespace
} // namespace valvescope
