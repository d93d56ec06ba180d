#include "formats/formats.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

using formats::FormatAmps;
using formats::FormatAmpsReadout;
using formats::FormatGeneral;
using formats::FormatOhms;
using formats::FormatPicture;
using formats::FormatValue;
using formats::FormatValueReadout;
using formats::FormatVolts;
using formats::FormatVoltsReadout;
using formats::FormatWatts;

struct Row {
    long double value;
    std::string text;
};

template <typename Formatter> void ExpectTexts(Formatter format, const std::vector<Row>& rows) {
    for (const Row& row : rows) {
        EXPECT_EQ(format(row.value), row.text) << "value " << static_cast<double>(row.value);
    }
}

// Formatters that take a 64-bit float, called with the row's value at that precision.
template <std::string (*Format)(double)> std::string AtDouble(long double value) {
    return Format(static_cast<double>(value));
}

struct PictureRow {
    const char* picture;
    long double value;
    std::string text;
};

void ExpectPictures(const std::vector<PictureRow>& rows) {
    for (const PictureRow& row : rows) {
        EXPECT_EQ(FormatPicture(row.picture, row.value), row.text)
            << "picture \"" << row.picture << "\" value " << static_cast<double>(row.value);
    }
}

TEST(FormatPicture, PlacesForcedBeforeAndAfterThePoint) {
    ExpectPictures({
        {"#", 250, "250"},
        {"#.##", 12, "12"},
        {"#.##", 12.5L, "12.5"},
        {"#.0", 12, "12.0"},
        {"#.00", 0.05L, ".05"},
        {"#.##", 0.5L, ".5"},
        {"0.##", 0.5L, "0.5"},
        {"0.0#", 0.5L, "0.5"},
        {"0.0#", 0.25L, "0.25"},
        {".00#", 0.05L, ".05"},
        {".000#", 0.0053L, ".0053"},
        {"00.#", 5, "05"},
        {"0.000", 1.5L, "1.500"},
    });
}

TEST(FormatPicture, ZeroUnderEachPicture) {
    ExpectPictures({
        {"#", 0, ""},
        {"#.##", 0, ""},
        {"0", 0, "0"},
        {"#.0", 0, ".0"},
        {"#.00", 0, ".00"},
        {"0.00", 0, "0.00"},
    });
}

TEST(FormatPicture, HalvesGoAwayFromZero) {
    ExpectPictures({
        {"#.##", 0.125L, ".13"},
        {"0", 2.5L, "3"},
        {"0", 0.5L, "1"},
        {"0", -2.5L, "-3"},
        {"0", 3.5L, "4"},
        {"#.#", 0.25L, ".3"},
    });
}

TEST(FormatPicture, CarryRunsThroughNinesAndGrowsTheIntegerPart) {
    ExpectPictures({
        {"#.#", 99.97L, "100"},
        {"0.##", 0.9999L, "1"},
        {"#.00", 9.999L, "10.00"},
        {"#", 999.5L, "1000"},
        {"0", 0.5L, "1"},
    });
}

TEST(FormatPicture, DigitsBelowTheCutAreDropped) {
    ExpectPictures({
        {"0", 0.05L, "0"},
        {"#", 0.4L, ""},
        {"#.##", 0.004L, ""},
        {"0.00", 0.00001L, "0.00"},
    });
}

TEST(FormatPicture, ValueThatRoundsToZeroHasNoSign) {
    ExpectPictures({
        {"#", -0.4L, ""},
        {"#.##", -0.004L, ""},
        {"0", -0.2L, "0"},
        {"0.00", -0.0L, "0.00"},
        {"0", -0.5L, "-1"},
    });
}

TEST(FormatPicture, RoundsTheBinaryValueNotItsShortestDecimal) {
    // 2.675 is stored as 2.67499999999999982..., 1.005 as 1.00499999999999989...
    ExpectPictures({
        {"#.##", static_cast<double>(2.675), "2.67"},
        {"#.##", static_cast<double>(1.005), "1"},
        {"#.##", static_cast<double>(0.125), ".13"},
    });
}

