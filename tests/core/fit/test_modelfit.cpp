// The model fit on points drawn from known constants: it must find them again, and say what it
// fitted.
#include "core/fit/modelfit.h"

#include <gtest/gtest.h>

#include <cmath>

namespace valvescope {
namespace {

using tubemath::ModelConstant;
using tubemath::ModelConstants;
using tubemath::ModelKind;

// A tracer's sweep of one file: grid curves from 0 V down in `gridStep`, plate 0 to 300 V in
// 10 V steps, the screen at `screen` (none at 0, strapped to the plate at kStrapped).
constexpr double kStrapped = -1;

MeasuredFile Sweep(const tubemath::TubeModel& tube, double screen, double gridStep,
                   bool screenMeasured) {
    MeasuredFile file{"Vs " + std::to_string(static_cast<int>(screen)), {}};
    for (int curve = 0; curve < 5; ++curve)
        for (int step = 1; step <= 30; ++step) {
            const double vg = -gridStep * curve;
            const double va = 10.0 * step;
            const double vs = screen == kStrapped ? va : screen;
            const tubemath::Currents currents = tubemath::CurrentsAt(tube, vg, va, vs);
            file.Points.push_back({vg, va, currents.Plate, vs, currents.Screen, screenMeasured});
        }
    return file;
}

void ExpectConstants(const ModelFitResult& fit, const ModelConstants<double>& expected,
                     double relative) {
    for (const ModelConstant c : tubemath::ConstantsOf(fit.Model.Kind)) {
        const double want = expected[c];
        EXPECT_NEAR(fit.Tube.Constants[c], want, relative * std::fabs(want) + 1e-12)
            << tubemath::ConstantName(c);
    }
}

TEST(ModelFitRecovers, KorenTriodeConstants) {
    const ModelConstants<double> constants{25, 1.4, 1200, 0, 150, 400, 0, 0, 0};
    const tubemath::TubeModel tube{ModelKind::KorenTriode, {}, constants};
    const ModelFitResult fit =
        FitModelToFiles({Sweep(tube, 0, 1.5, false)}, {ModelKind::KorenTriode, false});
    ExpectConstants(fit, constants, 1e-4);
    EXPECT_LT(fit.RmsMilliamps, 1e-5);
    EXPECT_FALSE(fit.ScreenRmsMilliamps);
    EXPECT_EQ(fit.Points, 150u);
    EXPECT_EQ(fit.Residuals, 150u);
}

TEST(ModelFitRecovers, KorenPentodeConstantsAcrossScreenVoltages) {
    const ModelConstants<double> constants{9, 1.35, 800, 4000, 50, 18, 0, 0, 0};
    const tubemath::TubeModel tube{ModelKind::KorenPentode, {}, constants};
    const ModelFitResult fit = FitModelToFiles(
        {Sweep(tube, 200, 4, true), Sweep(tube, 280, 4, true)}, {ModelKind::KorenPentode, false});
    ExpectConstants(fit, constants, 1e-4);
    ASSERT_TRUE(fit.ScreenRmsMilliamps);
    EXPECT_LT(*fit.ScreenRmsMilliamps, 1e-5);
    EXPECT_EQ(fit.Residuals, 600u);
    ASSERT_EQ(fit.Files.size(), 2u);
    EXPECT_EQ(fit.Files[1].File, "Vs 280");
    EXPECT_EQ(fit.Files[1].Points, 150u);
}

TEST(ModelFitRecovers, ReefmanConstantsOfBothKnees) {
    const ModelConstants<double> constants{40, 1.3, 300, 1500, 200, 2000, 3e-4, 3, 0.06};
    for (const ModelKind kind : {ModelKind::Derk, ModelKind::DerkE}) {
        const tubemath::TubeModel tube{kind, {}, constants};
        const ModelFitResult fit = FitModelToFiles(
            {Sweep(tube, 150, 1.5, true), Sweep(tube, 250, 1.5, true)}, {kind, false});
        ExpectConstants(fit, constants, 1e-3);
        EXPECT_LT(fit.RmsMilliamps, 1e-4);
        for (const ModelConstant c : tubemath::ConstantsOf(kind))
            EXPECT_FALSE(fit.Quality[static_cast<std::size_t>(c)].PoorlyDetermined)
                << tubemath::ConstantName(c);
    }
}

TEST(ModelFitRecovers, StrappedPentodeSeenTriodeConnected) {
    const ModelConstants<double> constants{12, 1.35, 600, 3000, 60, 500, 1e-4, 2, 0.05};
    const tubemath::TubeModel tube{ModelKind::Derk, {}, constants};
    // A strapped tube's tracer reads the whole current at the plate and nothing at the screen.
    MeasuredFile file = Sweep(tube, kStrapped, 3, false);
    for (MeasuredPoint& p : file.Points)
        p.Ia = tubemath::TriodeConnectedCurrentsAt(tube, p.Vg, p.Va).Plate;
    const ModelFitResult fit = FitModelToFiles({file}, {ModelKind::Derk, true});
    EXPECT_LT(fit.RmsMilliamps, 0.01);
    EXPECT_FALSE(fit.ScreenRmsMilliamps);
    EXPECT_EQ(FitModelName(fit.Model), "derk triode-connected");
}

// Without a screen current in the file, a screen-grid model is fitted to the plate alone.
TEST(ModelFit, FileWithoutScreenCurrentFitsThePlateAlone) {
    const ModelConstants<double> constants{9, 1.35, 800, 4000, 50, 18, 0, 0, 0};
    const tubemath::TubeModel tube{ModelKind::KorenPentode, {}, constants};
    MeasuredFile noScreen = Sweep(tube, 250, 4, true);
    for (MeasuredPoint& p : noScreen.Points)
        p.Is = 0;
    const ModelFitResult fit = FitModelToFiles({noScreen}, {ModelKind::KorenPentode, false});
    EXPECT_FALSE(fit.ScreenRmsMilliamps);
    EXPECT_EQ(fit.Residuals, fit.Points);
    EXPECT_LT(fit.RmsMilliamps, 1e-4);
    // kg2 acts only on the screen: nothing fixes it.
    EXPECT_TRUE(fit.Quality[static_cast<std::size_t>(ModelConstant::Kg2)].PoorlyDetermined);
}

TEST(ModelFit, RefusesWhatItCannotFit) {
    const tubemath::TubeModel tube{ModelKind::KorenTriode, {}, {25, 1.4, 1200, 0, 150, 400}};
    MeasuredFile file = Sweep(tube, 0, 1.5, false);
    EXPECT_THROW(FitModelToFiles({file}, {ModelKind::Seed, false}), FitError);
    EXPECT_THROW(FitModelToFiles({file}, {ModelKind::KorenTriode, true}), FitError);
    // A triode's file gives no screen voltage: a screen-grid model has nothing to draw.
    EXPECT_THROW(FitModelToFiles({file}, {ModelKind::Derk, false}), FitError);
    file.Points.resize(5);
    EXPECT_THROW(FitModelToFiles({file}, {ModelKind::KorenTriode, false}), FitError);
    file.Points[2].Va = NAN;
    file.Points.resize(50, file.Points[0]);
    EXPECT_THROW(FitModelToFiles({file}, {ModelKind::KorenTriode, false}), FitError);
}

TEST(ModelFit, ProgressRisesAndCanCancel) {
    const tubemath::TubeModel tube{ModelKind::KorenTriode, {}, {25, 1.4, 1200, 0, 150, 400}};
    const std::vector<MeasuredFile> files{Sweep(tube, 0, 1.5, false)};
    std::vector<double> shares;
    FitModelToFiles(files, {ModelKind::KorenTriode, false}, [&](double share) {
        shares.push_back(share);
        return true;
    });
    ASSERT_FALSE(shares.empty());
    EXPECT_TRUE(std::is_sorted(shares.begin(), shares.end()));
    EXPECT_EQ(shares.back(), 1.0);
    int calls = 0;
    EXPECT_THROW(FitModelToFiles(files, {ModelKind::KorenTriode, false},
                                 [&](double) { return ++calls < 3; }),
                 FitCancelled);
    EXPECT_EQ(calls, 3);
}

TEST(ModelFit, NamesReadBack) {
    for (const char* name :
         {"koren-triode", "koren-pentode", "derk", "derke", "derke triode-connected"}) {
        const std::optional<FitModel> model = FitModelNamed(name);
        ASSERT_TRUE(model) << name;
        EXPECT_EQ(FitModelName(*model), name);
    }
    EXPECT_FALSE(FitModelNamed("koren-triode triode-connected"));
    EXPECT_FALSE(FitModelNamed("derk "));
}

TEST(ModelComparison, OffersTheModelsTheDataSuitAndRanksByBic) {
    const tubemath::TubeModel triode{ModelKind::KorenTriode, {}, {25, 1.4, 1200, 0, 150, 400}};
    EXPECT_EQ(ModelsSuiting({Sweep(triode, 0, 1.5, false)}),
              (std::vector<FitModel>{{ModelKind::KorenTriode, false}}));
    // A triode on a tracer whose idle screen supply reads 300 V, its screen column a count of
    // noise here and there, is still a triode.
    MeasuredFile noisy = Sweep(triode, 300, 1.5, true);
    for (std::size_t i = 0; i < noisy.Points.size(); i += 7)
        noisy.Points[i].Is = 0.01e-3;
    EXPECT_EQ(ModelsSuiting({noisy}), (std::vector<FitModel>{{ModelKind::KorenTriode, false}}));
    EXPECT_EQ(ModelsSuiting({Sweep(triode, kStrapped, 1.5, false)}),
              (std::vector<FitModel>{{ModelKind::KorenTriode, false},
                                     {ModelKind::KorenPentode, true},
                                     {ModelKind::Derk, true},
                                     {ModelKind::DerkE, true}}));
    const tubemath::TubeModel pentode{
        ModelKind::DerkE, {}, {40, 1.3, 300, 1500, 200, 2000, 3e-4, 3, 0.06}};
    const std::vector<MeasuredFile> files{Sweep(pentode, 150, 1.5, true),
                                          Sweep(pentode, 250, 1.5, true)};
    EXPECT_EQ(ModelsSuiting(files), (std::vector<FitModel>{{ModelKind::KorenPentode, false},
                                                           {ModelKind::Derk, false},
                                                           {ModelKind::DerkE, false}}));
    const std::vector<ModelFitResult> ranked = CompareModels(files);
    ASSERT_EQ(ranked.size(), 3u);
    EXPECT_EQ(ranked[0].Model.Kind, ModelKind::DerkE);
    EXPECT_LE(ranked[0].Bic, ranked[1].Bic);
    EXPECT_LE(ranked[1].Bic, ranked[2].Bic);
    EXPECT_GT(ranked[0].Seconds, 0);
}

} // namespace
} // namespace valvescope
