// Exact numbers and the JSON texts written with them.
#include "formats/exactnumber.h"
#include "formats/jsontext.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

using formats::JsonLayout;
using formats::JsonText;
using Json = nlohmann::ordered_json;

TEST(ExactNumber, SeventeenDigitsShowTheRoundingShortestExactDoesNot) {
    EXPECT_EQ(formats::SeventeenDigits(0.1), "0.10000000000000001");
    EXPECT_EQ(formats::ShortestExact(0.1), "0.1");
    EXPECT_EQ(formats::SeventeenDigits(250), "250");
    EXPECT_EQ(formats::SeventeenDigits(2.0 / 3), "0.66666666666666663");
    EXPECT_EQ(formats::SeventeenDigits(1e-300), "1e-300");
    EXPECT_EQ(formats::ShortestExact(-2.5e22), "-2.5e+22");
    EXPECT_EQ(formats::SeventeenDigits(std::numeric_limits<double>::infinity()), "inf");
}

TEST(JsonText, IndentedObjectsOneMemberALineArraysOnOneLine) {
    Json inner;
    inner["a"] = 0.1;
    inner["list"] = {1.5, 2.0};
    Json outer;
    outer["name"] = "x\"y";
    outer["inner"] = inner;
    outer["flag"] = true;
    outer["none"] = nullptr;
    EXPECT_EQ(JsonText(outer, JsonLayout::Indented), "{\n"
                                                     "  \"name\": \"x\\\"y\",\n"
                                                     "  \"inner\": {\n"
                                                     "    \"a\": 0.10000000000000001,\n"
                                                     "    \"list\": [1.5, 2]\n"
                                                     "  },\n"
                                                     "  \"flag\": true,\n"
                                                     "  \"none\": null\n"
                                                     "}");
}

TEST(JsonText, OneLineKeepsTheKeysInTheirOrderAndWholeNumbersWhole) {
    Json fit;
    fit["points"] = std::size_t{186};
    fit["rms"] = std::numeric_limits<double>::quiet_NaN();
    fit["max"] = -std::numeric_limits<double>::infinity();
    fit["constants"] = {{"b", 3.0}, {"a", 1e21}};
    EXPECT_EQ(JsonText(fit, JsonLayout::OneLine),
              "{\"points\": 186, \"rms\": null, \"max\": null, \"constants\": {\"b\": 3, \"a\": "
              "1e+21}}");
}

} // namespace