TEST(FormatPicture, EighteenSignificantDigitsComeFirst) {
    // 0.125 less one unit in the last place of the 64-bit mantissa is
    // 0.12499999999999999999322...: to 18 digits that is 0.125, which then rounds up.
    const long double justBelowEighth = 0.125L - std::ldexp(1.0L, -67);
    // A bigger step below stays below the half at 18 digits: 0.124999999999999999133...
    const long double furtherBelowEighth = 0.125L - std::ldexp(1.0L, -60);
    ExpectPictures({
        {"#.##", justBelowEighth, ".13"},
        {"#.##", furtherBelowEighth, ".12"},
    });
}

TEST(FormatPicture, EighteenthDigitTiesGoToEven) {
    // Both values lie exactly halfway between two 18-digit numbers.
    ExpectPictures({
        {"#", 100000000000000000.5L, "100000000000000000"},
        {"#", 100000000000000001.5L, "100000000000000002"},
        {"#", -100000000000000000.5L, "-100000000000000000"},
    });
}

TEST(FormatPicture, FromOneE18OnTheGeneralFormTakesOver) {
    ExpectPictures({
        {"#", 999999999999999999.0L, "999999999999999999"},
        {"#", 999999999999999999.5L, "1E18"},
        {"#", 1e18L, "1E18"},
        {"#.##", -2.5e20L, "-2.5E20"},
        {"0.00", 1e4000L, "1E4000"},
    });
}

TEST(FormatPicture, TinyAndDenormalValues) {
    const long double smallest = std::numeric_limits<long double>::denorm_min();
    ExpectPictures({
        {"0.##", smallest, "0"},
        {"0.##", -smallest, "0"},
        {"#", std::numeric_limits<long double>::min(), ""},
        {"0.00", 1e-4000L, "0.00"},
    });
}

TEST(FormatGeneral, ZeroIsAPlainZero) {
    ExpectTexts(FormatGeneral, {{0, "0"}, {-0.0L, "0"}});
}

TEST(FormatGeneral, ScientificBelowAThousandthAndFromOneE15) {
    ExpectTexts(FormatGeneral, {
                                   {0.00005L, "5E-5"},
                                   {-0.0000125L, "-1.25E-5"},
                                   {0.0000999L, "9.99E-5"},
                                   {1e15L, "1E15"},
                                   {1234567890123456.0L, "1.23456789012346E15"},
                                   {-3e100L, "-3E100"},
                                   {1e-300L, "1E-300"},
                               });
}

TEST(FormatGeneral, LeadingZerosBetweenAThousandthAndOne) {
    ExpectTexts(FormatGeneral, {
                                   {0.5L, "0.5"},
                                   {0.0005L, "0.0005"},
                                   {0.00012L, "0.00012"},
                                   {-0.025L, "-0.025"},
                               });
}

TEST(FormatGeneral, FixedFromOneUpToFifteenDigits) {
    ExpectTexts(FormatGeneral, {
                                   {1, "1"},
                                   {12.5L, "12.5"},
                                   {1200, "1200"},
                                   {-250.75L, "-250.75"},
                                   {123456789012345.0L, "123456789012345"},
                                   {999999999999999.0L, "999999999999999"},
                               });
}

TEST(FormatGeneral, FifteenDigitsRoundHalvesAwayFromZero) {
    ExpectTexts(FormatGeneral, {
                                   {1234567890123455.0L, "1.23456789012346E15"},
                                   {9999999999999995.0L, "1E16"},
                                   {999999999999999.5L, "1E15"},
                                   {0.1234567890123455L, "0.123456789012346"},
                               });
}

TEST(FormatGeneral, EighteenDigitsDecideBeforeFifteen) {
    // 1234567890123454999 is 123456789012345500 to 18 digits, so the 16th digit is a 5.
    ExpectTexts(FormatGeneral, {{1234567890123454999.0L, "1.23456789012346E18"}});
}

