// The push-pull pair at telling points: a matched pair's symmetry, a mismatched pair's
// imbalance, the small-signal limit against the model's own slopes taken by hand, the class at
// telling biases, the cathode's fixed point and the energy the supplies give.
#include "core/analysis/pushpull.h"
#include "core/analysis/pushpullmath.h"
#include "core/tube/library.h"
#include "model/tubemath.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace valvescope;

PushPullInput Fixed(double vg, std::optional<double> drive = {}) {
    PushPullInput input;
    input.BPlus = 400;
    input.Raa = 6600;
    input.Vg = vg;
    input.Drive = drive;
    return input;
}

PushPullInput Cathode(double rk, std::optional<double> drive = {}) {
    PushPullInput input = Fixed(0, drive);
    input.Bias = PushPullBias::Cathode;
    input.Rk = rk;
    return input;
}

// The 807 with a tenth more perveance: the hotter of a mismatched pair.
Tube Hotter807() {
    Tube tube = Builtin807();
    tube.Name = "807 hot";
    tube.Model.Seed.Perveance *= 1.1;
    return tube;
}

Tube Library(const char* name) {
    const LibraryTube* entry = FindLibraryTube(name);
    EXPECT_NE(entry, nullptr) << name;
    return TubeOf(*entry);
}

TEST(PushPullPair, AMatchedPairCancelsEvenHarmonicsAndIsBalanced) {
    const Tube tube = Builtin807();
    for (const PushPullInput& input : {Fixed(-30, 20), Fixed(-45, 45), Cathode(250)}) {
        const PushPullSwing s = AnalyzePushPull(tube, tube, input).Swing;
        const double h1 = s.Harmonics[0];
        ASSERT_GT(h1, 0.05);
        for (std::size_t n = 1; n < s.Harmonics.size(); n += 2)
            EXPECT_LT(s.Harmonics[n], 1e-12 * h1) << "H" << n + 1;
        EXPECT_GT(s.Harmonics[2], 1e-4 * h1); // H3 is there
        EXPECT_LT(std::fabs(s.Imbalance), 1e-12 * h1);
        EXPECT_NEAR(s.Tubes[0].IpMin, s.Tubes[1].IpMin, 1e-15);
        EXPECT_NEAR(s.Tubes[0].IpAverage, s.Tubes[1].IpAverage, 1e-13);
        EXPECT_NEAR(s.Tubes[0].Cutoff, s.Tubes[1].Cutoff, 1e-15);
    }
}

TEST(PushPullPair, AMismatchedPairShowsItsImbalanceAndEvenHarmonics) {
    const Tube cool = Builtin807();
    const Tube hot = Hotter807();
    const PushPullAnalysis a = AnalyzePushPull(cool, hot, Fixed(-30, 20));
    // The second tube draws more, so I1 - I2 averages below 0; turned round, above.
    EXPECT_LT(a.Swing.Imbalance, -1e-3);
    EXPECT_GT(a.Quiescent[1].Ip, a.Quiescent[0].Ip);
    EXPECT_GT(a.Swing.Harmonics[1], 1e-4 * a.Swing.Harmonics[0]);
    const PushPullAnalysis turned = AnalyzePushPull(hot, cool, Fixed(-30, 20));
    EXPECT_NEAR(turned.Swing.Imbalance, -a.Swing.Imbalance, 1e-12);
    EXPECT_NEAR(turned.Swing.Power, a.Swing.Power, 1e-9 * a.Swing.Power);
    // The transformer holds no DC: at rest both plates sit at B+.
    EXPECT_EQ(a.Quiescent[0].Vp, 400);
    EXPECT_EQ(a.Quiescent[1].Vp, 400);
    EXPECT_NEAR(a.Quiescent[1].Ip / a.Quiescent[0].Ip, 1.1, 1e-12);
}

