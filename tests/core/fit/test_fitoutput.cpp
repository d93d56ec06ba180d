// What the command line prints and saves of a fit to several files.
#include "core/fit/fitoutput.h"

#include <gtest/gtest.h>

#include <limits>

namespace valvescope {
namespace {

using tubemath::ModelKind;

MeasuredFile FileAt(const std::string& name, std::initializer_list<double> screens) {
    MeasuredFile file{name, {}};
    for (const double vs : screens)
        file.Points.push_back({-1, 100, 0.01, vs, 0.002, true});
    return file;
}

TEST(FitOutput, TheSeedsJsonGainsTheModelItsScreenAndItsFiles) {
    FitResult result;
    result.Points = 3;
    result.RmsMilliamps = 0.1;
    result.MaxMilliamps = 0.25;
    result.Params = {0.6, 15.25, 5, 1, 16.3, 1.5e-05, 1.5};
    for (int i = 0; i < kFitConstantCount; ++i)
        result.Quality[i].StandardError = 0.5;
    result.Quality[3] = {std::numeric_limits<double>::infinity(), true, true};
    const FileFit files[] = {{"a.utd", 1, 0.2}, {"dir/b.utd", 2, 0}};
    EXPECT_EQ(SeedFitJson(result, files),
              "{\"model\": \"seed\", \"points\": 3, \"rms_mA\": 0.10000000000000001, "
              "\"max_mA\": 0.25, \"screen_rms_mA\": null, \"files\": [{\"file\": \"a.utd\", "
              "\"points\": 1, \"rms_mA\": 0.20000000000000001}, {\"file\": \"dir/b.utd\", "
              "\"points\": 2, \"rms_mA\": 0}], "
              "\"constants\": {\"MuExponent\": 0.59999999999999998, \"ExponentSlope\": 15.25, "
              "\"GridDecade\": 5, \"KneeFactor\": 1, \"MuZero\": 16.300000000000001, "
              "\"Perveance\": 1.5e-05, \"LawExponent\": 1.5}, "
              "\"stderr\": {\"MuExponent\": 0.5, \"ExponentSlope\": 0.5, \"GridDecade\": 0.5, "
              "\"KneeFactor\": null, \"MuZero\": 0.5, \"Perveance\": 0.5, \"LawExponent\": 0.5}, "
              "\"flags\": {\"KneeFactor\": \"bound\"}}");
}

TEST(FitOutput, TheScreenIsTheMiddleMeasuredVoltage) {
    EXPECT_EQ(MiddleScreenVoltage(std::vector{FileAt("a", {300, 301}), FileAt("b", {199.5, 200}),
                                              FileAt("c", {250.25})}),
              250.25);
    // An even count takes the lower middle one; points without a screen voltage do not count.
    EXPECT_EQ(MiddleScreenVoltage(std::vector{FileAt("a", {0, 0, 0, 100, 300, 200, 400})}), 200);
    EXPECT_EQ(MiddleScreenVoltage(std::vector{FileAt("a", {0, 0})}), 0);
    EXPECT_EQ(MiddleScreenVoltage(std::vector<MeasuredFile>{}), 0);
}

TEST(FitOutput, AModelFitMakesATubeWithTheUsersRatingsOnly) {
    ModelFitResult result;
    result.Model = {ModelKind::Derk, false};
    result.Tube = {ModelKind::Derk, {}, {10, 1.4, 600, 4000, 40, 20, 0, 2, 0.05}};
    result.Points = 3;
    result.RmsMilliamps = 0.2846;
    result.ScreenRmsMilliamps = 0.3137;
    const std::vector files{FileAt("/m/EF80_200.utd", {200}), FileAt("EF80_250.utd", {250, 251})};
    const Tube tube = ModelFittedTube(result, files, {std::nullopt, 300, std::nullopt, 0.7});
    EXPECT_EQ(tube.Name, "EF80_200 (fitted)");
    EXPECT_EQ(tube.Model.Kind, ModelKind::Derk);
    EXPECT_EQ(tube.Model.Constants.Kg2, 4000);
    EXPECT_EQ(tube.Ratings, (TubeRatings{std::nullopt, 300, std::nullopt, 0.7}));
    EXPECT_EQ(tube.Screen, 250);
    EXPECT_EQ(tube.Notes, "Fitted to EF80_200.utd, EF80_250.utd: 3 points, plate RMS 0.285 mA, "
                          "screen RMS 0.314 mA.");

    // A triode has no screen to rate or plot at; a strapped fit says so in its notes.
    result.Model = {ModelKind::KorenTriode, false};
    result.Tube.Kind = ModelKind::KorenTriode;
    result.ScreenRmsMilliamps.reset();
    const Tube triode = ModelFittedTube(result, files, {0.01, 300, 1, 0.7});
    EXPECT_EQ(triode.Ratings, (TubeRatings{0.01, 300, 1, std::nullopt}));
    EXPECT_EQ(triode.Screen, 0);
    EXPECT_EQ(triode.Notes, "Fitted to EF80_200.utd, EF80_250.utd: 3 points, plate RMS 0.285 mA.");
    result.Model = {ModelKind::KorenPentode, true};
    result.Tube.Kind = ModelKind::KorenPentode;
    EXPECT_EQ(ModelFittedTube(result, {files.begin(), 1}, {}).Notes,
              "Fitted triode-connected (screen tied to plate) to EF80_200.utd: 3 points, plate "
              "RMS 0.285 mA.");
}

} // namespace
} // namespace valvescope
