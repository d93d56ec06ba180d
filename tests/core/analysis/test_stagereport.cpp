// The analysis written out: JSON read back with a JSON library, and the terminal summary.
#include "core/analysis/stage.h"
#include "formats/formats.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <charconv>
#include <cstdio>
#include <set>
#include <string>

namespace {

using nlohmann::json;
using valvescope::AnalyzeStage;
using valvescope::Builtin807;
using valvescope::LoadKind;
using valvescope::StageInput;

std::set<std::string> KeysOf(const json& object) {
    std::set<std::string> keys;
    for (const auto& [key, value] : object.items())
        keys.insert(key);
    return keys;
}

StageInput TransformerStage() {
    StageInput input;
    input.BPlus = 300;
    input.Rk = 300;
    input.Load = LoadKind::Transformer;
    input.Zaa = 5000;
    return input;
}

TEST(StageJson, KeysAsDocumented) {
    const json j = json::parse(valvescope::StageJson(AnalyzeStage(Builtin807(), StageInput{})));
    using Keys = std::set<std::string>;
    EXPECT_EQ(KeysOf(j), (Keys{"tube", "load", "settings", "quiescent", "ratingFractions",
                               "ratings", "smallSignal", "swing"}));
    EXPECT_EQ(j["tube"], "807");
    EXPECT_EQ(j["load"], "resistor");
    EXPECT_EQ(KeysOf(j["settings"]), (Keys{"bPlus", "ra", "rk", "zaa", "drive"}));
    EXPECT_EQ(j["settings"]["bPlus"], 400);
    EXPECT_EQ(j["settings"]["ra"], 3000);
    EXPECT_EQ(j["settings"]["rk"], 590);
    EXPECT_TRUE(j["settings"]["zaa"].is_null());
    EXPECT_EQ(KeysOf(j["quiescent"]), (Keys{"Ip", "Vp", "Vg", "Vk", "P"}));
    EXPECT_EQ(KeysOf(j["ratingFractions"]), (Keys{"Ip", "Vp", "P"}));
    EXPECT_EQ(j["ratings"], j["ratingFractions"]); // the old name, kept for one release
    EXPECT_EQ(KeysOf(j["smallSignal"]), (Keys{"mu", "gm", "rp", "gain", "gainUnbypassed", "zout"}));
    EXPECT_EQ(KeysOf(j["swing"]),
              (Keys{"drive", "harmonics", "thd", "power", "vout", "gain", "averageIp", "minIp",
                    "maxIp", "maxVa", "peakP", "gridCurrent", "cutoff", "currentExceeded",
                    "voltageExceeded", "dissipationExceeded", "efficiency"}));
    // What the text says as "most 80.9 mA" and "most Va 350 V".
    EXPECT_NEAR(j["swing"]["maxIp"].get<double>(), 0.0809, 5e-5);
    EXPECT_NEAR(j["swing"]["maxVa"].get<double>(), 350, 0.5);
    EXPECT_FALSE(j["swing"]["voltageExceeded"].get<bool>());
    EXPECT_EQ(j["swing"]["harmonics"].size(), 9u);
    EXPECT_TRUE(j["swing"]["efficiency"].is_null());
    EXPECT_TRUE(j["swing"]["gridCurrent"].is_boolean());
    EXPECT_FALSE(j["swing"]["cutoff"].get<bool>());
}

TEST(StageJson, NumbersReadBackBitForBit) {
    for (const StageInput& input : {StageInput{}, TransformerStage()}) {
        const auto a = AnalyzeStage(Builtin807(), input);
        const json j = json::parse(valvescope::StageJson(a));
        EXPECT_EQ(j["quiescent"]["Ip"].get<double>(), a.Quiescent.Ip);
        EXPECT_EQ(j["quiescent"]["Vg"].get<double>(), a.Quiescent.Vg);
        EXPECT_EQ(j["ratings"]["P"].get<double>(), a.Ratings.P);
        EXPECT_EQ(j["smallSignal"]["gainUnbypassed"].get<double>(), a.Small.GainUnbypassed);
        for (std::size_t n = 0; n < 9; ++n)
            EXPECT_EQ(j["swing"]["harmonics"][n].get<double>(), a.Swing.Harmonics[n]);
        EXPECT_EQ(j["swing"]["peakP"].get<double>(), a.Swing.PeakP);
    }
    const auto t = AnalyzeStage(Builtin807(), TransformerStage());
    const json j = json::parse(valvescope::StageJson(t));
    EXPECT_EQ(j["load"], "transformer");
    EXPECT_EQ(j["settings"]["zaa"], 5000);
    EXPECT_EQ(j["swing"]["efficiency"].get<double>(), *t.Swing.Efficiency);
    EXPECT_EQ(j["swing"]["maxVa"].get<double>(), t.Swing.MaxVa);
    EXPECT_EQ(j["ratingFractions"]["Vp"].get<double>(), t.Ratings.Vp);
}

TEST(StageJson, TubeNameIsAJsonString) {
    valvescope::Tube tube = Builtin807();
    tube.Name = "EL34 \"Mullard\"\\2\n";
    const json j = json::parse(valvescope::StageJson(AnalyzeStage(tube, StageInput{})));
    EXPECT_EQ(j["tube"], "EL34 \"Mullard\"\\2\n");
}

TEST(StageJson, SeventeenSignificantDigits) {
    const auto a = AnalyzeStage(Builtin807(), StageInput{});
    const std::string text = valvescope::StageJson(a);
    // The quiescent current, written as %.17g in the C locale would write it.
    char expected[40];
    std::snprintf(expected, sizeof expected, "\"Ip\": %.17g,", a.Quiescent.Ip);
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
    EXPECT_NE(text.find("\"Ip\": 0.037817763396050676,"), std::string::npos);
    EXPECT_NE(text.find("\"drive\": 22.312480403669898,"), std::string::npos);
    EXPECT_NE(text.find("\"efficiency\": null"), std::string::npos);
}

TEST(StageText, SummaryReadsInTheProgramsUnits) {
    const std::string text = valvescope::StageText(AnalyzeStage(Builtin807(), StageInput{}));
    for (const char* part :
         {"807 single-ended stage, resistor load\n", "  B+ 400 V   Ra 3.00 kΩ   Rk 590 Ω\n",
          "  Ip 37.8 mA (31.5 % of rating)\n", "  Vp 264 V (55.6 % of rating)\n",
          "  P  9.99 W (40.0 % of rating)\n", "  mu 7.75   gm 4.20 mA/V   rp 1.85 kΩ\n",
          "  gain -4.80 bypassed, -2.32 unbypassed\n", "Swing at 22.3 V peak drive", "H2 -19.8 dB",
          "  THD 10.2 %\n", "  output 1.91 W, 107 V peak, gain 4.80\n",
          "  Ip average 41.4 mA, least 9.39 mA, most 80.9 mA\n",
          "  most Va 350 V, peak dissipation 11.9 W\n", "grid current: no   cut-off: no\n"})
        EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
    EXPECT_EQ(text.find("efficiency"), std::string::npos);
    EXPECT_EQ(text.back(), '\n');
}

// A tube without ratings (a fit given none) has no fractions and exceeds nothing, never the
// 807's; a tube with only Pmax keeps that one.
TEST(StageText, ATubeWithoutRatingsSaysNoRating) {
    valvescope::Tube tube = Builtin807();
    tube.Ratings = {std::nullopt, std::nullopt, 2.0, std::nullopt};
    StageInput input;
    input.BPlus = 900;
    const auto a = AnalyzeStage(tube, input);
    EXPECT_EQ(a.Ratings.Ip, std::nullopt);
    EXPECT_FALSE(a.Swing.CurrentExceeded);
    EXPECT_FALSE(a.Swing.VoltageExceeded);
    EXPECT_TRUE(a.Swing.DissipationExceeded);
    const std::string text = valvescope::StageText(a);
    EXPECT_NE(text.find(" (no rating)\n  Vp "), std::string::npos) << text;
    EXPECT_NE(text.find(" (no rating)\n  P  "), std::string::npos) << text;
    EXPECT_NE(text.find("% of rating)\n  Vg "), std::string::npos) << text;
    const json j = json::parse(valvescope::StageJson(a));
    EXPECT_TRUE(j["ratings"]["Ip"].is_null());
    EXPECT_TRUE(j["ratings"]["Vp"].is_null());
    EXPECT_GT(j["ratings"]["P"].get<double>(), 1);
}

TEST(StageText, SmallPowersKeepTheirDigits) {
    // A tenth of a volt of drive gives well under a milliwatt: its digits, with µ or m.
    StageInput input;
    input.Drive = 0.1;
    const std::string text = valvescope::StageText(AnalyzeStage(Builtin807(), input));
    EXPECT_NE(text.find("Swing at 100 mV peak drive"), std::string::npos) << text;
    EXPECT_NE(text.find("  output 38.4 µW, 480 mV peak"), std::string::npos) << text;
}

TEST(StageText, TransformerAndTheDecimalSeparator) {
    formats::SetDecimalSeparator(',');
    const std::string text = valvescope::StageText(AnalyzeStage(Builtin807(), TransformerStage()));
    formats::SetDecimalSeparator('.');
    EXPECT_NE(text.find("transformer load\n"), std::string::npos) << text;
    EXPECT_NE(text.find("  efficiency 7,9 % of the supply at rest\n"), std::string::npos) << text;
    EXPECT_NE(text.find("(rp || Zaa, bypassed)"), std::string::npos) << text;
}

} // namespace
