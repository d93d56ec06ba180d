#include "core/settings/intake.h"

#include "core/settings/numbertext.h"
#include "formats/formats.h"
#include "tests/support/starttexts.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <utility>

using namespace valvescope;

namespace {

SettingsTexts StartUpTexts() {
    return fixtures::StartupTexts();
}

// Settings that differ from every value the start-up texts give.
PlotSettings OldSettings() {
    PlotSettings old;
    old.GridLineCount = 3;
    old.GridStep = 7;
    old.EndI = 11;
    old.EndV = 13;
    old.Ra = 17;
    old.Rk = 19;
    old.BPlus = 23;
    return old;
}

void ExpectSame(const PlotSettings& actual, const PlotSettings& expected) {
    EXPECT_EQ(actual.GridLineCount, expected.GridLineCount);
    EXPECT_EQ(actual.GridStep, expected.GridStep);
    EXPECT_EQ(actual.EndI, expected.EndI);
    EXPECT_EQ(actual.EndV, expected.EndV);
    EXPECT_EQ(actual.Ra, expected.Ra);
    EXPECT_EQ(actual.Rk, expected.Rk);
    EXPECT_EQ(actual.BPlus, expected.BPlus);
}

std::string ConversionMessage(const SettingsTexts& texts, PlotSettings& settings) {
    try {
        TakeSettings(texts, settings);
    } catch (const ConversionError& error) {
        return error.what();
    }
    return "(no error)";
}

} // namespace

TEST(PointSeparator, TurnsEveryCommaIntoAPoint) {
    EXPECT_EQ(WithPointSeparator("2,5"), "2.5");
    EXPECT_EQ(WithPointSeparator("1,000,5"), "1.000.5");
    EXPECT_EQ(WithPointSeparator(","), ".");
    EXPECT_EQ(WithPointSeparator("800"), "800");
    EXPECT_EQ(WithPointSeparator(""), "");
}

TEST(TakeSettings, StoresAllSevenFieldsFromTheStartUpTexts) {
    PlotSettings settings = OldSettings();
    ASSERT_TRUE(TakeSettings(StartUpTexts(), settings));
    PlotSettings expected;
    expected.GridLineCount = 10;
    expected.GridStep = 10;
    expected.EndI = 200;
    expected.EndV = 800;
    expected.Ra = 3000;
    expected.Rk = 590;
    expected.BPlus = 400;
    ExpectSame(settings, expected);
}

TEST(TakeSettings, ABlankOrZeroBoxEndsSilentlyWithNothingStored) {
    std::string SettingsTexts::*boxes[] = {&SettingsTexts::GridLines, &SettingsTexts::GridV,
                                           &SettingsTexts::EndI,      &SettingsTexts::EndV,
                                           &SettingsTexts::Ra,        &SettingsTexts::BPlus};
    for (auto box : boxes) {
        for (const char* text : {"", "0", ".", "-.", "0.000000", " "}) {
            SettingsTexts texts = StartUpTexts();
            texts.*box = text;
            PlotSettings settings = OldSettings();
            EXPECT_FALSE(TakeSettings(texts, settings)) << "'" << text << "'";
            ExpectSame(settings, OldSettings());
        }
    }
}

TEST(TakeSettings, ZeroCathodeResistorPassesInAnyListedForm) {
    for (const char* text : {"0", ".", "-.", "0.", ".0", "0.000", "0.000000"}) {
        SettingsTexts texts = StartUpTexts();
        texts.Rk = text;
        PlotSettings settings = OldSettings();
        EXPECT_TRUE(TakeSettings(texts, settings)) << "'" << text << "'";
        EXPECT_EQ(settings.Rk, 0.0);
        EXPECT_EQ(settings.BPlus, 400.0);
    }
}

TEST(TakeSettings, UnreadableCathodeResistorRaisesBeforeAnythingIsStored) {
    for (const char* text : {"", " ", "-"}) {
        SettingsTexts texts = StartUpTexts();
        texts.Rk = text;
        PlotSettings settings = OldSettings();
        EXPECT_EQ(ConversionMessage(texts, settings),
                  std::string("'") + text + "' is not a valid floating point value");
        ExpectSame(settings, OldSettings());
    }
}

TEST(TakeSettings, ChecksRunInBoxOrder) {
    // End V is checked before Rk: silent.
    SettingsTexts texts = StartUpTexts();
    texts.EndV = "";
    texts.Rk = "";
    PlotSettings settings = OldSettings();
    EXPECT_FALSE(TakeSettings(texts, settings));

    // Rk is checked before B+: the error comes up.
    texts = StartUpTexts();
    texts.Rk = "";
    texts.BPlus = "";
    EXPECT_EQ(ConversionMessage(texts, settings), "'' is not a valid floating point value");
    ExpectSame(settings, OldSettings());
}

TEST(TakeSettings, AFailedReadingKeepsTheEarlierFieldsNewAndTheLaterOnesOld) {
    SettingsTexts texts = StartUpTexts();
    texts.Ra = "abc";
    PlotSettings settings = OldSettings();
    EXPECT_EQ(ConversionMessage(texts, settings), "'abc' is not a valid floating point value");
    EXPECT_EQ(settings.GridLineCount, 10);
    EXPECT_EQ(settings.GridStep, 10.0);
    EXPECT_EQ(settings.EndI, 200);
    EXPECT_EQ(settings.EndV, 800);
    EXPECT_EQ(settings.Ra, 17.0);
    EXPECT_EQ(settings.Rk, 19.0);
    EXPECT_EQ(settings.BPlus, 23.0);
}