TEST(FormatGeneral, ExtremeMagnitudes) {
    ExpectTexts(FormatGeneral,
                {
                    {1e4000L, "1E4000"},
                    {std::numeric_limits<long double>::denorm_min(), "3.64519953188247E-4951"},
                });
}

TEST(FormatVolts, Bands) {
    ExpectTexts(AtDouble<FormatVolts>, {
                                           {0, "0 v"},
                                           {0.0004L, "0 mv"},
                                           {-0.05L, "-50 mv"},
                                           {0.25L, "0.25 v"},
                                           {5, "5 v"},
                                           {12.34L, "12.3 v"},
                                           {800, "800 v"},
                                           {1000, "1 kv"},
                                           {1800, "1.8 kv"},
                                           {150000, "150 kv"},
                                           {-25000, "-25 kv"},
                                           {-10, "-10 v"},
                                       });
}

TEST(FormatVolts, RoundingUpKeepsTheBand) {
    ExpectTexts(AtDouble<FormatVolts>, {
                                           {99.97L, "100 v"},
                                           {9.999L, "10 v"},
                                           {0.0996L, "100 mv"},
                                           {99999, "100 kv"},
                                       });
}

TEST(FormatVolts, ScaledValueKeepsExtendedPrecision) {
    // 1005 / 1000 in 64 bits would be 1.00499999999999989... and round down.
    ExpectTexts(AtDouble<FormatVolts>, {{1005, "1.01 kv"}});
}

TEST(FormatVoltsReadout, Bands) {
    ExpectTexts(AtDouble<FormatVoltsReadout>, {
                                                  {0, " 0.00 v"},
                                                  {-0.05L, " 0.00 v"},
                                                  {0.05L, " 50 mv"},
                                                  {0.5L, " 0.50 v"},
                                                  {-0.5L, "-0.50 v"},
                                                  {5, " 5.00 v"},
                                                  {-20, "-20.0 v"},
                                                  {250, " 250. v"},
                                                  {-150, "-150. v"},
                                                  {1500, " 1.5 kv"},
                                                  {-1500, "-1.5 kv"},
                                                  {12000, " 12 kv"},
                                                  {250000, " 250 kv"},
                                              });
}

TEST(FormatVoltsReadout, MicrovoltsAndBelowReadAsZero) {
    ExpectTexts(AtDouble<FormatVoltsReadout>, {
                                                  {0.0000005L, " 0.00 v"},
                                                  {-0.0000005L, " 0.00 v"},
                                                  {-0.0999L, " 0.00 v"},
                                                  {0.000001L, " 0.00 v"},
                                                  {0.0000011L, " 0 mv"},
                                                  {0.0996L, " 100 mv"},
                                              });
}

TEST(FormatAmps, Bands) {
    ExpectTexts(AtDouble<FormatAmps>, {
                                          {0, "0 A"},
                                          {0.0002L, ".2 mA"},
                                          {0.0025L, "2.5 mA"},
                                          {0.04L, "40 mA"},
                                          {0.2L, "200 mA"},
                                          {1.5L, "1.5 A"},
                                          {2500, "2.5 kA"},
                                          {-0.04L, "-40 mA"},
                                          {15, "15 A"},
                                          {150, "150 A"},
                                      });
}

TEST(FormatAmps, ThresholdsAndScaling) {
    ExpectTexts(AtDouble<FormatAmps>, {
                                          {0.1L, "100 mA"},
                                          {0.12000005L, "120 mA"},
                                          {0.01L, "10 mA"},
                                          {1, "1 A"},
                                          {0.0999999L, "100 mA"},
                                      });
}

TEST(FormatAmpsReadout, Bands) {
    ExpectTexts(AtDouble<FormatAmpsReadout>, {
                                                 {0, "0 A"},
                                                 {0.0005L, ".50 ma"},
                                                 {0.005L, "5.00 ma"},
                                                 {0.0893L, "89.3 ma"},
                                                 {0.15L, "150. ma"},
                                                 {1.5L, "1.5 A"},
                                                 {0.1L, "100. ma"},
                                                 {0.01L, "10.0 ma"},
                                                 {-0.0893L, "-89.3 ma"},
                                                 {25, "25 A"},
                                                 {3500, "3.5 kA"},
                                             });
}

