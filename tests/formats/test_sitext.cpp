#include "formats/formats.h"
#include "formats/sitext.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

using formats::FormatFixed;
using formats::FormatSi;

TEST(SiText, PicksThePrefixThatKeepsThreeDigitsWithALeadingZero) {
    EXPECT_EQ(FormatSi(38.4e-6, "W"), "38.4 µW");
    EXPECT_EQ(FormatSi(0.96e-3, "W"), "960 µW");
    EXPECT_EQ(FormatSi(0.1, "W"), "100 mW");
    EXPECT_EQ(FormatSi(0.0378, "A"), "37.8 mA");
    EXPECT_EQ(FormatSi(264.04, "V"), "264 V");
    EXPECT_EQ(FormatSi(3000, "Ω"), "3.00 kΩ");
    EXPECT_EQ(FormatSi(1e6, "Ω"), "1.00 MΩ");
    EXPECT_EQ(FormatSi(-4.8, ""), "-4.80");
    EXPECT_EQ(FormatSi(0.5, "V"), "500 mV");
    EXPECT_EQ(FormatSi(2.5e-9, "A"), "2.50 nA");
}

TEST(SiText, RoundsAcrossAPrefixWithoutAFourthDigit) {
    EXPECT_EQ(FormatSi(999.96, "V"), "1.00 kV");
    EXPECT_EQ(FormatSi(0.99996, "A"), "1.00 A");
    EXPECT_EQ(FormatSi(9.996, "V"), "10.0 V");
    EXPECT_EQ(FormatSi(99.96e-3, "A"), "100 mA");
    EXPECT_EQ(FormatSi(2.5e9, "Ω"), "2500 MΩ");
}

TEST(SiText, WritesZeroAndTheNonFiniteWithTheirUnit) {
    EXPECT_EQ(FormatSi(0, "W"), "0.00 W");
    EXPECT_EQ(FormatSi(-0.0, "W"), "0.00 W");
    EXPECT_EQ(FormatSi(std::numeric_limits<double>::infinity(), "Ω"), "INF Ω");
    EXPECT_EQ(FormatSi(-std::numeric_limits<double>::infinity(), "Ω"), "-INF Ω");
    EXPECT_EQ(FormatSi(std::numeric_limits<double>::quiet_NaN(), ""), "NAN");
}

TEST(SiText, FixedDecimalsKeepTheirUnitAndLeadingZero) {
    EXPECT_EQ(FormatFixed(0.06, 2, "mA"), "0.06 mA");
    EXPECT_EQ(FormatFixed(0.0404, 3, "mA"), "0.040 mA");
    EXPECT_EQ(FormatFixed(-0.5, 1, ""), "-0.5");
}

TEST(SiText, WritesTheReadoutsDecimalSeparator) {
    formats::SetDecimalSeparator(',');
    EXPECT_EQ(FormatSi(38.4e-6, "W"), "38,4 µW");
    EXPECT_EQ(FormatFixed(0.06, 2, "mA"), "0,06 mA");
    formats::SetDecimalSeparator('.');
}

} // namespace
