// The operating point, the model's derivatives, the small-signal values and the inputs that
// have no answer.
#include "core/analysis/slopes.h"
#include "core/analysis/stage.h"
#include "tests/core/analysis/stagereference.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

using valvescope::AnalyzeStage;
using valvescope::Builtin807;
using valvescope::LoadKind;
using valvescope::StageError;
using valvescope::StageInput;

StageInput Transformer(double bPlus, double rk, double zaa) {
    StageInput input;
    input.BPlus = bPlus;
    input.Rk = rk;
    input.Load = LoadKind::Transformer;
    input.Zaa = zaa;
    return input;
}

StageInput Resistor(double bPlus, double ra, double rk) {
    StageInput input;
    input.BPlus = bPlus;
    input.Ra = ra;
    input.Rk = rk;
    return input;
}

// The quiescent current by plain halving of I - PlateCurrent(-Rk I, B+ - drop I).
double QuiescentByBisection(const StageInput& input) {
    const tubemath::TubeParams tube;
    const double drop = input.Load == LoadKind::Resistor ? input.Ra + input.Rk : input.Rk;
    const double top = drop > 0 ? input.BPlus / drop : 1;
    const auto residual = [&](double i) {
        return i - tubemath::PlateCurrent(tube, -input.Rk * i, input.BPlus - drop * i);
    };
    return stagetest::Bisect(residual, 0, top, 0);
}

TEST(StageQuiescent, DefaultStageAtAnIndependentlyComputedPoint) {
    const auto a = AnalyzeStage(Builtin807(), StageInput{});
    EXPECT_NEAR(a.Quiescent.Ip, 0.0378177634, 1e-10);
    EXPECT_NEAR(a.Quiescent.Vp, 264.234229, 1e-6);
    EXPECT_NEAR(a.Quiescent.Vg, -22.3124804, 1e-7);
    EXPECT_NEAR(a.Quiescent.Vk, 22.3124804, 1e-7);
    EXPECT_NEAR(a.Quiescent.P, 9.99274757, 1e-7);
    EXPECT_NEAR(a.Ratings.Ip.value_or(-1), 0.0378177634 / 0.120, 1e-9);
    EXPECT_NEAR(a.Ratings.Vp.value_or(-1), 264.234229 / 475, 1e-8);
    EXPECT_NEAR(a.Ratings.P.value_or(-1), 9.99274757 / 25, 1e-8);
    // The dot stands at plate-to-cathode volts, on the curve of its grid voltage, and on the
    // stage's own DC load line from B+ over Ra + Rk.
    EXPECT_NEAR(a.Overlay.Quiescent.X, 264.234229, 1e-6);
    EXPECT_NEAR(a.Overlay.Quiescent.Y, 0.0378177634, 1e-10);
    EXPECT_EQ(a.Overlay.DcLine.VoltageEnd.X, 400);
    EXPECT_EQ(a.Overlay.DcLine.Resistance, 3590);
    EXPECT_FALSE(a.Overlay.AcLine.has_value());
}

TEST(StageQuiescent, AgreesWithPlainBisectionToTheLastBits) {
    for (const StageInput& input :
         {StageInput{}, Resistor(250, 5000, 0), Resistor(450, 1500, 2200), Resistor(100, 100e3, 1),
          Transformer(300, 300, 5000), Transformer(400, 0, 4000), Transformer(600, 47, 2500)}) {
        const double expected = QuiescentByBisection(input);
        const double ip = AnalyzeStage(Builtin807(), input).Quiescent.Ip;
        EXPECT_NEAR(ip, expected, 1e-15 * expected) << input.BPlus << " V, Rk " << input.Rk;
    }
}

