// The push-pull marks for a matched 807 pair at B+ 400 V, Raa 6600 ohm: the composite curves
// against the model's own currents, the composite load line's ends, the working path on the line
// and tube 1's path into cut-off.
#include "core/design/pushpullmarks.h"
#include "core/tube/tube.h"
#include "core/tubeedit/measuremarks.h"
#include "model/tubemath.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace valvescope {
namespace {

PushPullInput Fixed(double vg) {
    PushPullInput input;
    input.BPlus = 400;
    input.Raa = 6600;
    input.Vg = vg;
    return input;
}

// 800 V by 200 mA, the family every 10 V down to -100 V.
PlotSettings Plot() {
    PlotSettings settings;
    settings.EndV = 800;
    settings.EndI = 200;
    settings.GridStep = 10;
    settings.GridLineCount = 10;
    return settings;
}

std::vector<MarkPath> PathsIn(const PlotMarks& marks, Colour colour) {
    std::vector<MarkPath> paths;
    std::copy_if(marks.Paths.begin(), marks.Paths.end(), std::back_inserter(paths),
                 [colour](const MarkPath& p) { return p.colour == colour; });
    return paths;
}

double Ip(double vg, double va) {
    return tubemath::PlateCurrent(Builtin807().Model.Seed, vg, va);
}

TEST(PushPullMarks, CompositeCurvesAreTheDifferenceOfTheGridPairs) {
    const Tube tube = Builtin807();
    const PushPullAnalysis a = AnalyzePushPull(tube, tube, Fixed(-30));
    ASSERT_EQ(a.Swing.Drive, 30);
    const PlotMarks marks = PushPullMarks(tube, tube, a, Plot());
    const std::vector<MarkPath> curves = PathsIn(marks, kCompositeCurveColour);
    // v = 0, 10, 20, 30: up to the drive.
    ASSERT_EQ(curves.size(), 4u);
    const MarkPath& rest = curves[0];
    ASSERT_GT(rest.Points.size(), 401u);
    // A volt a point from 0 V; at B+ both plates and grids are alike.
    EXPECT_EQ(rest.Points[400].first, 400);
    EXPECT_EQ(rest.Points[400].second, 0);
    // At 300 V tube 2's plate is at 500 V.
    EXPECT_EQ(rest.Points[300].first, 300);
    EXPECT_NEAR(rest.Points[300].second, Ip(-30, 300) - Ip(-30, 500), 1e-12);
    EXPECT_LT(rest.Points[300].second, -0.03);
    // Tube 1's grid goes up by v, tube 2's down.
    EXPECT_NEAR(curves[1].Points[400].second, Ip(-20, 400) - Ip(-40, 400), 1e-12);
    EXPECT_GT(curves[1].Points[400].second, 0.05);
    // Each curve stops at its first point above 200 mA.
    for (const MarkPath& curve : curves) {
        ASSERT_LT(curve.Points.size(), 801u);
        EXPECT_GT(curve.Points.back().second, 0.2);
        EXPECT_LE(curve.Points[curve.Points.size() - 2].second, 0.2);
    }
    // The quiescent dot at tube 1's rest.
    ASSERT_EQ(marks.Dots.size(), 1u);
    EXPECT_EQ(marks.Dots[0].Va, 400);
    EXPECT_NEAR(marks.Dots[0].Ip, Ip(-30, 400), 1e-15);
    EXPECT_EQ(marks.Dots[0].colour, kOperatingPointColour);
}

TEST(PushPullMarks, TheGridPairsFollowThePlotsGridSteps) {
    const Tube tube = Builtin807();
    const PushPullAnalysis a = AnalyzePushPull(tube, tube, Fixed(-30));
    const auto count = [&](double step, std::int32_t lines) {
        PlotSettings settings = Plot();
        settings.GridStep = step;
        settings.GridLineCount = lines;
        return PathsIn(PushPullMarks(tube, tube, a, settings), kCompositeCurveColour).size();
    };
    EXPECT_EQ(count(7, 10), 5u);   // 0, 7, 14, 21, 28
    EXPECT_EQ(count(-10, 10), 4u); // the step's size counts
    EXPECT_EQ(count(10, 2), 3u);   // the family reaches 20 V below 0 V
    EXPECT_EQ(count(0, 10), 1u);
    EXPECT_EQ(count(1e-9, 10), 11u);      // 0 to 10 nV
    EXPECT_EQ(count(0.01, 100000), 100u); // no more than a hundred however fine
    EXPECT_EQ(count(10, 0), 1u);
}

TEST(PushPullMarks, TheWorkingPathLiesOnTheCompositeLoadLine) {
    const Tube tube = Builtin807();
    const PushPullAnalysis a = AnalyzePushPull(tube, tube, Fixed(-30));
    const PlotMarks marks = PushPullMarks(tube, tube, a, Plot());
    // Through (400 V, 0) falling 4 / 6600 A a volt: 242 mA at 0 V, above the plot, so it enters
    // at 200 mA at 400 - 0.2 x 1650 = 70 V.
    ASSERT_EQ(marks.Lines.size(), 1u);
    const MarkLine& line = marks.Lines[0];
    EXPECT_NEAR(line.Va0, 70, 1e-9);
    EXPECT_NEAR(line.Ip0, 0.2, 1e-15);
    EXPECT_NEAR(line.Va1, 400, 1e-9);
    EXPECT_NEAR(line.Ip1, 0, 1e-15);
    EXPECT_EQ(line.colour, kCompositeLoadLineColour);

    const std::vector<MarkPath> working = PathsIn(marks, kWorkingPathColour);
    ASSERT_EQ(working.size(), 1u);
    ASSERT_EQ(working[0].Points.size(), 181u);
    EXPECT_EQ(working[0].width, kWorkingPathWidth);
    EXPECT_EQ(marks.Paths.back().colour, kWorkingPathColour); // drawn over the curves
    double lowest = 400;
    for (const auto& [va, i] : working[0].Points) {
        EXPECT_NEAR(i, 4 * (400 - va) / 6600, 1e-12);
        lowest = std::min(lowest, va);
    }
    // At the peak, tube 1's grid at 0 V: the plate lowest, at the path's first instant and its
    // last, where the composite curve of 0 V and -60 V meets the line.
    EXPECT_EQ(working[0].Points[0].first, lowest);
    EXPECT_NEAR(working[0].Points[180].first, lowest, 1e-9);
    const MarkPath peak = PathsIn(marks, kCompositeCurveColour).at(3);
    const auto past = std::find_if(peak.Points.begin(), peak.Points.end(), [](const auto& p) {
        return p.second > 4 * (400 - p.first) / 6600;
    });
    ASSERT_NE(past, peak.Points.begin());
    ASSERT_NE(past, peak.Points.end());
    EXPECT_GT(lowest, (past - 1)->first);
    EXPECT_LT(lowest, past->first);
    EXPECT_NEAR(lowest, 218.94, 0.01);
    // Class A: tube 1 never cuts off.
    const std::vector<MarkPath> own = PathsIn(marks, kTubePathColour);
    ASSERT_EQ(own.size(), 1u);
    for (const auto& [va, i] : own[0].Points)
        EXPECT_GT(i, 0);
    EXPECT_NEAR(own[0].Points[0].second, Ip(0, own[0].Points[0].first), 1e-12);
}

TEST(PushPullMarks, InClassABTubeOnesPathReachesCutoff) {
    const Tube tube = Builtin807();
    const PushPullAnalysis a = AnalyzePushPull(tube, tube, Fixed(-60));
    ASSERT_EQ(a.Swing.Class, PushPullClass::AB);
    const PlotMarks marks = PushPullMarks(tube, tube, a, Plot());
    EXPECT_EQ(PathsIn(marks, kCompositeCurveColour).size(), 7u); // 0 to 60 V
    const MarkPath own = PathsIn(marks, kTubePathColour).at(0);
    // Half a cycle on, tube 1's grid at -120 V: cut off, its plate above B+.
    EXPECT_EQ(own.Points[90].second, 0);
    EXPECT_GT(own.Points[90].first, 400);
    const auto cut = std::count_if(own.Points.begin(), own.Points.end(),
                                   [](const auto& p) { return p.second == 0; });
    // The share of the cycle the analysis finds cut off, to an instant either side.
    EXPECT_NEAR(static_cast<double>(cut) / 180, a.Swing.Tubes[0].Cutoff, 2.0 / 180);
}

TEST(PushPullMarks, AMismatchedPairsPathIsOffsetByItsImbalance) {
    const Tube cool = Builtin807();
    Tube hot = Builtin807();
    hot.Model.Seed.Perveance *= 1.1;
    const PushPullAnalysis a = AnalyzePushPull(cool, hot, Fixed(-30));
    const double m = a.Swing.Imbalance;
    ASSERT_LT(m, -1e-3);
    const PlotMarks marks = PushPullMarks(cool, hot, a, Plot());
    // At rest the hotter tube 2 draws more: the composite curve crosses 0 above B+.
    const MarkPath rest = PathsIn(marks, kCompositeCurveColour).at(0);
    EXPECT_LT(rest.Points[400].second, -1e-3);
    EXPECT_NEAR(rest.Points[400].second, Ip(-30, 400) * (1 - 1.1), 1e-12);
    const MarkPath working = PathsIn(marks, kWorkingPathColour).at(0);
    for (const auto& [va, i] : working.Points)
        EXPECT_NEAR(i, m + 4 * (400 - va) / 6600, 1e-12);
}

TEST(PushPullMarks, CathodeBiasCentresOnTheCathodesRest) {
    const Tube tube = Builtin807();
    PushPullInput input = Fixed(0);
    input.Bias = PushPullBias::Cathode;
    input.Rk = 250;
    const PushPullAnalysis a = AnalyzePushPull(tube, tube, input);
    ASSERT_GT(a.RestVk, 10);
    const PlotMarks marks = PushPullMarks(tube, tube, a, Plot());
    ASSERT_EQ(marks.Lines.size(), 1u);
    EXPECT_NEAR(marks.Lines[0].Va1, 400 - a.RestVk, 1e-9);
    EXPECT_EQ(marks.Lines[0].Ip1, 0);
    EXPECT_NEAR(marks.Dots.at(0).Va, 400 - a.RestVk, 1e-12);
    // v = 0: both tubes alike where Va1 is the centre tap.
    const MarkPath rest = PathsIn(marks, kCompositeCurveColour).at(0);
    const auto centre = static_cast<std::size_t>(std::floor(400 - a.RestVk));
    EXPECT_LT(rest.Points[centre].second, 0);
    EXPECT_GT(rest.Points[centre + 1].second, 0);
}

TEST(PushPullMarks, OffThePlotAndColoursApart) {
    const Tube tube = Builtin807();
    const PushPullAnalysis a = AnalyzePushPull(tube, tube, Fixed(-30));
    PlotSettings small = Plot();
    small.EndV = 300; // the rest point and the line's foot past the right edge
    const PlotMarks marks = PushPullMarks(tube, tube, a, small);
    EXPECT_TRUE(marks.Dots.empty());
    ASSERT_EQ(marks.Lines.size(), 1u);
    EXPECT_NEAR(marks.Lines[0].Va1, 300, 1e-9);
    EXPECT_EQ(PathsIn(marks, kCompositeCurveColour).at(0).Points.size(), 301u);
    for (const Colour c : {kCompositeCurveColour, kTubePathColour}) {
        for (const Colour other : {kBlack, kBlue, kRed, kMaroon, kSilver, kDarkGreen,
                                   kOperatingPointColour, kStageLoadLineColour})
            EXPECT_NE(c, other);
        for (const Colour measured : kMeasurementColours)
            EXPECT_NE(c, measured);
    }
    EXPECT_NE(kCompositeCurveColour, kTubePathColour);
}

} // namespace
} // namespace valvescope
