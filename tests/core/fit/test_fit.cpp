// Fits to points drawn from the model with known constants, with and without noise.
#include "core/fit/fit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

using tubemath::TubeParams;
using valvescope::FitError;
using valvescope::FitResult;
using valvescope::FitTube;
using valvescope::kFitConstants;
using valvescope::MeasuredPoints;

// A family of curves as a curve tracer takes it: grid voltages from 0 down in equal steps,
// plate voltages in equal steps up to vaMax, points above iMax left out. Noise is Gaussian
// with the given standard deviation in mA, from a seeded generator (Box-Muller, so that the
// points are the same with every standard library).
struct Sweep {
    double VgStep;
    int Curves;
    double VaMax;
    int StepsPerCurve;
    double IMax; // A
};

MeasuredPoints PointsOf(const TubeParams& tube, const Sweep& sweep, double noiseMilliamps = 0,
                        std::uint64_t seed = 1) {
    std::mt19937_64 random(seed);
    const auto uniform = [&] { return (static_cast<double>(random() >> 11) + 0.5) * 0x1.0p-53; };
    MeasuredPoints points;
    for (int curve = 0; curve < sweep.Curves; ++curve)
        for (int step = 1; step <= sweep.StepsPerCurve; ++step) {
            const double vg = -curve * sweep.VgStep;
            const double va = sweep.VaMax * step / sweep.StepsPerCurve;
            const double current = tubemath::PlateCurrent(tube, vg, va);
            if (current > sweep.IMax)
                continue;
            const double gauss =
                std::sqrt(-2 * std::log(uniform())) * std::cos(2 * 3.141592653589793 * uniform());
            points.push_back({vg, va, current + noiseMilliamps * gauss / 1000});
        }
    return points;
}

double ConstantOf(const TubeParams& tube, int i) {
    return tube.*kFitConstants[i].Member;
}

const Sweep k807Sweep{5, 10, 500, 25, 0.2};

// A high-mu small-signal triode like a 12AX7, a power triode like a 300B and a pentode wired
// as a triode like an EL34, with their typical curve-tracer sweeps.
struct Case {
    const char* Name;
    TubeParams Tube;
    Sweep Points;
};
const Case kOtherTubes[] = {
    {"high-mu triode", {0.3, 200, 40, 100, 102, 1.2e-6, 1.45}, {0.5, 8, 400, 25, 0.006}},
    {"power triode", {0.15, 300, 100, 50, 5, 1.5e-4, 1.4}, {15, 8, 450, 25, 0.25}},
    {"pentode as triode", {0.4, 60, 25, 20, 12.5, 8e-5, 1.45}, {5, 9, 450, 25, 0.25}},
};

TEST(FitTube, RecoversThe807FromItsOwnCurves) {
    const MeasuredPoints points = PointsOf(TubeParams{}, k807Sweep);
    const FitResult fit = FitTube(points);
    EXPECT_EQ(fit.Points, points.size());
    EXPECT_LT(fit.RmsMilliamps, 1e-9);
    EXPECT_LT(fit.MaxMilliamps, 1e-8);
    for (int i = 0; i < 7; ++i)
        EXPECT_NEAR(ConstantOf(fit.Params, i), ConstantOf(TubeParams{}, i),
                    1e-6 * ConstantOf(TubeParams{}, i))
            << kFitConstants[i].Name;
}

TEST(FitTube, RecoversOtherTubesFromStartsFarAway) {
    for (const Case& tube : kOtherTubes) {
        const FitResult fit = FitTube(PointsOf(tube.Tube, tube.Points));
        EXPECT_LT(fit.RmsMilliamps, 1e-6) << tube.Name;
        for (int i = 0; i < 7; ++i)
            EXPECT_NEAR(ConstantOf(fit.Params, i), ConstantOf(tube.Tube, i),
                        1e-4 * ConstantOf(tube.Tube, i))
                << tube.Name << ": " << kFitConstants[i].Name;
    }
}