TEST(StageQuiescent, ResidualChangesSignAFewUlpsAway) {
    const StageInput input = Transformer(300, 300, 5000);
    const double ip = AnalyzeStage(Builtin807(), input).Quiescent.Ip;
    EXPECT_NEAR(ip, 0.06373447750362639, 1e-15); // computed once by an outside bisection
    const tubemath::TubeParams tube;
    const auto residual = [&](double i) {
        return i - tubemath::PlateCurrent(tube, -300 * i, 300 - 300 * i);
    };
    const double ulp = std::nextafter(ip, 1.0) - ip;
    EXPECT_LT(residual(ip - 3 * ulp), 0);
    EXPECT_GT(residual(ip + 3 * ulp), 0);
    const auto a = AnalyzeStage(Builtin807(), input);
    EXPECT_DOUBLE_EQ(a.Quiescent.Vp, 300 - 300 * ip);
    // A transformer's point stands at B+ less the cathode's volts; its DC line drops by Rk only.
    EXPECT_EQ(a.Overlay.Quiescent.X, a.Quiescent.Vp);
    EXPECT_EQ(a.Overlay.DcLine.Resistance, 300);
}

TEST(StageSlopes, DerivativesAgreeWithCentralDifferences) {
    const tubemath::TubeParams tube;
    // Across the law's region: far below the knee, in it, near cut-off and with the grid positive.
    const double points[][2] = {{-22.3, 264.2}, {-0.5, 50}, {0.5, 50}, {-3, 30},  {-40, 400},
                                {-60, 360},     {15, 120},  {35, 8},   {-5, 600}, {-70, 455}};
    for (const auto& point : points) {
        const double vg = point[0]; // clang 14 does not let lambdas capture structured bindings
        const double va = point[1];
        const auto s = valvescope::analysis::PlateCurrentSlopes(tube, vg, va);
        ASSERT_GT(s.Ip, 0) << vg << ", " << va;
        const double gm = stagetest::Derivative(
            [&](double v) { return tubemath::PlateCurrent(tube, v, va); }, vg, 1e-3);
        const double ga = stagetest::Derivative(
            [&](double v) { return tubemath::PlateCurrent(tube, vg, v); }, va, 1e-2);
        EXPECT_NEAR(s.DIpDVg, gm, 1e-7 * std::fabs(gm)) << vg << ", " << va;
        EXPECT_NEAR(s.DIpDVa, ga, 1e-7 * std::fabs(ga)) << vg << ", " << va;
        EXPECT_EQ(s.Ip, tubemath::PlateCurrent(tube, vg, va));
    }
}

TEST(StageSlopes, FlatWhereTheCurrentIsZero) {
    const auto s = valvescope::analysis::PlateCurrentSlopes(tubemath::TubeParams{}, -80, 300);
    EXPECT_EQ(s.Ip, 0);
    EXPECT_EQ(s.DIpDVg, 0);
    EXPECT_EQ(s.DIpDVa, 0);
}

TEST(StageSmallSignal, FromIndependentDifferencesAtTheOperatingPoint) {
    const tubemath::TubeParams tube;
    for (const StageInput& input : {StageInput{}, Transformer(300, 300, 5000)}) {
        const auto a = AnalyzeStage(Builtin807(), input);
        const double vg = a.Quiescent.Vg;
        const double vp = a.Quiescent.Vp;
        const double gm = stagetest::Derivative(
            [&](double v) { return tubemath::PlateCurrent(tube, v, vp); }, vg, 1e-3);
        const double rp =
            1 / stagetest::Derivative([&](double v) { return tubemath::PlateCurrent(tube, vg, v); },
                                      vp, 1e-2);
        const double zl = input.Load == LoadKind::Transformer ? *input.Zaa : input.Ra;
        const double mu = gm * rp;
        EXPECT_NEAR(a.Small.Gm, gm, 1e-7 * gm);
        EXPECT_NEAR(a.Small.Rp, rp, 1e-7 * rp);
        EXPECT_NEAR(a.Small.Mu, mu, 2e-7 * mu);
        EXPECT_NEAR(a.Small.Gain, -mu * zl / (zl + rp), 3e-7 * mu);
        EXPECT_NEAR(a.Small.GainUnbypassed, -mu * zl / (zl + rp + (mu + 1) * input.Rk), 3e-7 * mu);
        EXPECT_NEAR(a.Small.Zout, rp * zl / (rp + zl), 1e-7 * zl);
    }
    // The default stage in round figures, as a designer would check it by hand.
    const auto a = AnalyzeStage(Builtin807(), StageInput{});
    EXPECT_NEAR(a.Small.Mu, 7.7515, 1e-4);
    EXPECT_NEAR(a.Small.Gm, 4.1968e-3, 1e-7);
    EXPECT_NEAR(a.Small.Rp, 1847.02, 1e-2);
}