// The model's slopes at the rest point by central differences, to judge the small-signal limit.
TEST(PushPullPair, AtATinyDriveThePowerIsTheSmallSignalOne) {
    const Tube tube = Builtin807();
    const tubemath::TubeParams& p = tube.Model.Seed;
    const double h = 1e-4;
    const double gm =
        (tubemath::PlateCurrent(p, -30 + h, 400) - tubemath::PlateCurrent(p, -30 - h, 400)) /
        (2 * h);
    const double ga =
        (tubemath::PlateCurrent(p, -30, 400 + h) - tubemath::PlateCurrent(p, -30, 400 - h)) /
        (2 * h);
    // Each tube: i = gm vg + ga va, with vg = +-v and va = -+V, V = (Raa / 4) (i1 - i2).
    const double drive = 1e-3;
    const double h1 = 2 * gm * drive / (1 + 2 * (6600.0 / 4) * ga);
    const PushPullSwing s = AnalyzePushPull(tube, tube, Fixed(-30, drive)).Swing;
    EXPECT_NEAR(s.Harmonics[0], h1, 1e-6 * h1);
    EXPECT_NEAR(s.Power, 6600 * h1 * h1 / 8, 3e-6 * s.Power);
    EXPECT_EQ(s.Class, PushPullClass::A);
}

TEST(PushPullPair, InClassATheDistortionFallsAsTheSquareOfTheDrive) {
    const Tube tube = Builtin807();
    const double thd = AnalyzePushPull(tube, tube, Fixed(-30, 2)).Swing.Thd;
    const double half = AnalyzePushPull(tube, tube, Fixed(-30, 1)).Swing.Thd;
    EXPECT_NEAR(thd / half, 4, 0.01);
}

TEST(PushPullPair, TheClassFollowsTheCutoff) {
    const Tube tube = Builtin807();
    // At -30 V neither tube is cut off over the cycle.
    const PushPullSwing a = AnalyzePushPull(tube, tube, Fixed(-30)).Swing;
    EXPECT_EQ(a.Class, PushPullClass::A);
    EXPECT_EQ(a.Tubes[0].Cutoff, 0);
    // At -60 V driven to 0 V of grid, each tube is cut off for part of the cycle, less than half;
    // at -55 V the other tube lifts its plate just enough to keep it from cut-off.
    EXPECT_EQ(AnalyzePushPull(tube, tube, Fixed(-55)).Swing.Class, PushPullClass::A);
    const PushPullSwing ab = AnalyzePushPull(tube, tube, Fixed(-60)).Swing;
    EXPECT_EQ(ab.Class, PushPullClass::AB);
    EXPECT_GT(ab.Tubes[0].Cutoff, 0.05);
    EXPECT_LT(ab.Tubes[0].Cutoff, 0.5);
    EXPECT_EQ(ab.Tubes[0].IpMin, 0);
    // At -70 V the 807 at 400 V is cut off at rest (70 V above 400 V / (8.7 - 70^0.253)).
    const PushPullAnalysis b = AnalyzePushPull(tube, tube, Fixed(-70));
    EXPECT_EQ(b.Quiescent[0].Ip, 0);
    EXPECT_EQ(b.Swing.Class, PushPullClass::B);
    EXPECT_GT(b.Swing.Tubes[0].Cutoff, 0.5);
    EXPECT_GT(b.Swing.Power, 1);
}

TEST(PushPullPair, TheDefaultDriveJustReachesZeroVoltsOfGrid) {
    const Tube tube = Builtin807();
    const PushPullSwing fixed = AnalyzePushPull(tube, tube, Fixed(-30)).Swing;
    EXPECT_EQ(fixed.Drive, 30);
    EXPECT_FALSE(fixed.GridPositive);
    EXPECT_TRUE(AnalyzePushPull(tube, tube, Fixed(-30, 30.5)).Swing.GridPositive);
    const PushPullSwing cathode = AnalyzePushPull(tube, tube, Cathode(250)).Swing;
    EXPECT_NEAR(cathode.Drive, cathode.Vk, 1e-9 * cathode.Vk);
}