TEST(FormatWatts, Bands) {
    ExpectTexts(AtDouble<FormatWatts>, {
                                           {0, "0 w"},
                                           {0.0003L, " mw"},
                                           {0.0015L, "2 mw"},
                                           {-0.5L, "-500 mw"},
                                           {2.5L, "2.50 w"},
                                           {25, "25.0 w"},
                                           {150, "150. w"},
                                           {12500, "12.5 kw"},
                                           {1500, "1.5 kw"},
                                           {-0.0003L, " mw"},
                                           {1, "1.00 w"},
                                       });
}

TEST(FormatOhms, Bands) {
    ExpectTexts(AtDouble<FormatOhms>, {
                                          {0, "0.00 ohm"},
                                          {50, "50.0 ohm"},
                                          {500, "500. ohm"},
                                          {1500, "1.50 k"},
                                          {25000, "25.0 k"},
                                          {150000, "150. k"},
                                          {2500000, "2.5 m"},
                                          {5, "5.00 ohm"},
                                          {1000000, "1 m"},
                                      });
}

TEST(FormatOhms, NegativeResistanceAlwaysTakesTheLastBand) {
    ExpectTexts(AtDouble<FormatOhms>, {
                                          {-5000, "-5000.00 ohm"},
                                          {-2500000, "-2500000.00 ohm"},
                                          {-0.001L, "0.00 ohm"},
                                      });
}

TEST(FormatValue, Bands) {
    ExpectTexts(FormatValue, {
                                 {0, "0"},
                                 {-0.5L, "-0.5"},
                                 {-10, "-10"},
                                 {-12.5L, "-12.5"},
                                 {-1000, "-1 K"},
                                 {0.0005L, "0.0005"},
                                 {0.00005L, "5E-5"},
                                 {-150, "-150"},
                                 {2.25L, "2.25"},
                                 {0.1234L, "0.123"},
                                 {0.01234L, "0.0123"},
                                 {0.001234L, "0.00123"},
                                 {0.0001234L, "0.000123"},
                                 {12345, "12.3 K"},
                             });
}

TEST(FormatValueReadout, Bands) {
    ExpectTexts(FormatValueReadout, {
                                        {0, "0"},
                                        {8.7L, "8.70"},
                                        {12.3L, "12.3"},
                                        {0.5L, "0.5"},
                                        {0.05L, ".05"},
                                        {0.0053L, ".0053"},
                                        {0.00053L, ".00053"},
                                        {2500, "2.5 K"},
                                        {1, "1.00"},
                                        {250, "250"},
                                        {0.25L, "0.25"},
                                        {-12000, "-12 K"},
                                        {0.00005L, "5E-5"},
                                    });
}

TEST(FormatValueReadout, ThresholdsComparedAtExtendedPrecision) {
    // 0.1 and 0.01 at 80 bits lie below their 64-bit neighbours.
    ExpectTexts(FormatValueReadout, {
                                        {0.1L, "0.1"},
                                        {0.01L, ".01"},
                                        {0.001L, ".001"},
                                        {0.0001L, ".0001"},
                                        {std::nextafter(0.1L, 0.0L), ".10"},
                                    });
}

TEST(Formatters, NonFiniteValuesGiveTheirNames) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (std::string (*format)(double) : {FormatVolts, FormatVoltsReadout, FormatAmps,
                                          FormatAmpsReadout, FormatWatts, FormatOhms}) {
        EXPECT_EQ(format(inf), "INF");
        EXPECT_EQ(format(-inf), "-INF");
        EXPECT_EQ(format(nan), "NAN");
    }
    const long double infL = std::numeric_limits<long double>::infinity();
    const long double nanL = std::numeric_limits<long double>::quiet_NaN();
    for (std::string (*format)(long double) : {FormatValue, FormatValueReadout, FormatGeneral}) {
        EXPECT_EQ(format(infL), "INF");
        EXPECT_EQ(format(-infL), "-INF");
        EXPECT_EQ(format(nanL), "NAN");
    }
    EXPECT_EQ(FormatPicture("#.##", infL), "INF");
    EXPECT_EQ(FormatPicture("#.##", -infL), "-INF");
    EXPECT_EQ(FormatPicture("#.##", -nanL), "NAN");
}