double SquaredMilliamps(const TubeParams& tube, const MeasuredPoints& points) {
    double sum = 0;
    for (const auto& point : points) {
        const double difference =
            (tubemath::PlateCurrent(tube, point.Vg, point.Va) - point.Ia) * 1000;
        sum += difference * difference;
    }
    return sum;
}

// With noise of 0.05 mA the fit leaves about that much, no more than the true constants
// leave, and the true constants lie within a few standard errors of the fitted ones wherever
// the points determine them.
TEST(FitTube, NoisyCurvesGiveTheNoiseAndConstantsWithinTheirErrors) {
    int determined = 0;
    for (const Case& tube : kOtherTubes) {
        const MeasuredPoints points = PointsOf(tube.Tube, tube.Points, 0.05, 7);
        const FitResult fit = FitTube(points);
        EXPECT_NEAR(fit.RmsMilliamps, 0.05, 0.006) << tube.Name;
        EXPECT_LE(fit.RmsMilliamps * fit.RmsMilliamps * static_cast<double>(points.size()),
                  SquaredMilliamps(tube.Tube, points))
            << tube.Name;
        EXPECT_GT(fit.MaxMilliamps, 2 * fit.RmsMilliamps) << tube.Name;
        for (int i = 0; i < 7; ++i) {
            if (fit.Quality[i].PoorlyDetermined || fit.Quality[i].AtBound)
                continue;
            ++determined;
            EXPECT_NEAR(ConstantOf(fit.Params, i), ConstantOf(tube.Tube, i),
                        4 * fit.Quality[i].StandardError)
                << tube.Name << ": " << kFitConstants[i].Name;
        }
    }
    // All seven of the power triode and the pentode, three of the high-mu triode's.
    EXPECT_GE(determined, 17);
}

TEST(FitTube, StandardErrorsShrinkWithMorePoints) {
    const Case& tube = kOtherTubes[2];
    const FitResult coarse = FitTube(PointsOf(tube.Tube, {10, 5, 450, 10, 0.25}, 0.05, 3));
    const FitResult fine = FitTube(PointsOf(tube.Tube, {2.5, 19, 450, 40, 0.25}, 0.05, 3));
    ASSERT_GT(fine.Points, 6 * coarse.Points);
    for (int i = 0; i < 7; ++i)
        EXPECT_LT(fine.Quality[i].StandardError, 0.6 * coarse.Quality[i].StandardError)
            << kFitConstants[i].Name;
}

// Curves at Vg = 0 alone cannot show how the grid changes the amplification factor, the
// exponent or the coefficient, nor split the current between Perveance and KneeFactor.
TEST(FitTube, FlagsWhatCurvesAtZeroGridCannotDetermine) {
    const FitResult fit = FitTube(PointsOf(TubeParams{}, {0, 1, 500, 40, 0.2}, 0.05, 5));
    for (const char* name :
         {"MuExponent", "ExponentSlope", "GridDecade", "MuZero", "Perveance", "KneeFactor"}) {
        const int i = static_cast<int>(
            std::find_if(kFitConstants.begin(), kFitConstants.end(),
                         [&](const auto& c) { return std::string(c.Name) == name; }) -
            kFitConstants.begin());
        EXPECT_TRUE(fit.Quality[i].PoorlyDetermined) << name;
        EXPECT_TRUE(std::isinf(fit.Quality[i].StandardError)) << name;
    }
    EXPECT_FALSE(fit.Quality[6].PoorlyDetermined);
    EXPECT_LT(fit.Quality[6].StandardError, 0.01);
    EXPECT_LT(fit.RmsMilliamps, 0.06);
}

TEST(FitTube, ReportsConstantsLeftOnABound) {
    // Curves that want a law exponent of 2.8: the fit stops on the upper bound of 2.5.
    TubeParams tube;
    tube.LawExponent = 2.8;
    tube.Perveance = 1e-8;
    const FitResult fit = FitTube(PointsOf(tube, {5, 8, 400, 25, 0.2}));
    EXPECT_TRUE(fit.Quality[6].AtBound);
    EXPECT_EQ(fit.Params.LawExponent, 2.5);
    EXPECT_FALSE(fit.Quality[4].AtBound);
    EXPECT_GT(fit.RmsMilliamps, 0.01);
}

