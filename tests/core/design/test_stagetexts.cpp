// The stage's typed inputs, and the values and levels the Operating Point window shows.
#include "core/design/stagerows.h"
#include "core/design/stagetexts.h"
#include "core/settings/numbertext.h"
#include "tests/support/messageof.h"
#include "tests/support/starttexts.h"

#include <gtest/gtest.h>

#include <cmath>

namespace valvescope {
namespace {

using fixtures::MessageOf;

TEST(StageTexts, LoadWordsInAnyCaseAndNothingElse) {
    EXPECT_EQ(ReadLoadWord("resistor"), LoadKind::Resistor);
    EXPECT_EQ(ReadLoadWord("Transformer"), LoadKind::Transformer);
    EXPECT_EQ(ReadLoadWord("TRANSFORMER"), LoadKind::Transformer);
    for (const char* word : {"", "r", "resistors", " resistor", "choke"}) {
        EXPECT_FALSE(ReadLoadWord(word)) << word;
    }
    EXPECT_STREQ(LoadWord(LoadKind::Transformer), "transformer");
}

TEST(StageTexts, NumbersReadAsTheBoxesReadThem) {
    EXPECT_FALSE(ReadStageNumber(""));
    EXPECT_FALSE(ReadStageNumber("   "));
    EXPECT_EQ(ReadStageNumber("5000"), 5000.0);
    EXPECT_EQ(ReadStageNumber(" 12,5"), 12.5);
    EXPECT_EQ(ReadStageNumber("0"), 0.0);
    EXPECT_EQ(ReadStageNumber("-3"), -3.0); // read; the analysis judges it
    EXPECT_EQ(MessageOf([] { ReadStageNumber("5k"); }), "'5k' is not a valid floating point value");
    EXPECT_THROW(ReadStageNumber("1e999"), ConversionError);
}

TEST(StageTexts, InputTakesThePlotsSettingsAndReadsZaaForATransformerOnly) {
    const StageInput resistor =
        StageInputOf(fixtures::StartupStageSettings(), {LoadKind::Resistor, "bad", ""});
    EXPECT_EQ(resistor.BPlus, 400);
    EXPECT_EQ(resistor.Ra, 3000);
    EXPECT_EQ(resistor.Rk, 590);
    EXPECT_FALSE(resistor.Zaa);
    EXPECT_FALSE(resistor.Drive);
    const StageInput transformer =
        StageInputOf(fixtures::StartupStageSettings(), {LoadKind::Transformer, "7000", "10,5"});
    EXPECT_EQ(transformer.Load, LoadKind::Transformer);
    EXPECT_EQ(transformer.Zaa, 7000.0);
    EXPECT_EQ(transformer.Drive, 10.5);
    EXPECT_THROW(StageInputOf(fixtures::StartupStageSettings(), {LoadKind::Transformer, "bad", ""}),
                 ConversionError);
    EXPECT_THROW(StageInputOf(fixtures::StartupStageSettings(), {LoadKind::Resistor, "", "x"}),
                 ConversionError);
}

TEST(StageTexts, StagesWithoutAnAnswerSayWhy) {
    const Tube tube = Builtin807();
    EXPECT_EQ(
        MessageOf([&] {
            DesignStage(tube, fixtures::StartupStageSettings(), {LoadKind::Transformer, "", ""});
        }),
        kZaaMissingMessage);
    SettingsTexts texts{"10", "10", "200", "800", "3000", "590", ""};
    EXPECT_EQ(NoStageMessage(texts), "B+ is blank or zero: no stage to analyse");
    texts.Ra = "0.0";
    EXPECT_EQ(NoStageMessage(texts), "Ra is blank or zero: no stage to analyse");
}

TEST(StageRows, RatingsOverOneHundredPercentAreFlagged) {
    // A transformer at B+ 500 with little cathode resistance: the plate sits near 500 V,
    // above the 807's 475 V, and the current runs high.
    PlotSettings hot = fixtures::StartupStageSettings();
    hot.BPlus = 500;
    hot.Rk = 100;
    const StageAnalysis a = DesignStage(Builtin807(), hot, {LoadKind::Transformer, "5000", ""});
    const auto sections = StageSections(a);
    EXPECT_EQ(sections[0].Title, "Quiescent point");
    const std::vector<StageValue>& q = sections[0].Values;
    ASSERT_EQ(q.size(), 5u);
    EXPECT_EQ(q[1].Name, "Vp");
    // The plate at 500 - 100 * Ip: above 475 V for any current under 250 mA.
    ASSERT_LT(a.Quiescent.Ip, 0.25);
    EXPECT_TRUE(q[1].Alarm);
    EXPECT_EQ(q[2].Alarm, a.Quiescent.Ip * (500 - 100 * a.Quiescent.Ip) > 25);
    EXPECT_EQ(q[0].Alarm, a.Quiescent.Ip > 0.120);
    EXPECT_FALSE(q[3].Alarm);
    EXPECT_EQ(sections[2].Values.back().Name, "Cut-off");
    EXPECT_EQ(sections[2].Values[7].Name, "Efficiency");

    // The default stage runs within every rating: 37.8 mA is 31.5 % of 120 mA.
    const auto cool =
        StageSections(DesignStage(Builtin807(), fixtures::StartupStageSettings(), {}));
    EXPECT_EQ(cool[0].Values[0].Note, "31.5 % of rating");
    for (const StageSection& section : cool) {
        for (const StageValue& value : section.Values) {
            EXPECT_FALSE(value.Alarm) << value.Name;
        }
    }
    EXPECT_EQ(cool[1].Values[5].Note, "rp || Ra, bypassed");
    EXPECT_EQ(cool[2].Values.size(), 9u); // no efficiency for a resistor load
}

TEST(StageRows, LevelsAreDecibelsBelowH1) {
    SignalSwing swing;
    swing.Harmonics = {2, 0.2, 0, 0.002, 2e-7, 2, 0, 0, 1e-300};
    const HarmonicLevels levels = LevelsBelowH1(swing);
    EXPECT_DOUBLE_EQ(*levels[0], -20);
    EXPECT_FALSE(levels[1]);
    EXPECT_DOUBLE_EQ(*levels[2], -60);
    EXPECT_DOUBLE_EQ(*levels[3], -140);
    EXPECT_DOUBLE_EQ(*levels[4], 0);
    EXPECT_NEAR(*levels[7], -20 * std::log10(2e300), 1e-9);
    EXPECT_EQ(ChartFloor(levels), -120); // no lower
    swing.Harmonics = {0, 1};
    EXPECT_FALSE(LevelsBelowH1(swing)[0]); // no H1: no levels
    EXPECT_EQ(ChartFloor({-3.0, -39.9}), -40);
    EXPECT_EQ(ChartFloor({-40.5, std::nullopt, -12.0}), -60);
    EXPECT_EQ(ChartFloor({-99.0}), -100);
}

} // namespace
} // namespace valvescope
