// The Tube window's fields: the texts shown for a tube, and texts read back field by field.
#include "core/tubeedit/tubefields.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using valvescope::Builtin807;
using valvescope::FieldTextsOf;
using valvescope::kTubeNumberFields;
using valvescope::ReadNumberField;
using valvescope::ReadTubeFields;
using valvescope::Tube;
using valvescope::TubeFieldTexts;

constexpr std::size_t kMuZero = 4, kPerveance = 5, kImax = 7, kPmax = 9;

TEST(TubeFields, The807ShowsItsConstantsAndRatingsWithImaxInMilliamps) {
    const TubeFieldTexts texts = FieldTextsOf(Builtin807());
    EXPECT_EQ(texts.Name, "807");
    const char* expected[] = {"0.253",   "99.1", "31.1", "300", "8.7",
                              "5.7e-05", "1.48", "120",  "475", "25"};
    for (std::size_t i = 0; i < kTubeNumberFields.size(); ++i) {
        EXPECT_EQ(texts.Numbers[i], expected[i]) << kTubeNumberFields[i].Key;
    }
    EXPECT_STREQ(kTubeNumberFields[kImax].Caption, "Imax (mA)");
}

TEST(TubeFields, UntouchedTextsKeepEveryValueExactly) {
    Tube tube = Builtin807();
    tube.Model.Seed.Perveance = 1.8947462441590558e-05; // shown as 1.89475e-05
    tube.Ratings.Imax = 0.0123456789012345678;
    tube.Notes = "kept";
    const TubeFieldTexts texts = FieldTextsOf(tube);
    EXPECT_EQ(texts.Numbers[kPerveance], "1.89475e-05");
    EXPECT_EQ(texts.Numbers[kImax], "12.3457");
    const valvescope::TubeFieldReading reading = ReadTubeFields(texts, tube);
    EXPECT_TRUE(reading.AllRead());
    EXPECT_EQ(reading.Read.Model.Seed.Perveance, tube.Model.Seed.Perveance);
    EXPECT_EQ(reading.Read.Ratings.Imax, tube.Ratings.Imax);
    EXPECT_EQ(reading.Read.Notes, "kept");
}

TEST(TubeFields, EditedTextsAreTakenInTheirUnits) {
    TubeFieldTexts texts = FieldTextsOf(Builtin807());
    texts.Name = "6L6";
    texts.Numbers[kMuZero] = " 12,5 ";
    texts.Numbers[kPerveance] = "1.2E-3";
    texts.Numbers[kImax] = "250";
    const valvescope::TubeFieldReading reading = ReadTubeFields(texts, Builtin807());
    EXPECT_TRUE(reading.AllRead());
    EXPECT_EQ(reading.Read.Name, "6L6");
    EXPECT_EQ(reading.Read.Model.Seed.MuZero, 12.5);
    EXPECT_EQ(reading.Read.Model.Seed.Perveance, 1.2e-3);
    EXPECT_EQ(reading.Read.Ratings.Imax, 0.25);
    EXPECT_EQ(reading.Read.Model.Seed.LawExponent, 1.48);
}

TEST(TubeFields, FieldsThatDoNotReadKeepTheTubesValueAndSayWhy) {
    TubeFieldTexts texts = FieldTextsOf(Builtin807());
    texts.Name = "  ";
    texts.Numbers[0] = "abc";
    texts.Numbers[1] = "";
    texts.Numbers[2] = "0";
    texts.Numbers[3] = "-4";
    texts.Numbers[kMuZero] = "1e999";
    texts.Numbers[kPmax] = "30";
    const valvescope::TubeFieldReading reading = ReadTubeFields(texts, Builtin807());
    EXPECT_FALSE(reading.AllRead());
    EXPECT_EQ(reading.NameProblem, "a name is needed");
    EXPECT_EQ(reading.Problems[0], "'abc' is not a number");
    EXPECT_EQ(reading.Problems[1], "a number is needed");
    EXPECT_EQ(reading.Problems[2], "must be a number above zero");
    EXPECT_EQ(reading.Problems[3], "must be a number above zero");
    EXPECT_FALSE(reading.Problems[kMuZero].empty());
    EXPECT_EQ(reading.Read.Name, "807");
    EXPECT_EQ(reading.Read.Model.Seed.MuExponent, 0.253);
    EXPECT_EQ(reading.Read.Model.Seed.GridDecade, 31.1);
    EXPECT_EQ(reading.Read.Model.Seed.MuZero, 8.7);
    EXPECT_TRUE(reading.Problems[kPmax].empty());
    EXPECT_EQ(reading.Read.Ratings.Pmax, 30); // the good field next to bad ones is taken
}

// A rating is the user's to leave out: an empty rating field is no rating, shown empty again.
TEST(TubeFields, AnEmptiedRatingFieldIsNoRating) {
    TubeFieldTexts texts = FieldTextsOf(Builtin807());
    texts.Numbers[kImax] = " ";
    const valvescope::TubeFieldReading reading = ReadTubeFields(texts, Builtin807());
    EXPECT_TRUE(reading.AllRead());
    EXPECT_EQ(reading.Read.Ratings.Imax, std::nullopt);
    EXPECT_EQ(reading.Read.Ratings.Pmax, 25);
    EXPECT_EQ(FieldTextsOf(reading.Read).Numbers[kImax], "");
    texts = FieldTextsOf(reading.Read);
    texts.Numbers[kImax] = "12";
    EXPECT_EQ(ReadTubeFields(texts, reading.Read).Read.Ratings.Imax, 0.012);
    // A constant cannot be left out.
    texts.Numbers[kMuZero] = "";
    EXPECT_EQ(ReadTubeFields(texts, reading.Read).Problems[kMuZero], "a number is needed");
}