TEST(PushPullPair, TheCathodeFollowsTheDrive) {
    const Tube tube = Builtin807();
    const PushPullAnalysis rest = AnalyzePushPull(tube, tube, Cathode(1000, 0));
    // At rest Vk = Rk (I1 + I2).
    EXPECT_NEAR(rest.RestVk, 1000 * 2 * rest.Quiescent[0].Ip, 1e-12 * rest.RestVk);
    EXPECT_EQ(rest.RestVg, -rest.RestVk);
    EXPECT_NEAR(rest.Swing.Vk, rest.RestVk, 1e-9);
    // Driven into cut-off, the average current and so the cathode rise.
    const PushPullSwing driven = AnalyzePushPull(tube, tube, Cathode(1000, 40)).Swing;
    EXPECT_GT(driven.Vk, rest.RestVk + 7); // 40.6 V at rest, 48.4 V driven
    EXPECT_NEAR(driven.Vk, 1000 * driven.Supply, 1e-9 * driven.Vk);
    EXPECT_EQ(driven.Class, PushPullClass::AB);
}

// What the supplies give goes into the plates, the screens, the load (every harmonic of the
// half-primary voltage) and the cathode resistor.
void ExpectEnergyBalance(const PushPullInput& input, const PushPullSwing& s) {
    double load = 0;
    for (const double hn : s.Harmonics)
        load += input.Raa * hn * hn / 8;
    const double screens = s.Tubes[0].IsAverage + s.Tubes[1].IsAverage;
    const double screenVolts = input.Screen == ScreenFeed::Supply ? input.ScreenVolts : input.BPlus;
    const double supplied =
        input.BPlus * (s.Tubes[0].IpAverage + s.Tubes[1].IpAverage) + screenVolts * screens;
    const double spent =
        s.Tubes[0].P + s.Tubes[1].P + s.Tubes[0].Ps + s.Tubes[1].Ps + load + s.Vk * s.Supply;
    EXPECT_NEAR(spent, supplied, 1e-7 * supplied);
}

TEST(PushPullPair, EveryWattTheSuppliesGiveIsAccountedFor) {
    const Tube el34 = Library("EL34");
    for (const ScreenFeed feed :
         {ScreenFeed::Supply, ScreenFeed::Ultralinear, ScreenFeed::TriodeConnected}) {
        PushPullInput input = Fixed(-30, 15);
        input.Screen = feed;
        input.ScreenVolts = 350;
        const PushPullSwing s = AnalyzePushPull(el34, el34, input).Swing;
        EXPECT_GT(s.Power, 1) << static_cast<int>(feed);
        EXPECT_GT(s.Tubes[0].IsAverage, 0);
        ExpectEnergyBalance(input, s);
    }
    const Tube tube = Builtin807();
    ExpectEnergyBalance(Cathode(300, 35), AnalyzePushPull(tube, tube, Cathode(300, 35)).Swing);
    ExpectEnergyBalance(Fixed(-30, 20), AnalyzePushPull(tube, Hotter807(), Fixed(-30, 20)).Swing);
}

// The screen voltage is the screen's to the cathode at rest, as the curves are plotted: with
// cathode bias the quiescent point lies on the EL34's curve at 350 V of screen, and the supply
// to ground, 350 V + the rest's Vk, stays put while the drive lifts the cathode.
TEST(PushPullPair, WithCathodeBiasTheScreenVoltageIsToTheCathodeAtRest) {
    const Tube el34 = Library("EL34");
    PushPullInput input = Cathode(200, 20);
    input.ScreenVolts = 350;
    const PushPullAnalysis a = AnalyzePushPull(el34, el34, input);
    const PushPullRest& rest = a.Quiescent[0];
    EXPECT_GT(a.RestVk, 10);
    EXPECT_NEAR(rest.Vs, 350, 1e-12);
    EXPECT_NEAR(rest.Vp, 400 - a.RestVk, 1e-12);
    const tubemath::Currents model = tubemath::CurrentsAt(el34.Model, -a.RestVk, rest.Vp, 350);
    EXPECT_NEAR(rest.Ip, model.Plate, 1e-15);
    EXPECT_NEAR(rest.Is, model.Screen, 1e-15);
    EXPECT_NEAR(a.RestVk, 200 * 2 * (rest.Ip + rest.Is), 1e-12 * a.RestVk);
    // Driven, the cathode rises and the screens, fed from the supply to ground, fall below
    // 350 V to it: every watt balances only with the supply at 350 V + the rest's Vk.
    const PushPullSwing& s = a.Swing;
    EXPECT_GT(s.Vk, a.RestVk + 0.1);
    PushPullInput supply = input;
    supply.ScreenVolts = 350 + a.RestVk;
    ExpectEnergyBalance(supply, s);
    // With fixed bias nothing moves: the screen sits at the screen voltage.
    EXPECT_EQ(AnalyzePushPull(el34, el34,
                              [] {
                                  PushPullInput fixed = Fixed(-30, 10);
                                  fixed.ScreenVolts = 350;
                                  return fixed;
                              }())
                  .Quiescent[0]
                  .Vs,
              350);
}

