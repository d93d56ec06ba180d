// What is shown of a fit: the model's distance from the points, the fit's report and the fitted
// tube.
#include "core/fit/fitreport.h"

#include "formats/formats.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

using valvescope::Builtin807;
using valvescope::FitResult;
using valvescope::MeasuredPoints;

TEST(FitReport, DifferenceOfTheModelFromThePointsInMilliamps) {
    const tubemath::TubeParams tube;
    const auto model = [&](double Vg, double Va) { return tubemath::PlateCurrent(tube, Vg, Va); };
    // Off by +1, -2 and +2 mA: RMS sqrt(9 / 3), largest 2.
    const MeasuredPoints points = {{-10, 300, model(-10, 300) + 0.001},
                                   {-20, 400, model(-20, 400) - 0.002},
                                   {0, 100, model(0, 100) + 0.002}};
    const valvescope::ModelDifference difference = valvescope::DifferenceOf(tube, points);
    EXPECT_EQ(difference.Points, 3u);
    EXPECT_EQ(difference.Failed, 0u);
    EXPECT_NEAR(difference.RmsMilliamps, std::sqrt(3.0), 1e-9);
    EXPECT_NEAR(difference.MaxMilliamps, 2.0, 1e-9);
    EXPECT_EQ(valvescope::DifferenceText(difference),
              "RMS 1.732 mA, largest 2.000 mA over 3 points");
    EXPECT_EQ(valvescope::DifferenceText(valvescope::DifferenceOf(tube, {})), "");
}

TEST(FitReport, PointsWhereTheModelFailsAreCountedApart) {
    const double huge = std::numeric_limits<double>::max();
    const MeasuredPoints points = {{-10, 300, 0.03}, {0, huge, 0.001}}; // overflows
    const valvescope::ModelDifference difference =
        valvescope::DifferenceOf(tubemath::TubeParams{}, points);
    ASSERT_EQ(difference.Failed, 1u);
    EXPECT_EQ(difference.Points, 1u);
    EXPECT_NE(valvescope::DifferenceText(difference).find("cannot be evaluated at 1 point"),
              std::string::npos);
}

FitResult SomeFit() {
    FitResult result;
    result.Params.MuZero = 17.25;
    result.Points = 186;
    result.RmsMilliamps = 0.04012;
    result.MaxMilliamps = 0.1349;
    for (auto& quality : result.Quality) {
        quality.StandardError = 0.5;
    }
    result.Quality[4].StandardError = 0.1234;
    result.Quality[1].StandardError = std::numeric_limits<double>::infinity();
    result.Quality[1].PoorlyDetermined = true;
    result.Quality[3].AtBound = true;
    return result;
}

TEST(FitReport, TheFitReportListsEveryConstantWithItsStandardErrorAndFlags) {
    const std::string report = valvescope::FitReportText(SomeFit());
    EXPECT_EQ(report.substr(0, report.find("Constant")),
              "Fitted to 186 points.\nRMS 0.040 mA, largest 0.135 mA\n\n");
    EXPECT_NE(report.find("\nMuZero        17.25        0.12\n"), std::string::npos) << report;
    EXPECT_NE(report.find("\nExponentSlope 99.1         not fixed by the points, poorly "
                          "determined\n"),
              std::string::npos)
        << report;
    EXPECT_NE(report.find("\nKneeFactor    300          0.5, at a bound\n"), std::string::npos)
        << report;
    EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 11);
}

TEST(FitReport, TheFittedTubeKeepsTheRatingsAndIsNamedAfterTheFile) {
    valvescope::Tube base = Builtin807();
    base.Ratings.Pmax = 3.5;
    const valvescope::Tube fitted = valvescope::FittedTube(base, SomeFit(), "/data/ECC82.utd");
    EXPECT_EQ(fitted.Name, "ECC82 (fitted)");
    EXPECT_EQ(fitted.Model.Seed.MuZero, 17.25);
    EXPECT_EQ(fitted.Ratings.Pmax, 3.5);
    EXPECT_EQ(fitted.Notes, "Fitted to ECC82.utd: 186 points, RMS 0.040 mA.");
    // The 807's own ratings are not the measured tube's.
    const valvescope::Tube on807 = valvescope::FittedTube(Builtin807(), SomeFit(), "ECC82.utd");
    EXPECT_EQ(on807.Ratings,
              (valvescope::TubeRatings{std::nullopt, std::nullopt, std::nullopt, std::nullopt}));
    EXPECT_EQ(valvescope::FileStem("curves.tar.csv"), "curves.tar");
    EXPECT_EQ(valvescope::FileStem("a.b/noext"), "noext");
    EXPECT_EQ(valvescope::FileStem(".hidden"), ".hidden");
}

} // namespace
