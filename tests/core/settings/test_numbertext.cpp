#include "core/settings/numbertext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using valvescope::ConversionError;
using valvescope::IsBlankOrZero;
using valvescope::ReadDecimalNumber;
using valvescope::ReadWholeNumber;

namespace {

std::string MessageOf(void (*read)(const std::string&), const std::string& text) {
    try {
        read(text);
    } catch (const ConversionError& error) {
        return error.what();
    }
    return "(read)";
}

void ReadWhole(const std::string& text) {
    ReadWholeNumber(text);
}
void ReadDecimal(const std::string& text) {
    ReadDecimalNumber(text);
}

} // namespace

TEST(BlankOrZero, AcceptsTheEmptyTextAndTheEighteenListedTexts) {
    for (const char* text :
         {"", " ", "-", "-.", "0", ".", "0.", ".0", ".00", ".000", ".0000", ".00000", ".000000",
          "0.0", "0.00", "0.000", "0.0000", "0.00000", "0.000000"}) {
        EXPECT_TRUE(IsBlankOrZero(text)) << "'" << text << "'";
    }
}

TEST(BlankOrZero, ComparesExactlyWithoutTrimming) {
    for (const char* text : {"00", " 0", "-0", "0 ", ".0000000", "0.0000000", "  ", "+", "-0.",
                             "+.", "1", "0,0", "-.0", "10"}) {
        EXPECT_FALSE(IsBlankOrZero(text)) << "'" << text << "'";
    }
}

TEST(WholeNumber, ReadsDigitsWithLeadingBlanksAndSign) {
    EXPECT_EQ(ReadWholeNumber("200"), 200);
    EXPECT_EQ(ReadWholeNumber("  42"), 42);
    EXPECT_EQ(ReadWholeNumber("+7"), 7);
    EXPECT_EQ(ReadWholeNumber(" -15"), -15);
    EXPECT_EQ(ReadWholeNumber("00"), 0);
    EXPECT_EQ(ReadWholeNumber("0008100"), 8100);
}

TEST(WholeNumber, HoldsTheFull32BitRangeAndNoMore) {
    EXPECT_EQ(ReadWholeNumber("2147483647"), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(ReadWholeNumber("-2147483648"), std::numeric_limits<std::int32_t>::min());
    EXPECT_THROW(ReadWholeNumber("2147483648"), ConversionError);
    EXPECT_THROW(ReadWholeNumber("-2147483649"), ConversionError);
    EXPECT_THROW(ReadWholeNumber("99999999999999999999999"), ConversionError);
}

TEST(WholeNumber, RefusesEverythingElseWithTheIntegerMessage) {
    for (const char* text : {"", " ", "  ", "-", "+", "1.", "1.000", "12.5", "5 ", "1e3", "abc",
                             "- 5", "0x10", "$10", "5a"}) {
        EXPECT_THROW(ReadWholeNumber(text), ConversionError) << "'" << text << "'";
    }
    EXPECT_EQ(MessageOf(ReadWhole, "abc"), "'abc' is not a valid integer value");
    EXPECT_EQ(MessageOf(ReadWhole, "  "), "'  ' is not a valid integer value");
    EXPECT_EQ(MessageOf(ReadWhole, "1."), "'1.' is not a valid integer value");
}

TEST(DecimalNumber, ReadsEveryWrittenForm) {
    EXPECT_EQ(ReadDecimalNumber("5"), 5.0);
    EXPECT_EQ(ReadDecimalNumber(".5"), 0.5);
    EXPECT_EQ(ReadDecimalNumber("5."), 5.0);
    EXPECT_EQ(ReadDecimalNumber("5.5"), 5.5);
    EXPECT_EQ(ReadDecimalNumber("2.5"), 2.5);
    EXPECT_EQ(ReadDecimalNumber("  -12.5  "), -12.5);
    EXPECT_EQ(ReadDecimalNumber("+3"), 3.0);
    EXPECT_EQ(ReadDecimalNumber("1e3"), 1000.0);
    EXPECT_EQ(ReadDecimalNumber("1E+3"), 1000.0);
    EXPECT_EQ(ReadDecimalNumber("25e-1"), 2.5);
    EXPECT_EQ(ReadDecimalNumber(".5e1"), 5.0);
    EXPECT_EQ(ReadDecimalNumber("0.1"), 0.1);
    EXPECT_EQ(ReadDecimalNumber("1666.666"), 1666.666);
}

TEST(DecimalNumber, ReadsALonePointAndZerosAsZero) {
    for (const char* text :
         {".", "-.", "+.", "0", "0.", ".0", "0.000", "00", "-0", "0e5", " . ", ".e3"}) {
        EXPECT_EQ(ReadDecimalNumber(text), 0.0) << "'" << text << "'";
    }
}

TEST(DecimalNumber, RefusesEverythingElseWithTheFloatingPointMessage) {
    for (const char* text : {"", " ", "-", "+", "e3", "-e3", "1e", "1e+", "1.2.3", "1,5", "- 1",
                             "abc", "1 2", "inf", "nan", "0x10", "1e3.5"}) {
        EXPECT_THROW(ReadDecimalNumber(text), ConversionError) << "'" << text << "'";
    }
    EXPECT_EQ(MessageOf(ReadDecimal, ""), "'' is not a valid floating point value");
    EXPECT_EQ(MessageOf(ReadDecimal, " "), "' ' is not a valid floating point value");
    EXPECT_EQ(MessageOf(ReadDecimal, "-"), "'-' is not a valid floating point value");
}

TEST(DecimalNumber, RefusesValuesTooLargeForADoubleButReadsTinyOnesAsZero) {
    EXPECT_THROW(ReadDecimalNumber("1e999"), ConversionError);
    EXPECT_THROW(ReadDecimalNumber("-1e309"), ConversionError);
    EXPECT_THROW(ReadDecimalNumber("0.001e312"), ConversionError);
    EXPECT_EQ(MessageOf(ReadDecimal, "1e999"), "'1e999' is not a valid floating point value");
    EXPECT_EQ(ReadDecimalNumber("1e308"), 1e308);
    EXPECT_EQ(ReadDecimalNumber("1e-999"), 0.0);
    EXPECT_EQ(ReadDecimalNumber("1000e-400"), 0.0);
    EXPECT_TRUE(std::signbit(ReadDecimalNumber("-1e-999")));
}