TEST(PushPullPair, TheTapsEndsAreTheScreenSupplyAtBPlusAndTriodeConnection) {
    const Tube el34 = Library("EL34");
    PushPullInput tap = Fixed(-30, 15);
    tap.Screen = ScreenFeed::Ultralinear;
    tap.Tap = 0;
    PushPullInput supply = tap;
    supply.Screen = ScreenFeed::Supply;
    supply.ScreenVolts = 400;
    EXPECT_EQ(AnalyzePushPull(el34, el34, tap).Swing.Power,
              AnalyzePushPull(el34, el34, supply).Swing.Power);
    tap.Tap = 1;
    PushPullInput triode = tap;
    triode.Screen = ScreenFeed::TriodeConnected;
    const PushPullSwing t = AnalyzePushPull(el34, el34, triode).Swing;
    EXPECT_NEAR(AnalyzePushPull(el34, el34, tap).Swing.Power, t.Power, 1e-12 * t.Power);
    // The taps between: the power falls from the pentode's to the triode's.
    tap.Tap = 0.43;
    const double ultralinear = AnalyzePushPull(el34, el34, tap).Swing.Power;
    EXPECT_LT(ultralinear, AnalyzePushPull(el34, el34, supply).Swing.Power);
    EXPECT_GT(ultralinear, t.Power);
}

TEST(PushPullPair, TheSweepAndTheDriveForAPower) {
    const Tube tube = Builtin807();
    PushPullInput input = Fixed(-45);
    input.SweepPoints = 4;
    const PushPullAnalysis a = AnalyzePushPull(tube, tube, input);
    ASSERT_EQ(a.Sweep.size(), 4u);
    EXPECT_EQ(a.Sweep[1].Drive, 22.5);
    EXPECT_EQ(a.Sweep[3].Drive, 45);
    EXPECT_EQ(a.Sweep[3].Power, a.Swing.Power);
    for (std::size_t k = 1; k < a.Sweep.size(); ++k)
        EXPECT_GT(a.Sweep[k].Power, a.Sweep[k - 1].Power);
    const double drive = DriveForPower(tube, tube, input, a.Sweep[1].Power);
    EXPECT_NEAR(drive, 22.5, 1e-7);
    EXPECT_THROW(DriveForPower(tube, tube, input, 1e6), StageError);
}

// The sweep starts each drive's search from the drives above it; the swing alone starts from
// rest. Both must settle on the same cathode voltage and magnetising current.
TEST(PushPullPair, ASweptDriveIsTheDriveAlone) {
    PushPullInput input = Cathode(1000);
    input.SweepPoints = 5;
    const Tube hot = Hotter807();
    const PushPullAnalysis a = AnalyzePushPull(Builtin807(), hot, input);
    ASSERT_EQ(a.Sweep.size(), 5u);
    for (const std::size_t k : {0u, 2u}) {
        const PushPullSwing alone = PushPullSwingAt(Builtin807(), hot, input, a.Sweep[k].Drive);
        EXPECT_NEAR(a.Sweep[k].Power, alone.Power, 1e-8 * alone.Power);
        EXPECT_NEAR(a.Sweep[k].Thd, alone.Thd, 1e-7 * alone.Thd);
    }
    EXPECT_EQ(a.Sweep[4].Power, a.Swing.Power);
}

