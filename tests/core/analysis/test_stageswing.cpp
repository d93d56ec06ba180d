// The swing against brute force: every case is sampled at many phases, each current found by
// plain halving, and the harmonics summed directly.
#include "core/analysis/stage.h"
#include "core/analysis/stagemath.h"
#include "tests/core/analysis/stagereference.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using valvescope::AnalyzeStage;
using valvescope::Builtin807;
using valvescope::LoadKind;
using valvescope::StageAnalysis;
using valvescope::StageInput;

constexpr int kSamples = 20000;

StageInput Resistor(double bPlus, double ra, double rk, std::optional<double> drive = {}) {
    StageInput input;
    input.BPlus = bPlus;
    input.Ra = ra;
    input.Rk = rk;
    input.Drive = drive;
    return input;
}

StageInput Transformer(double bPlus, double rk, double zaa, std::optional<double> drive = {}) {
    StageInput input = Resistor(bPlus, 0, rk, drive);
    input.Load = LoadKind::Transformer;
    input.Zaa = zaa;
    return input;
}

struct Compared {
    StageAnalysis Analysis;
    stagetest::BruteForceSwing Reference;
};

// Analyses the stage, sums its swing by brute force and checks the two agree.
Compared CheckAgainstBruteForce(const StageInput& input) {
    const StageAnalysis a = AnalyzeStage(Builtin807(), input);
    const bool transformer = input.Load == LoadKind::Transformer;
    const double slope = transformer ? *input.Zaa : input.Ra;
    const double intercept =
        transformer ? a.Quiescent.Vp + slope * a.Quiescent.Ip : input.BPlus - a.Quiescent.Vk;
    const auto reference = stagetest::SwingByBruteForce(tubemath::TubeParams{}, a.Quiescent.Vg,
                                                        a.Swing.Drive, intercept, slope, kSamples);
    const double h1 = reference.Harmonics[0];
    for (std::size_t n = 0; n < 9; ++n)
        EXPECT_NEAR(a.Swing.Harmonics[n], reference.Harmonics[n], 1e-7 * h1) << "H" << n + 1;
    EXPECT_NEAR(a.Swing.AverageIp, reference.AverageIp, 1e-7 * h1);
    EXPECT_NEAR(a.Swing.MinIp, reference.MinIp, 1e-9 * h1);
    EXPECT_NEAR(a.Swing.MaxIp, reference.MaxIp, 1e-9 * h1);
    // The peak of Va * Ip is found exactly on the straight load; samples fall a little short.
    EXPECT_GE(a.Swing.PeakP, reference.PeakP);
    EXPECT_NEAR(a.Swing.PeakP, reference.PeakP, 1e-7 * reference.PeakP);
    double distortion = 0;
    for (std::size_t n = 1; n < 9; ++n)
        distortion += reference.Harmonics[n] * reference.Harmonics[n];
    EXPECT_NEAR(a.Swing.Thd, std::sqrt(distortion) / h1, 1e-6 * a.Swing.Thd);
    EXPECT_NEAR(a.Swing.Power, h1 * h1 * slope / 2, 1e-7 * a.Swing.Power);
    EXPECT_NEAR(a.Swing.Gain, h1 * slope / a.Swing.Drive, 1e-7 * a.Swing.Gain);
    EXPECT_NEAR(a.Swing.MaxVa, intercept - slope * reference.MinIp, 1e-6);
    return {a, reference};
}

