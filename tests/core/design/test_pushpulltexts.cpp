// The push-pull pair's typed inputs, and the rows and levels the Operating Point window shows.
#include "core/design/pushpullrows.h"
#include "core/design/pushpulltexts.h"
#include "core/design/stagetexts.h"
#include "core/settings/numbertext.h"
#include "core/tube/library.h"
#include "tests/support/messageof.h"
#include "tests/support/starttexts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace valvescope {
namespace {

using fixtures::MessageOf;

PushPullAnalysis Pair(const PushPullTexts& texts, const Tube& second = Builtin807()) {
    return DesignPushPull(Builtin807(), {}, fixtures::StartupStageSettings(), texts, second, 0);
}

const StageValue* Row(const StageSection& section, const std::string& name) {
    const auto found = std::find_if(section.Values.begin(), section.Values.end(),
                                    [&](const StageValue& v) { return v.Name == name; });
    return found == section.Values.end() ? nullptr : &*found;
}

TEST(PushPullTexts, TheStartUpTextsAreThe807PairAtMinus30Volts) {
    const PushPullChoices choices = PushPullChoicesOf({}, 7);
    EXPECT_EQ(choices.Raa, 6600);
    EXPECT_EQ(choices.Bias, PushPullBias::Fixed);
    EXPECT_EQ(choices.Vg, -30);
    EXPECT_FALSE(choices.Drive);
    EXPECT_FALSE(choices.ScreenVolts);
    EXPECT_FALSE(choices.Tap);
    EXPECT_FALSE(choices.TriodeConnected);
    EXPECT_EQ(choices.SweepPoints, 7);
    const PushPullAnalysis a = Pair({});
    EXPECT_EQ(a.Input.BPlus, 400);
    EXPECT_EQ(a.RestVg, -30);
    EXPECT_NEAR(a.Quiescent[0].Ip, 0.0852, 0.0001);
}

TEST(PushPullTexts, ATextThatDoesNotReadNamesItsFieldAndABlankOneSaysWhatIsMissing) {
    PushPullTexts texts;
    texts.Raa = "6k6";
    EXPECT_EQ(MessageOf([&] { PushPullChoicesOf(texts, 0); }),
              "Raa: '6k6' is not a valid floating point value");
    EXPECT_THROW(PushPullChoicesOf(texts, 0), ConversionError);
    texts.Raa = " ";
    EXPECT_EQ(MessageOf([&] { PushPullChoicesOf(texts, 0); }), kRaaMissingMessage);
    texts.Raa = "0";
    EXPECT_EQ(MessageOf([&] { Pair(texts); }), kRaaMessage); // the analysis judges the number

    texts = {};
    texts.Vg = "";
    EXPECT_EQ(MessageOf([&] { PushPullChoicesOf(texts, 0); }), kVgMissingMessage);
    texts.Bias = PushPullBias::Cathode; // Vg is not read
    texts.Vg = "x";
    EXPECT_EQ(PushPullChoicesOf(texts, 0).Bias, PushPullBias::Cathode);
    texts.Drive = "1O";
    EXPECT_EQ(MessageOf([&] { PushPullChoicesOf(texts, 0); }),
              "Vin: '1O' is not a valid floating point value");

    texts = {};
    texts.ScreenVolts = "3OO";
    EXPECT_EQ(MessageOf([&] { PushPullChoicesOf(texts, 0); }),
              "Screen V: '3OO' is not a valid floating point value");
    texts.Screen = ScreenFeed::Ultralinear; // the screen supply is not read
    texts.Tap = "0,4";
    EXPECT_EQ(PushPullChoicesOf(texts, 0).Tap, 0.4);
    texts.Tap = "";
    EXPECT_EQ(MessageOf([&] { PushPullChoicesOf(texts, 0); }), kTapMissingMessage);
    texts.Screen = ScreenFeed::TriodeConnected;
    EXPECT_TRUE(PushPullChoicesOf(texts, 0).TriodeConnected);
}

TEST(PushPullTexts, ABlankScreenSupplyIsThePlotsScreenVoltage) {
    const Tube el34 = TubeOf(*FindLibraryTube("EL34"));
    PushPullTexts texts;
    const tubemath::ScreenWiring plotted{312.5, false};
    EXPECT_EQ(DesignPushPull(el34, plotted, fixtures::StartupStageSettings(), texts, el34, 0)
                  .Quiescent[1]
                  .Vs,
              312.5);
    texts.ScreenVolts = "280";
    EXPECT_EQ(DesignPushPull(el34, plotted, fixtures::StartupStageSettings(), texts, el34, 0)
                  .Quiescent[0]
                  .Vs,
              280);
}

TEST(PushPullTexts, WordsInAnyCaseAndNothingElse) {
    EXPECT_EQ(ReadPushPullBiasWord("Cathode"), PushPullBias::Cathode);
    EXPECT_EQ(ReadScreenFeedWord("TRIODE-connected"), ScreenFeed::TriodeConnected);
    EXPECT_EQ(ReadStageKindWord("push-pull"), StageKind::PushPull);
    for (const char* word : {"", "fix", "cathode bias"}) {
        EXPECT_FALSE(ReadPushPullBiasWord(word)) << word;
    }
    EXPECT_FALSE(ReadScreenFeedWord("ul"));
    EXPECT_FALSE(ReadStageKindWord("pushpull"));
}

// The 807 pair at -30 V rests at 85.2 mA and 400 V: 34.1 W, over its 25 W.
TEST(PushPullRows, ARestOverARatingIsFlagged) {
    const auto sections = PushPullSections(Pair({}));
    EXPECT_EQ(sections[0].Title, "Quiescent point");
    EXPECT_EQ(sections[1].Title, "Swing at 30.0 V peak drive");
    EXPECT_EQ(sections[2].Title, "Over the cycle");
    const std::vector<StageValue>& q = sections[0].Values;
    ASSERT_GE(q.size(), 4u);
    EXPECT_EQ(q[0].Name, "Tube 1");
    EXPECT_EQ(q[1].Value, "85.2 mA");
    EXPECT_EQ(q[1].Note, "71.0 % of rating");
    EXPECT_FALSE(q[1].Alarm);
    EXPECT_EQ(q[3].Name, "P");
    EXPECT_EQ(q[3].Note, "136.4 % of rating");
    EXPECT_TRUE(q[3].Alarm);
    EXPECT_FALSE(Row(sections[0], "Is")); // no screen
    EXPECT_EQ(Row(sections[1], "Class")->Value, "A");
    EXPECT_EQ(Row(sections[1], "THD")->Value, "1.4 %");
    EXPECT_FALSE(Row(sections[1], "Grid"));
    EXPECT_FALSE(Row(sections[1], "Vk")); // fixed bias
}

TEST(PushPullRows, OnlyAMismatchedPairShowsItsImbalance) {
    const auto matched = PushPullSections(Pair({}));
    EXPECT_FALSE(Row(matched[1], "Imbalance"));
    EXPECT_EQ(matched[2].Values[0].Name, "Tube 1");

    const auto mixed = PushPullSections(Pair({}, TubeOf(*FindLibraryTube("6L6GC"))));
    ASSERT_TRUE(Row(mixed[1], "Imbalance"));
    EXPECT_EQ(mixed[0].Values[0].Name, "807");
    EXPECT_EQ(mixed[2].Values[0].Name, "807");
    EXPECT_TRUE(Row(mixed[0], "Is")); // the 6L6GC's screen
    EXPECT_TRUE(Row(mixed[2], "Ps"));

    // Two samples of one name, one 10 % hotter: told apart by number, their imbalance shown.
    Tube hotter = Builtin807();
    hotter.Model.Seed.Perveance *= 1.1;
    const auto samples = PushPullSections(Pair({}, hotter));
    EXPECT_EQ(samples[0].Values[0].Name, "Tube 1");
    EXPECT_NE(Row(samples[1], "Imbalance")->Value, "0.00 pA");
}

TEST(PushPullRows, CathodeBiasAndAPositiveGridHaveTheirRows) {
    PushPullTexts texts;
    texts.Drive = "40";
    const auto driven = PushPullSections(Pair(texts));
    EXPECT_EQ(Row(driven[1], "Grid")->Value, "positive");
    texts.Bias = PushPullBias::Cathode;
    texts.Drive = "";
    const auto cathode = PushPullSections(Pair(texts));
    EXPECT_TRUE(Row(cathode[0], "Vk"));
    EXPECT_TRUE(Row(cathode[1], "Vk"));
}

TEST(PushPullRows, AMatchedPairHasNoEvenHarmonics) {
    const PushPullAnalysis a = Pair({});
    const HarmonicLevels levels = PushPullLevelsBelowH1(a.Swing);
    EXPECT_FALSE(levels[0]); // H2
    EXPECT_NEAR(*levels[1], -37.0, 0.05);
    EXPECT_FALSE(levels[2]); // H4
    PushPullSwing swing;
    swing.Harmonics = {2, 0.2, 2e-9, 2e-11};
    const HarmonicLevels made = PushPullLevelsBelowH1(swing);
    EXPECT_DOUBLE_EQ(*made[0], -20);
    EXPECT_NEAR(*made[1], -180, 1e-9);
    EXPECT_FALSE(made[2]); // -220 dB: the rounding of a cancellation
    EXPECT_FALSE(made[3]); // zero
}

} // namespace
} // namespace valvescope