void ExpectFitError(const MeasuredPoints& points, const std::string& message) {
    try {
        FitTube(points);
        ADD_FAILURE() << "no FitError for " << message;
    } catch (const FitError& error) {
        EXPECT_EQ(error.what(), message);
    }
}

TEST(FitTube, RefusesWhatCannotBeFitted) {
    MeasuredPoints points = PointsOf(TubeParams{}, {10, 1, 200, 7, 0.2});
    ASSERT_EQ(points.size(), 7u);
    ExpectFitError(points, "A fit of the 7 constants needs at least 8 measured points; there are "
                           "7.");
    points = PointsOf(TubeParams{}, k807Sweep);
    points[2].Ia = std::numeric_limits<double>::quiet_NaN();
    ExpectFitError(points, "Measured point 3 has a value that is not a finite number.");
    points[2].Ia = 0.01;
    points[9].Va = std::numeric_limits<double>::infinity();
    ExpectFitError(points, "Measured point 10 has a value that is not a finite number.");
    // A plate voltage whose power overflows for every law exponent within the bounds.
    points[9].Va = 1e300;
    ExpectFitError(points, "No start of the fit reached a solution: the model cannot be "
                           "evaluated near these points.");
    // Points where no current flowed fix nothing (the fit would report an RMS of 0).
    points = PointsOf(TubeParams{}, k807Sweep);
    for (auto& point : points)
        point.Ia = point.Va > 300 ? -0.0 : 0.0;
    ExpectFitError(points, "no current was measured");
    points[40].Ia = 1e-6;
    EXPECT_NO_THROW(FitTube(points));
}

// A file at the reader's limit is screened on a subsample and finished on every point: it
// still comes out at the noise, with the constants within their errors.
TEST(FitTube, ALargeFileFitsToItsNoise) {
    const TubeParams tube{0.4, 60, 25, 20, 12.5, 8e-5, 1.45};
    const MeasuredPoints points = PointsOf(tube, {2.5, 20, 450, 1000, 1}, 0.05, 5);
    ASSERT_EQ(points.size(), 20000u);
    const FitResult fit = FitTube(points);
    EXPECT_EQ(fit.Points, 20000u);
    EXPECT_NEAR(fit.RmsMilliamps, 0.05, 0.002);
    for (int i = 0; i < 7; ++i) {
        SCOPED_TRACE(kFitConstants[i].Name);
        EXPECT_LT(std::fabs(ConstantOf(fit.Params, i) - ConstantOf(tube, i)),
                  4 * fit.Quality[i].StandardError);
    }
}

// The progress rises to 1; a cancel stops the fit with FitCancelled, before it starts or while
// it runs.
TEST(FitTube, ReportsProgressAndStopsWhenCancelled) {
    const MeasuredPoints points = PointsOf(TubeParams{}, k807Sweep, 0.05);
    std::vector<double> shares;
    valvescope::FitControl control;
    control.Progress = [&](double share) { shares.push_back(share); };
    const FitResult fit = FitTube(points, control);
    ASSERT_FALSE(shares.empty());
    EXPECT_TRUE(std::is_sorted(shares.begin(), shares.end()));
    EXPECT_GT(shares.front(), 0);
    EXPECT_EQ(shares.back(), 1);
    EXPECT_EQ(FitTube(points).RmsMilliamps, fit.RmsMilliamps); // watching changes nothing

    std::atomic<bool> cancel = true;
    control.Cancel = &cancel;
    shares.clear();
    EXPECT_THROW(FitTube(points, control), valvescope::FitCancelled);
    EXPECT_TRUE(shares.empty());
    cancel = false;
    control.Progress = [&](double share) {
        shares.push_back(share);
        cancel = shares.size() == 3;
    };
    try {
        FitTube(points, control);
        ADD_FAILURE() << "a cancelled fit finished";
    } catch (const valvescope::FitCancelled& error) {
        EXPECT_STREQ(error.what(), "The fit was cancelled");
    }
    EXPECT_EQ(shares.size(), 3u);
}

} // namespace