TEST(StageSwing, DefaultDriveJustReachesZeroVolts) {
    const auto [a, reference] = CheckAgainstBruteForce(StageInput{});
    EXPECT_EQ(a.Swing.Drive, a.Quiescent.Vk);
    EXPECT_FALSE(a.Swing.GridCurrent);
    EXPECT_FALSE(a.Swing.Cutoff);
    EXPECT_FALSE(a.Swing.CurrentExceeded || a.Swing.VoltageExceeded || a.Swing.DissipationExceeded);
    EXPECT_FALSE(a.Swing.Efficiency.has_value());
    // Round figures for the default stage: about 1.9 W into 3 k, 10 % mostly second harmonic.
    EXPECT_NEAR(a.Swing.Harmonics[0], 0.0356682300, 1e-10);
    EXPECT_NEAR(a.Swing.Harmonics[1], 0.0036357795, 1e-10);
    EXPECT_NEAR(a.Swing.Thd, 0.1019707, 1e-7);
    EXPECT_NEAR(a.Swing.Power, 1.90833, 1e-5);
    // The ends of the swing lie on the load line from B+ less the held cathode's 22.3 V, plate
    // to cathode as the curves are drawn; the far end is the text's most Va.
    EXPECT_NEAR(a.Overlay.SwingLow.Y, reference.MinIp, 1e-15);
    EXPECT_NEAR(a.Overlay.SwingLow.X, 400 - 22.3124804 - 3000 * reference.MinIp, 1e-6);
    EXPECT_NEAR(a.Overlay.SwingHigh.X, 400 - 22.3124804 - 3000 * reference.MaxIp, 1e-6);
    EXPECT_EQ(a.Overlay.SwingLow.X, a.Swing.MaxVa);
}

TEST(StageSwing, IntoCutoff) {
    const auto [a, reference] = CheckAgainstBruteForce(Resistor(400, 3000, 1500));
    EXPECT_TRUE(a.Swing.Cutoff);
    EXPECT_FALSE(a.Swing.GridCurrent);
    EXPECT_EQ(a.Swing.MinIp, 0);
    EXPECT_EQ(reference.MinIp, 0);
    // The load line's foot: B+ less the cathode held at its resting volts.
    EXPECT_NEAR(a.Overlay.SwingLow.X, 400 - a.Quiescent.Vk, 1e-12);
}

TEST(StageSwing, IntoGridCurrent) {
    const auto [a, reference] = CheckAgainstBruteForce(Resistor(400, 10000, 1000, 40));
    EXPECT_TRUE(a.Swing.GridCurrent);
    EXPECT_FALSE(a.Swing.Cutoff);
    EXPECT_GT(reference.MinIp, 0);
}

TEST(StageSwing, IntoBothCutoffAndGridCurrent) {
    const auto [a, reference] = CheckAgainstBruteForce(Resistor(400, 3000, 590, 50));
    EXPECT_TRUE(a.Swing.GridCurrent);
    EXPECT_TRUE(a.Swing.Cutoff);
}

TEST(StageSwing, PastEveryRating) {
    const auto [a, reference] = CheckAgainstBruteForce(Resistor(600, 3000, 590));
    EXPECT_GT(reference.MaxIp, 0.120);
    EXPECT_TRUE(a.Swing.CurrentExceeded);
    EXPECT_TRUE(a.Swing.VoltageExceeded); // 600 V less the drops swings past 475 V
    EXPECT_GT(reference.PeakP, 25);
    EXPECT_TRUE(a.Swing.DissipationExceeded);
}

TEST(StageSwing, TransformerSwingsAboutItsAcLoadLine) {
    const auto [a, reference] = CheckAgainstBruteForce(Transformer(300, 300, 5000, 40));
    const double ip = a.Quiescent.Ip;
    ASSERT_TRUE(a.Swing.Efficiency.has_value());
    const double power = reference.Harmonics[0] * reference.Harmonics[0] * 5000 / 2;
    EXPECT_NEAR(*a.Swing.Efficiency, power / (300 * ip), 1e-7);
    // The plate flies above B+: only the voltage rating is passed.
    EXPECT_TRUE(a.Swing.VoltageExceeded);
    EXPECT_FALSE(a.Swing.CurrentExceeded || a.Swing.DissipationExceeded);
    EXPECT_TRUE(a.Swing.GridCurrent);

    ASSERT_TRUE(a.Overlay.AcLine.has_value());
    const valvescope::AcLoadLine& line = *a.Overlay.AcLine;
    // Through the quiescent point plate to cathode: B+ less the cathode's volts.
    const double vp = a.Quiescent.Vp;
    EXPECT_DOUBLE_EQ(vp, 300 - 300 * ip);
    EXPECT_EQ(line.Through.X, vp);
    EXPECT_EQ(line.Through.Y, ip);
    EXPECT_EQ(line.Slope, -1.0 / 5000);
    EXPECT_DOUBLE_EQ(line.VoltageEnd.X, vp + 5000 * ip);
    EXPECT_EQ(line.VoltageEnd.Y, 0);
    EXPECT_EQ(line.CurrentEnd.X, 0);
    EXPECT_DOUBLE_EQ(line.CurrentEnd.Y, ip + vp / 5000);
    for (const valvescope::PlotPoint& end : {a.Overlay.SwingLow, a.Overlay.SwingHigh})
        EXPECT_NEAR(end.Y - ip, -(end.X - vp) / 5000, 1e-15);
    EXPECT_NEAR(a.Overlay.SwingLow.Y, reference.MinIp, 1e-12);
    EXPECT_NEAR(a.Overlay.SwingHigh.Y, reference.MaxIp, 1e-12);
}

