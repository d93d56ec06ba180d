// The fit on real curve-tracer files, read by the program's own readers.
#include "core/fit/fit.h"
#include "core/measure/measurements.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

using namespace valvescope;

#define SKIP_WITHOUT_SAMPLES()                                                                     \
    if (!std::filesystem::is_directory(VALVESCOPE_SAMPLE_DATA))                                    \
    GTEST_SKIP() << "no sample measurements at " VALVESCOPE_SAMPLE_DATA                            \
                    " (configure with -DVALVESCOPE_SAMPLE_DATA=<folder>)"

FitResult FitSample(const std::string& name) {
    return FitTube(ReadMeasurementFile(std::string(VALVESCOPE_SAMPLE_DATA) + "/" + name));
}

// The RMS that a careful multi-start fit within the bounds reaches on each file, with 5 % to
// spare; the largest difference stays within a few times the RMS.
TEST(FitOnMeasuredFiles, ReachesTheBestKnownRms) {
    SKIP_WITHOUT_SAMPLES();
    const FitResult ecc82 = FitSample("ECC82.utd");
    EXPECT_EQ(ecc82.Points, 186u);
    EXPECT_LE(ecc82.RmsMilliamps, 0.040 * 1.05);
    EXPECT_LT(ecc82.MaxMilliamps, 0.5);

    const FitResult ecf80 = FitSample("ECF80-TRIODE-10.txt");
    EXPECT_EQ(ecf80.Points, 54u);
    EXPECT_LE(ecf80.RmsMilliamps, 0.099 * 1.05);
    EXPECT_LT(ecf80.MaxMilliamps, 0.5);
}

// A double triode's amplification factor and law exponent are well known: the fit lands there
// and says they are well determined.
TEST(FitOnMeasuredFiles, Ecc82ConstantsAreThoseOfAMediumMuTriode) {
    SKIP_WITHOUT_SAMPLES();
    const FitResult fit = FitSample("ECC82.utd");
    EXPECT_GT(fit.Params.MuZero, 12);
    EXPECT_LT(fit.Params.MuZero, 25);
    EXPECT_GT(fit.Params.LawExponent, 1.2);
    EXPECT_LT(fit.Params.LawExponent, 1.8);
    EXPECT_FALSE(fit.Quality[4].PoorlyDetermined); // MuZero
    EXPECT_FALSE(fit.Quality[6].PoorlyDetermined); // LawExponent
}

} // namespace