TEST(TubeFields, NumberTextsReadOrSayWhy) {
    EXPECT_EQ(ReadNumberField("5.7e-05").Value, 5.7e-05);
    EXPECT_EQ(ReadNumberField("0,25").Value, 0.25);
    for (const char* bad : {"nan", "inf", "1..2", "12 V", "0x10"}) {
        EXPECT_FALSE(ReadNumberField(bad).Value) << bad;
        EXPECT_FALSE(ReadNumberField(bad).Problem.empty()) << bad;
    }
    // A milliamp value so small that it is no longer above zero in amperes.
    TubeFieldTexts texts = FieldTextsOf(Builtin807());
    texts.Numbers[kImax] = "1e-322";
    EXPECT_EQ(ReadTubeFields(texts, Builtin807()).Problems[kImax], "must be a number above zero");
}

} // namespace

namespace {

using tubemath::ModelKind;

std::vector<std::string> KeysOf(ModelKind kind) {
    std::vector<std::string> keys;
    for (const valvescope::TubeNumberField& field : valvescope::TubeNumberFields(kind)) {
        keys.emplace_back(field.Key);
    }
    return keys;
}

// The fields follow the model: its named constants, then the ratings, the screen's for a
// screen-grid model; the seed keeps its seven.
TEST(TubeFields, FollowTheTubesModel) {
    using Keys = std::vector<std::string>;
    EXPECT_EQ(KeysOf(ModelKind::Seed),
              (Keys{"MuExponent", "ExponentSlope", "GridDecade", "KneeFactor", "MuZero",
                    "Perveance", "LawExponent", "Imax", "Vmax", "Pmax"}));
    EXPECT_EQ(KeysOf(ModelKind::KorenTriode),
              (Keys{"mu", "ex", "kg1", "kp", "kvb", "Imax", "Vmax", "Pmax"}));
    EXPECT_EQ(KeysOf(ModelKind::KorenPentode),
              (Keys{"mu", "ex", "kg1", "kg2", "kp", "kvb", "Imax", "Vmax", "Pmax", "Psmax"}));
    EXPECT_EQ(KeysOf(ModelKind::DerkE), (Keys{"mu", "ex", "kg1", "kg2", "kp", "kvb", "a", "alphaS",
                                              "beta", "Imax", "Vmax", "Pmax", "Psmax"}));
    EXPECT_STREQ(valvescope::TubeNumberFields(ModelKind::KorenPentode)[5].Caption, "kvb (V)");
    EXPECT_STREQ(valvescope::TubeNumberFields(ModelKind::Derk)[5].Caption, "kvb (V\u00b2)");
    EXPECT_STREQ(valvescope::TubeNumberFields(ModelKind::KorenPentode)[9].Caption, "Psmax (W)");
}

TEST(TubeFields, AScreenGridTubeShowsAndTakesItsConstantsAndScreenRating) {
    Tube el34;
    el34.Name = "EL34";
    el34.Model = {ModelKind::KorenPentode, {}, {11, 1.35, 650, 4200, 60, 24, 0, 0, 0}};
    el34.Ratings = {0.15, 800, 25, 8};
    el34.Screen = 250;
    TubeFieldTexts texts = FieldTextsOf(el34);
    EXPECT_EQ(texts.Numbers, (std::vector<std::string>{"11", "1.35", "650", "4200", "60", "24",
                                                       "150", "800", "25", "8"}));
    texts.Numbers[3] = "3900";
    texts.Numbers[9] = "";
    const valvescope::TubeFieldReading reading = ReadTubeFields(texts, el34);
    EXPECT_TRUE(reading.AllRead());
    EXPECT_EQ(reading.Read.Model.Constants.Kg2, 3900);
    EXPECT_EQ(reading.Read.Model.Constants.Kg1, 650);
    EXPECT_EQ(reading.Read.Ratings.Psmax, std::nullopt);
    EXPECT_EQ(reading.Read.Model.Kind, ModelKind::KorenPentode);
    EXPECT_EQ(reading.Read.Screen, 250);
    EXPECT_EQ(reading.Read.Model.Seed.MuZero, 8.7); // the seed's constants are not touched
}

// Reefman's a and alphaS may be 0 (a straight plate curve, a screen that takes nothing more at
// low plate voltage); no other constant may.
TEST(TubeFields, ReefmansAAndAlphaSMayBeZero) {
    Tube tube;
    tube.Model = {ModelKind::Derk, {}, {40, 1.3, 300, 1500, 200, 2000, 3e-4, 3, 0.06}};
    TubeFieldTexts texts = FieldTextsOf(tube);
    constexpr std::size_t kA = 6, kAlphaS = 7, kBeta = 8;
    texts.Numbers[kA] = "0";
    texts.Numbers[kAlphaS] = "0,0";
    texts.Numbers[kBeta] = "0";
    valvescope::TubeFieldReading reading = ReadTubeFields(texts, tube);
    EXPECT_EQ(reading.Problems[kA], "");
    EXPECT_EQ(reading.Read.Model.Constants.A, 0);
    EXPECT_EQ(reading.Read.Model.Constants.AlphaS, 0);
    EXPECT_EQ(reading.Problems[kBeta], "must be a number above zero");
    EXPECT_EQ(reading.Read.Model.Constants.Beta, 0.06);
    texts.Numbers[kA] = "-1e-4";
    reading = ReadTubeFields(texts, tube);
    EXPECT_EQ(reading.Problems[kA], "must be a number not below zero");
    EXPECT_EQ(reading.Read.Model.Constants.A, 3e-4);
}

} // namespace