TEST(StageSwing, TransformerAtDefaultDrive) {
    const auto [a, reference] = CheckAgainstBruteForce(Transformer(300, 300, 5000));
    EXPECT_FALSE(a.Swing.GridCurrent || a.Swing.Cutoff || a.Swing.VoltageExceeded);
}

TEST(StageSwing, NoDriveLeavesTheStageAtRest) {
    StageInput input;
    input.Drive = 0;
    const auto a = AnalyzeStage(Builtin807(), input);
    for (const double h : a.Swing.Harmonics)
        EXPECT_EQ(h, 0);
    EXPECT_EQ(a.Swing.Thd, 0);
    EXPECT_EQ(a.Swing.Power, 0);
    EXPECT_EQ(a.Swing.AverageIp, a.Quiescent.Ip);
    EXPECT_EQ(a.Swing.MinIp, a.Quiescent.Ip);
    EXPECT_DOUBLE_EQ(a.Swing.PeakP, a.Quiescent.P);
    // The gain at vanishing drive is the small-signal gain's magnitude.
    EXPECT_EQ(a.Swing.Gain, -a.Small.Gain);
    // A tiny drive gives nearly that gain and a second harmonic in proportion to the drive.
    input.Drive = 1e-3;
    const auto small = AnalyzeStage(Builtin807(), input);
    EXPECT_NEAR(small.Swing.Gain, -a.Small.Gain, 1e-6 * small.Swing.Gain);
    EXPECT_LT(small.Swing.Thd, 1e-4);
}

TEST(StageSwingSolvers, CurrentOnLoadMatchesBisection) {
    using valvescope::analysis::CurrentOnLoad;
    const tubemath::TubeParams tube;
    const valvescope::analysis::PlateLoad load{377.7, 3000};
    for (const double vg : {-64.0, -50.0, -22.3, -3.0, 0.0, 12.0, 30.0}) {
        const double expected = stagetest::LoadedCurrentByBisection(tube, vg, 377.7, 3000);
        for (const double guess : {0.0, 0.02, 0.2}) {
            const double ip = CurrentOnLoad(tube, vg, load, guess).Ip;
            EXPECT_NEAR(ip, expected, 4e-16 * expected) << vg << " V from " << guess;
        }
    }
    // Past cut-off the current is exactly 0.
    EXPECT_EQ(CurrentOnLoad(tube, -70, load, 0.03).Ip, 0);
}

TEST(StageSwingSolvers, CutoffEdgeToTheLastBit) {
    const tubemath::TubeParams tube;
    const double edge = valvescope::analysis::CutoffGridVoltage(tube, 377.7, -100, -20);
    EXPECT_GT(tubemath::PlateCurrent(tube, edge, 377.7), 0);
    EXPECT_EQ(tubemath::PlateCurrent(tube, std::nextafter(edge, -100.0), 377.7), 0);
    EXPECT_NEAR(edge, -64.9, 0.1); // |Vg| (8.7 - |Vg|^0.253) = 377.7 V
}

} // namespace