TEST(Formatters, ExtremeFiniteValues) {
    const double largest = std::numeric_limits<double>::max();
    const double smallest = std::numeric_limits<double>::denorm_min();
    EXPECT_EQ(FormatVolts(largest), "1.79769313486232E305 kv");
    EXPECT_EQ(FormatVolts(-largest), "-1.79769313486232E305 kv");
    EXPECT_EQ(FormatVolts(smallest), "0 mv");
    EXPECT_EQ(FormatVoltsReadout(smallest), " 0.00 v");
    EXPECT_EQ(FormatAmps(-smallest), " mA");
    EXPECT_EQ(FormatAmpsReadout(largest), "1.79769313486232E305 kA");
    EXPECT_EQ(FormatWatts(smallest), " mw");
    EXPECT_EQ(FormatOhms(largest), "1.79769313486232E302 m");
    EXPECT_EQ(FormatOhms(-largest), "-1.79769313486232E308 ohm");
    EXPECT_EQ(FormatValue(1e4000L), "1E3997 K");
    EXPECT_EQ(FormatValueReadout(-1e4000L), "-1E3997 K");
    EXPECT_EQ(FormatValue(std::numeric_limits<long double>::denorm_min()),
              "3.64519953188247E-4951");
}

class DecimalSeparator : public ::testing::Test {
protected:
    void TearDown() override { formats::SetDecimalSeparator('.'); }
};

TEST_F(DecimalSeparator, IsAPointUnlessSet) {
    EXPECT_EQ(formats::DecimalSeparator(), '.');
}

TEST_F(DecimalSeparator, SetSeparatorIsWrittenEverywhere) {
    formats::SetDecimalSeparator(',');
    EXPECT_EQ(formats::DecimalSeparator(), ',');
    EXPECT_EQ(FormatVolts(12.34), "12,3 v");
    EXPECT_EQ(FormatVoltsReadout(-0.5), "-0,50 v");
    EXPECT_EQ(FormatAmpsReadout(0.0005), ",50 ma");
    EXPECT_EQ(FormatOhms(1500), "1,50 k");
    EXPECT_EQ(FormatValueReadout(8.7L), "8,70");
    EXPECT_EQ(FormatGeneral(-0.0000125L), "-1,25E-5");
    EXPECT_EQ(FormatGeneral(0.0005L), "0,0005");
    EXPECT_EQ(FormatGeneral(12.5L), "12,5");
}

TEST_F(DecimalSeparator, ThreeDigitBandsWriteTheSeparatorForTheirPoint) {
    // The point after a whole three-digit reading is its decimal point, so it follows the user's
    // separator like every other: "Vp=  249, v" beside "Vg= -17,8 v".
    formats::SetDecimalSeparator(',');
    EXPECT_EQ(FormatVoltsReadout(250), " 250, v");
    EXPECT_EQ(FormatVoltsReadout(0), " 0,00 v");
    EXPECT_EQ(FormatAmpsReadout(0.112), "112, ma");
    EXPECT_EQ(FormatWatts(127.4), "127, w");
    EXPECT_EQ(FormatOhms(500), "500, ohm");
    EXPECT_EQ(FormatOhms(150000), "150, k");
    // The unit texts themselves keep their letters.
    EXPECT_EQ(FormatVoltsReadout(1250), " 1,25 kv");
    formats::SetDecimalSeparator('.');
    EXPECT_EQ(FormatVoltsReadout(250), " 250. v");
    EXPECT_EQ(FormatVoltsReadout(0), " 0.00 v");
    EXPECT_EQ(FormatAmpsReadout(0.112), "112. ma");
    EXPECT_EQ(FormatOhms(150000), "150. k");
}

} // namespace
