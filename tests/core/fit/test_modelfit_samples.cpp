// The model fit on real curve-tracer files, read by the program's own readers: a pentode
// measured at three screen voltages and a double triode.
#include "core/fit/modelfit.h"
#include "core/measure/measurements.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace valvescope {
namespace {

using tubemath::ModelKind;

#define SKIP_WITHOUT_SAMPLES()                                                                     \
    if (!std::filesystem::is_directory(VALVESCOPE_SAMPLE_DATA))                                    \
    GTEST_SKIP() << "no sample measurements at " VALVESCOPE_SAMPLE_DATA                            \
                    " (configure with -DVALVESCOPE_SAMPLE_DATA=<folder>)"

std::vector<MeasuredFile> Samples(std::initializer_list<const char*> names) {
    std::vector<MeasuredFile> files;
    for (const char* name : names)
        files.push_back(
            {name, ReadMeasurementFile(std::string(VALVESCOPE_SAMPLE_DATA) + "/" + name)});
    return files;
}

// The plate and screen RMS that a careful multi-start fit of each model reaches on the three
// EF80 files fitted together, with 5 % to spare.
TEST(ModelFitOnMeasuredFiles, Ef80AtThreeScreenVoltages) {
    SKIP_WITHOUT_SAMPLES();
    const std::vector<MeasuredFile> ef80 =
        Samples({"EF80_200.utd", "EF80_250.utd", "EF80_300.utd"});
    struct BestKnown {
        ModelKind Kind;
        double Plate;
        double Screen;
    };
    for (const BestKnown& best :
         {BestKnown{ModelKind::DerkE, 0.285, 0.314}, BestKnown{ModelKind::Derk, 0.568, 0.427},
          BestKnown{ModelKind::KorenPentode, 0.440, 1.75}}) {
        const ModelFitResult fit = FitModelToFiles(ef80, {best.Kind, false});
        SCOPED_TRACE(FitModelName(fit.Model));
        EXPECT_EQ(fit.Points, 369u);
        EXPECT_EQ(fit.Residuals, 738u);
        EXPECT_LE(fit.RmsMilliamps, best.Plate * 1.05);
        ASSERT_TRUE(fit.ScreenRmsMilliamps);
        EXPECT_LE(*fit.ScreenRmsMilliamps, best.Screen * 1.05);
        ASSERT_EQ(fit.Files.size(), 3u);
        for (const FileFit& file : fit.Files) {
            EXPECT_EQ(file.Points, 123u);
            EXPECT_LT(file.RmsMilliamps, 2 * fit.RmsMilliamps);
        }
    }
}

TEST(ModelFitOnMeasuredFiles, Ecc82WithKorensTriode) {
    SKIP_WITHOUT_SAMPLES();
    const std::vector<MeasuredFile> ecc82 = Samples({"ECC82.utd"});
    EXPECT_EQ(ModelsSuiting(ecc82), (std::vector<FitModel>{{ModelKind::KorenTriode, false}}));
    const ModelFitResult fit = FitModelToFiles(ecc82, {ModelKind::KorenTriode, false});
    EXPECT_EQ(fit.Points, 186u);
    EXPECT_LE(fit.RmsMilliamps, 0.0408 * 1.05);
    // The tracer's screen column reads nothing for a triode.
    EXPECT_FALSE(fit.ScreenRmsMilliamps);
    // A medium-mu double triode.
    EXPECT_GT(fit.Tube.Constants.Mu, 15);
    EXPECT_LT(fit.Tube.Constants.Mu, 25);
}

// The uTmax moves the screen supply with the plate for a triode, and its screen column reads a
// count of noise: the triode section suits Koren's triode and the strapped views.
TEST(ModelFitOnMeasuredFiles, TriodeSectionFromATracerThatStrapsTheScreen) {
    SKIP_WITHOUT_SAMPLES();
    EXPECT_EQ(ModelsSuiting(Samples({"ECF80-TRIODE-10.txt"})),
              (std::vector<FitModel>{{ModelKind::KorenTriode, false},
                                     {ModelKind::KorenPentode, true},
                                     {ModelKind::Derk, true},
                                     {ModelKind::DerkE, true}}));
}

// A screen-grid model on a file whose screen current was not measured fits the plate alone.
TEST(ModelFitOnMeasuredFiles, PentodeModelOnATriodeFile) {
    SKIP_WITHOUT_SAMPLES();
    const ModelFitResult fit = FitModelToFiles(Samples({"ECC82.utd"}), {ModelKind::Derk, true});
    EXPECT_FALSE(fit.ScreenRmsMilliamps);
    EXPECT_EQ(fit.Residuals, 186u);
    EXPECT_LT(fit.RmsMilliamps, 0.5);
}

} // namespace
} // namespace valvescope