// The settling steps on the slopes the cycle integrates: judged by central differences of the
// cycle itself, for a mismatched cathode-biased pair in class AB whose drive follows Vk, and for
// ultralinear EL34s.
TEST(PushPullPair, TheCyclesSlopesAreItsOwnDifferences) {
    const auto check = [](const Tube& first, const Tube& second, const PushPullInput& input,
                          analysis::CycleSettings s) {
        const analysis::PairWiring wiring = analysis::WiringOf(first, second, input);
        const auto at = [&](double dvk, double dm) {
            analysis::CycleSettings moved = s;
            moved.Vk += dvk;
            moved.Bias -= dvk;
            moved.Drive += s.DriveFollowsVk ? dvk : 0;
            moved.Magnetising += dm;
            return analysis::CycleOf(wiring, moved);
        };
        const analysis::CycleSlopes slopes = at(0, 0).Slopes;
        const double h = 1e-3;
        const double hm = 1e-6;
        const auto cathode = [](const analysis::CycleFigures& f) { return f.CathodeCurrent(); };
        const auto difference = [](const analysis::CycleFigures& f) { return f.Cosines[0] / 2; };
        const double perVk = (cathode(at(h, 0)) - cathode(at(-h, 0))) / (2 * h);
        const double perM = (cathode(at(0, hm)) - cathode(at(0, -hm))) / (2 * hm);
        const double dPerVk = (difference(at(h, 0)) - difference(at(-h, 0))) / (2 * h);
        const double dPerM = (difference(at(0, hm)) - difference(at(0, -hm))) / (2 * hm);
        EXPECT_NEAR(slopes.CathodePerVk, perVk, 1e-5 * std::fabs(perVk));
        EXPECT_NEAR(slopes.CathodePerMagnetising, perM, 1e-5 * std::fabs(perM) + 1e-9);
        EXPECT_NEAR(slopes.DifferencePerVk, dPerVk, 1e-5 * std::fabs(dPerVk) + 1e-9);
        EXPECT_NEAR(slopes.DifferencePerMagnetising, dPerM, 1e-5 * std::fabs(dPerM));
        EXPECT_LT(slopes.CathodePerVk, 0);
        EXPECT_GT(slopes.DifferencePerMagnetising, 0);
        EXPECT_LT(slopes.DifferencePerMagnetising, 1);
    };
    check(Builtin807(), Hotter807(), Cathode(1000), {48, -2e-3, -48, 48, true});
    const Tube el34 = Library("EL34");
    Tube other = el34;
    other.Model.Constants.Kg1 *= 0.9;
    PushPullInput ultralinear = Cathode(300);
    ultralinear.Screen = ScreenFeed::Ultralinear;
    check(el34, other, ultralinear, {30, 1e-3, -30, 20, false});
}

TEST(PushPullPair, InputsWithoutAnAnswerSaySo) {
    const Tube tube = Builtin807();
    const auto message = [&](PushPullInput input) {
        try {
            AnalyzePushPull(tube, tube, input);
        } catch (const StageError& error) {
            return std::string(error.what());
        }
        return std::string("no error");
    };
    PushPullInput input = Fixed(-30);
    input.Raa = 0;
    EXPECT_EQ(message(input), kRaaMessage);
    input = Fixed(-30);
    input.BPlus = -1;
    EXPECT_EQ(message(input), kBPlusMessage);
    EXPECT_EQ(message(Fixed(NAN)), kFixedBiasMessage);
    EXPECT_EQ(message(Cathode(-1)), kRkMessage);
    EXPECT_EQ(message(Fixed(-30, -1)), kDriveMessage);
    input = Fixed(-30);
    input.Screen = ScreenFeed::Ultralinear;
    input.Tap = 1.5;
    EXPECT_EQ(message(input), kTapMessage);
    input = Fixed(-30);
    input.SweepPoints = -1;
    EXPECT_EQ(message(input), kSweepMessage);
    // Far beyond cut-off nothing flows at any point of the cycle.
    EXPECT_EQ(message(Fixed(-200, 10)), kNoPairCurrentMessage);
    const Tube el34 = Library("EL34");
    input = Fixed(-30);
    input.ScreenVolts = 0;
    EXPECT_THROW(AnalyzePushPull(el34, el34, input), StageError);
}

} // namespace