TEST(TakeSettings, EachBoxIsReadAsItsKindOfNumber) {
    SettingsTexts texts = StartUpTexts();
    texts.GridLines = "  ";
    PlotSettings settings = OldSettings();
    EXPECT_EQ(ConversionMessage(texts, settings), "'  ' is not a valid integer value");
    ExpectSame(settings, OldSettings());

    texts = StartUpTexts();
    texts.EndI = "12.5";
    EXPECT_EQ(ConversionMessage(texts, settings), "'12.5' is not a valid integer value");
    EXPECT_EQ(settings.GridStep, 10.0);
    EXPECT_EQ(settings.EndI, 11);

    texts = StartUpTexts();
    texts.EndV = "1.000";
    EXPECT_EQ(ConversionMessage(texts, settings), "'1.000' is not a valid integer value");

    texts = StartUpTexts();
    texts.Ra = "12.5";
    ASSERT_TRUE(TakeSettings(texts, settings));
    EXPECT_EQ(settings.Ra, 12.5);
    texts.Ra = "1e3";
    ASSERT_TRUE(TakeSettings(texts, settings));
    EXPECT_EQ(settings.Ra, 1000.0);
}

TEST(TakeSettings, OtherZerosAndNegativesAreStoredUnchanged) {
    SettingsTexts texts = StartUpTexts();
    texts.GridV = "-5";
    texts.EndV = "00";
    texts.GridLines = "0.5e1"; // not a whole number
    PlotSettings settings = OldSettings();
    EXPECT_THROW(TakeSettings(texts, settings), ConversionError);
    texts.GridLines = "+3";
    ASSERT_TRUE(TakeSettings(texts, settings));
    EXPECT_EQ(settings.GridLineCount, 3);
    EXPECT_EQ(settings.GridStep, -5.0);
    EXPECT_EQ(settings.EndV, 0);
}

TEST(AxisCaptions, VoltageCaptionsMarkTenthsOfTheEnd) {
    auto captions = VoltageCaptions("800");
    ASSERT_TRUE(captions.has_value());
    EXPECT_EQ((*captions)[9], formats::FormatVolts(800));
    EXPECT_EQ((*captions)[0], formats::FormatVolts(800 * 0.1));
    EXPECT_EQ((*captions)[2], formats::FormatVolts(800 * 0.3));
    EXPECT_EQ((*captions)[8], formats::FormatVolts(800 * 0.9));
    EXPECT_EQ(VoltageCaptions("2.5").value()[9], formats::FormatVolts(2.5));
    EXPECT_FALSE(VoltageCaptions("").has_value());
    EXPECT_FALSE(VoltageCaptions("0.0").has_value());
    EXPECT_THROW(VoltageCaptions("x"), ConversionError);
}

TEST(AxisCaptions, CurrentCaptionsMarkFifthsInAmperes) {
    auto axis = CurrentCaptions("200");
    ASSERT_TRUE(axis.has_value());
    EXPECT_EQ(axis->EndI, 200);
    EXPECT_EQ(axis->Captions[4], formats::FormatAmps(0.2));
    EXPECT_EQ(axis->Captions[3], formats::FormatAmps(0.16));
    EXPECT_EQ(axis->Captions[2], formats::FormatAmps(200 / 1666.666));
    EXPECT_EQ(axis->Captions[1], formats::FormatAmps(0.08));
    EXPECT_EQ(axis->Captions[0], formats::FormatAmps(0.04));
    EXPECT_FALSE(CurrentCaptions("").has_value());
    EXPECT_FALSE(CurrentCaptions("-").has_value());
    EXPECT_THROW(CurrentCaptions("12.5"), ConversionError);
}

// Where the 0.6 mark's divisor 1666.666 (not 5000/3) and the binary value of the fifths show:
// 1675 * 0.6 = 1005 mA comes out a hair above 1.005 A, so it rounds up; 1.775 A and 1.825 A lie
// a hair below their halves and round down, 1.675 A and 1.725 A a hair above.
TEST(AxisCaptions, CurrentCaptionsWhereTheDivisorsPrecisionShows) {
    const std::pair<const char*, std::array<std::string, 5>> expected[] = {
        {"1675", {"335 mA", "670 mA", "1.01 A", "1.34 A", "1.68 A"}},
        {"1725", {"345 mA", "690 mA", "1.04 A", "1.38 A", "1.73 A"}},
        {"1775", {"355 mA", "710 mA", "1.07 A", "1.42 A", "1.77 A"}},
        {"1825", {"365 mA", "730 mA", "1.1 A", "1.46 A", "1.82 A"}},
        {"2025", {"405 mA", "810 mA", "1.22 A", "1.62 A", "2.02 A"}},
        {"1666", {"333 mA", "666 mA", "1000 mA", "1.33 A", "1.67 A"}},
        {"1667", {"333 mA", "667 mA", "1 A", "1.33 A", "1.67 A"}},
    };
    for (const auto& [endI, captions] : expected) {
        SCOPED_TRACE(endI);
        const auto axis = CurrentCaptions(endI);
        ASSERT_TRUE(axis.has_value());
        EXPECT_EQ(axis->Captions, captions);
    }
}