// The message of the error of type E that the analysis raises, or "(none)".
template <class E>
std::string ErrorMessage(const StageInput& input, const valvescope::Tube& tube = Builtin807()) {
    try {
        AnalyzeStage(tube, input);
    } catch (const E& error) {
        return error.what();
    }
    return "(none)";
}

// Every input without an answer, with the exact message it gets.
TEST(StageErrors, InputsWithoutAnAnswer) {
    using namespace valvescope;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (const double bad : {0.0, -1.0, nan, inf})
        EXPECT_EQ(ErrorMessage<StageError>(Resistor(bad, 3000, 590)), kBPlusMessage);
    for (const double bad : {0.0, -3000.0, nan, inf})
        EXPECT_EQ(ErrorMessage<StageError>(Resistor(400, bad, 590)), kRaMessage);
    for (const double bad : {0.0, -8000.0, nan, inf})
        EXPECT_EQ(ErrorMessage<StageError>(Transformer(400, 590, bad)), kZaaMessage);
    StageInput missing = Transformer(400, 590, 5000);
    missing.Zaa.reset();
    EXPECT_EQ(ErrorMessage<StageError>(missing), kZaaMissingMessage);
    for (const double bad : {-1.0, nan, inf})
        EXPECT_EQ(ErrorMessage<StageError>(Resistor(400, 3000, bad)), kRkMessage);
    for (const double bad : {-0.5, nan, inf}) {
        StageInput input;
        input.Drive = bad;
        EXPECT_EQ(ErrorMessage<StageError>(input), kDriveMessage);
    }
    // A transformer stage does not look at Ra, nor a resistor stage at Zaa.
    StageInput noRa = Transformer(400, 590, 5000);
    noRa.Ra = -1;
    EXPECT_EQ(ErrorMessage<StageError>(noRa), "(none)");
    StageInput badZaa;
    badZaa.Zaa = -1;
    EXPECT_EQ(ErrorMessage<StageError>(badZaa), "(none)");
}

TEST(StageErrors, TubeWithoutRatingsOrCurrent) {
    valvescope::Tube tube = Builtin807();
    tube.Ratings.Pmax = 0;
    EXPECT_EQ(ErrorMessage<StageError>(StageInput{}, tube), valvescope::kRatingsMessage);
    tube = Builtin807();
    tube.Model.Seed.Perveance = 0;
    EXPECT_EQ(ErrorMessage<StageError>(StageInput{}, tube), valvescope::kNoCurrentMessage);
}

TEST(StageErrors, NoBalanceWhereTheModelsCurrentJumps) {
    // Near -5200 V of grid the model's law exponent has grown past 50 and its current is
    // enormous, until the amplification factor is used up and it drops to 0: the balance
    // changes sign there without crossing zero.
    EXPECT_EQ(ErrorMessage<StageError>(Resistor(16057.7, 63.1112, 5536.63)),
              valvescope::kNoOperatingPointMessage);
}

TEST(StageErrors, ModelFaultsKeepTheirMessage) {
    using tubemath::ArithmeticError;
    // Every current the model computes overflows.
    valvescope::Tube tube = Builtin807();
    tube.Model.Seed.KneeFactor = 1e300;
    tube.Model.Seed.Perveance = 1e300;
    EXPECT_EQ(ErrorMessage<ArithmeticError>(StageInput{}, tube), tubemath::kOverflowMessage);
    // The exponent's limit divides the grid voltage by 0; the first current the search asks
    // for lies outside cut-off.
    tube = Builtin807();
    tube.Model.Seed.ExponentSlope = 0;
    StageInput input;
    input.Rk = 10;
    EXPECT_EQ(ErrorMessage<ArithmeticError>(input, tube), tubemath::kDivisionByZeroMessage);
    // Without Rk the grid stays at 0 V, where the current coefficient is 0 / 0.
    tube = Builtin807();
    tube.Model.Seed.GridDecade = 0;
    input.Rk = 0;
    EXPECT_EQ(ErrorMessage<ArithmeticError>(input, tube), tubemath::kInvalidOperationMessage);
}

} // namespace
