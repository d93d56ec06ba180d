#include "core/settings/itemlists.h"

#include <gtest/gtest.h>

using namespace valvescope;

namespace {

std::vector<std::string> Numbers(std::initializer_list<const char*> texts) {
    return {texts.begin(), texts.end()};
}

std::vector<std::string> First(const std::vector<std::string>& items, std::size_t count) {
    return {items.begin(), items.begin() + count};
}

std::vector<std::string> Last(const std::vector<std::string>& items, std::size_t count) {
    return {items.end() - count, items.end()};
}

} // namespace

TEST(E192, IsTheRoundedGeometricSeriesWithTheSeries920) {
    std::vector<int> decade = E192Decade();
    ASSERT_EQ(decade.size(), 192u);
    EXPECT_EQ(std::vector<int>(decade.begin(), decade.begin() + 11),
              (std::vector<int>{100, 101, 102, 104, 105, 106, 107, 109, 110, 111, 113}));
    EXPECT_EQ(std::vector<int>(decade.end() - 4, decade.end()),
              (std::vector<int>{953, 965, 976, 988}));
    EXPECT_EQ(decade[134], 499);
    EXPECT_EQ(std::count(decade.begin(), decade.end(), 920), 1);
    EXPECT_EQ(std::count(decade.begin(), decade.end(), 919), 0);
    EXPECT_TRUE(std::is_sorted(decade.begin(), decade.end()));
    EXPECT_EQ(std::adjacent_find(decade.begin(), decade.end()), decade.end());
}

TEST(ItemLists, ShortListsHaveTheirLengthsAndEnds) {
    EXPECT_EQ(EndIItems().size(), 28u);
    EXPECT_EQ(First(EndIItems(), 3), Numbers({"5", "10", "15"}));
    EXPECT_EQ(Last(EndIItems(), 3), Numbers({"400", "450", "500"}));
    EXPECT_EQ(EndIItems()[19], "100");
    EXPECT_EQ(EndIItems()[20], "150");

    EXPECT_EQ(GridVItems().size(), 34u);
    EXPECT_EQ(First(GridVItems(), 11),
              Numbers({"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "12"}));
    EXPECT_EQ(Last(GridVItems(), 3), Numbers({"500", "600", "700"}));

    EXPECT_EQ(GridLinesItems().size(), 20u);
    EXPECT_EQ(GridLinesItems().front(), "1");
    EXPECT_EQ(GridLinesItems().back(), "20");

    EXPECT_EQ(EndVItems().size(), 30u);
    EXPECT_EQ(First(EndVItems(), 2), Numbers({"50", "100"}));
    EXPECT_EQ(Last(EndVItems(), 12), Numbers({"950", "1000", "1100", "1200", "1300", "1400", "1500",
                                              "1600", "1700", "1800", "1900", "2000"}));
    EXPECT_EQ(BPlusItems(), EndVItems());
}

TEST(ItemLists, RaRunsThroughFourDecadesToOneMegohm) {
    std::vector<std::string> ra = RaItems();
    ASSERT_EQ(ra.size(), 769u);
    EXPECT_EQ(First(ra, 3), Numbers({"100", "101", "102"}));
    EXPECT_EQ(ra[191], "988");
    EXPECT_EQ(ra[192], "1000");
    EXPECT_EQ(ra[383], "9880");
    EXPECT_EQ(ra[384], "10000");
    EXPECT_EQ(ra[576], "100000");
    EXPECT_EQ(Last(ra, 3), Numbers({"976000", "988000", "1000000"}));
    EXPECT_EQ(std::count(ra.begin(), ra.end(), "3000"), 0);
    EXPECT_EQ(std::count(ra.begin(), ra.end(), "9200"), 1);
}

TEST(ItemLists, RkStartsAtZeroWithTenthsAndEndsAt4990) {
    std::vector<std::string> rk = RkItems();
    ASSERT_EQ(rk.size(), 520u);
    EXPECT_EQ(First(rk, 6), Numbers({"0", "10", "10.1", "10.2", "10.4", "10.5"}));
    EXPECT_EQ(rk[1 + 191], "98.8");
    EXPECT_EQ(std::count(rk.begin(), rk.end(), "92"), 1);
    EXPECT_EQ(std::count(rk.begin(), rk.end(), "93.1"), 1);
    EXPECT_EQ(std::count(rk.begin(), rk.end(), "11"), 1);
    EXPECT_EQ(std::count(rk.begin(), rk.end(), "11.0"), 0);
    EXPECT_EQ(rk[193], "100");
    EXPECT_EQ(rk[384], "988");
    EXPECT_EQ(rk[385], "1000");
    EXPECT_EQ(Last(rk, 2), Numbers({"4930", "4990"}));
    EXPECT_EQ(std::count(rk.begin(), rk.end(), "590"), 1);
}
