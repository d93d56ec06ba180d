// The comparison's rows and the tube a row makes, and the distance of any model from measured
// points.
#include "core/tubeedit/comparedmodels.h"
#include "core/tubeedit/modeldifference.h"

#include <gtest/gtest.h>

#include <cmath>

namespace valvescope {
namespace {

using tubemath::ModelKind;

ModelFitResult PentodeFit() {
    ModelFitResult fit;
    fit.Model = {ModelKind::KorenPentode, false};
    fit.Tube = {ModelKind::KorenPentode, {}, {11, 1.35, 650, 4200, 60, 24, 0, 0, 0}};
    fit.Quality[static_cast<std::size_t>(tubemath::ModelConstant::Kg2)].PoorlyDetermined = true;
    fit.Quality[static_cast<std::size_t>(tubemath::ModelConstant::Kvb)].AtBound = true;
    fit.RmsMilliamps = 0.4404;
    fit.ScreenRmsMilliamps = 1.75;
    fit.Bic = -1234.56;
    fit.Seconds = 0.25;
    fit.Points = 300;
    return fit;
}

TEST(ComparisonRows, ShowTheFitWithItsUncertainConstantsMarked) {
    const ComparisonRow row = ComparisonRowOf(PentodeFit());
    EXPECT_EQ(row.Model, "koren-pentode");
    EXPECT_EQ(row.Constants, "mu 11.0, ex 1.35, kg1 650, kg2 4.20 k*, kp 60.0, kvb 24.0!");
    EXPECT_EQ(row.PlateRms, "0.440 mA");
    EXPECT_EQ(row.ScreenRms, "1.750 mA");
    EXPECT_EQ(row.Bic, "-1234.6");
    EXPECT_EQ(row.Time, "250 ms");
    EXPECT_TRUE(row.Uncertain);

    ModelFitResult triode;
    triode.Model = {ModelKind::KorenTriode, false};
    triode.Tube = {ModelKind::KorenTriode, {}, {100, 1.4, 1060, 0, 600, 300, 0, 0, 0}};
    const ComparisonRow plain = ComparisonRowOf(triode);
    EXPECT_EQ(plain.Constants, "mu 100, ex 1.40, kg1 1.06 k, kp 600, kvb 300");
    EXPECT_EQ(plain.ScreenRms, "-");
    EXPECT_FALSE(plain.Uncertain);
    triode.Model.TriodeConnected = true;
    EXPECT_EQ(ComparisonRowOf(triode).Model, "koren-triode triode-connected");
}

TEST(ComparedTubes, TakeTheFitOnTheUsersRatingsAtTheMedianScreenVoltage) {
    std::vector<MeasuredFile> files{{"/data/EF80_200.utd", {}}, {"/data/EF80_300.utd", {}}};
    for (double vs : {200.0, 200.0, 200.0}) {
        files[0].Points.push_back({-1, 100, 0.01, vs, 0.002, true});
    }
    for (double vs : {300.0, 300.0}) {
        files[1].Points.push_back({-1, 100, 0.01, vs, 0.002, true});
    }
    Tube base = Builtin807();
    Tube tube = ComparedTube(base, PentodeFit(), files);
    EXPECT_EQ(tube.Name, "EF80_200 (koren-pentode)");
    EXPECT_EQ(tube.Model.Kind, ModelKind::KorenPentode);
    EXPECT_EQ(tube.Model.Constants.Kg2, 4200);
    EXPECT_EQ(tube.Screen, 200);
    EXPECT_EQ(tube.Ratings, (TubeRatings{std::nullopt, std::nullopt, std::nullopt, std::nullopt}));
    EXPECT_EQ(tube.Notes, "Fitted as koren-pentode to EF80_200.utd, EF80_300.utd: 300 points, "
                          "RMS 0.440 mA, screen 1.750 mA.");
    EXPECT_EQ(ComparedWiring(PentodeFit(), tube), (tubemath::ScreenWiring{200, false}));

    base.Name = "EF80";
    base.Ratings.Psmax = 2.5;
    tube = ComparedTube(base, PentodeFit(), files);
    EXPECT_EQ(tube.Ratings, (TubeRatings{0.120, 475, 25, 2.5}));
    ModelFitResult triode;
    triode.Model = {ModelKind::KorenTriode, false};
    triode.Tube.Kind = ModelKind::KorenTriode;
    tube = ComparedTube(base, triode, files);
    EXPECT_EQ(tube.Ratings.Psmax, std::nullopt);
    EXPECT_EQ(tube.Screen, 0);
    triode.Model = {ModelKind::Derk, true};
    EXPECT_TRUE(ComparedWiring(triode, tube).TriodeConnected);
}

// Currents worked out by hand from the laws at the points, the first measured 0.1 mA high.
TEST(ModelDifferences, ReadEachModelAtThePointsOwnScreenVoltage) {
    const tubemath::TubeModel triode{ModelKind::KorenTriode, {}, {100, 1.4, 1060, 0, 600, 300}};
    const MeasuredPoints points{{-1, 250, (3.370727661335429 + 0.1) * 1e-3},
                                {-2, 200, 0.24814112989095993e-3},
                                {0, 100, 1.8878824670408842e-3}};
    ModelDifference difference = DifferenceOfModel({triode, {}}, points);
    EXPECT_EQ(difference.Points, 3u);
    EXPECT_NEAR(difference.RmsMilliamps, 0.1 / std::sqrt(3.0), 1e-9);
    EXPECT_NEAR(difference.MaxMilliamps, 0.1, 1e-9);

    const tubemath::TubeModel el34{ModelKind::KorenPentode, {}, {11, 1.35, 650, 4200, 60, 24}};
    // Measured at 250 V on the screen, plotted at 200 V: the point's own voltage counts.
    difference =
        DifferenceOfModel({el34, {200, false}}, {{-10, 250, 143.58329012931128e-3, 250, 0, false}});
    EXPECT_NEAR(difference.MaxMilliamps, 0, 1e-9);
    // No screen voltage in the file: the plot's.
    difference = DifferenceOfModel({el34, {200, false}}, {{-10, 250, 81.02965010889766e-3}});
    EXPECT_NEAR(difference.MaxMilliamps, 0, 1e-9);
    // Triode-connected: the plate terminal carries the screen's current too.
    difference = DifferenceOfModel({el34, {200, true}}, {{-10, 250, 150.96476988161464e-3}});
    EXPECT_NEAR(difference.MaxMilliamps, 0, 1e-9);

    // The seed as DifferenceOf reads it, fault counting included.
    const MeasuredPoints seedPoints{{0, 100, 0.01}, {-5, 300, 0.05}};
    const ModelDifference seed = DifferenceOfModel({tubemath::TubeModel{}, {}}, seedPoints);
    const ModelDifference direct = DifferenceOf(tubemath::TubeParams{}, seedPoints);
    EXPECT_EQ(seed.RmsMilliamps, direct.RmsMilliamps);
    EXPECT_EQ(seed.Points, 2u);
}

} // namespace
} // namespace valvescope
