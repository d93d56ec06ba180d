// The one table of the seven boxes: start-up texts, names, the intake's order.
#include "core/settings/settingsboxes.h"
#include "tests/support/starttexts.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace valvescope {
namespace {

bool SameTexts(const SettingsTexts& a, const SettingsTexts& b) {
    return a.GridLines == b.GridLines && a.GridV == b.GridV && a.EndI == b.EndI &&
           a.EndV == b.EndV && a.Ra == b.Ra && a.Rk == b.Rk && a.BPlus == b.BPlus;
}

TEST(SettingsBoxes, StartWithTheProgramsStartUpTexts) {
    EXPECT_TRUE(SameTexts(StartTexts(), fixtures::StartupTexts()));
}

TEST(SettingsBoxes, EachTextHasOneRowWithItsOwnNames) {
    // Each text is written through its row once: all seven change.
    SettingsTexts marked;
    std::set<std::string> names;
    std::set<std::string> options;
    for (const SettingsBox& box : kSettingsBoxes) {
        marked.*box.Text += "x";
        names.insert(box.ObjectName);
        options.insert(box.Option);
        EXPECT_EQ(std::string(box.ObjectName).rfind("CmbBx", 0), 0u) << box.ObjectName;
    }
    EXPECT_TRUE(SameTexts(marked, {"x", "x", "x", "x", "x", "x", "x"}));
    EXPECT_EQ(names.size(), 7u);
    EXPECT_EQ(options.size(), 7u);
    EXPECT_STREQ(BoxOf(&SettingsTexts::BPlus).ObjectName, "CmbBxBplus");
    EXPECT_STREQ(BoxOf(&SettingsTexts::GridLines).Caption, "# Grid Lines");
    EXPECT_STREQ(BoxOf(&SettingsTexts::GridV).Option, "step-v");
}

TEST(SettingsBoxes, CommasBecomePointsInEveryBox) {
    const SettingsTexts texts = WithPointSeparators({"1,0", "2,5", "3,", ",4", "5,5", "6,6,", "7"});
    EXPECT_TRUE(SameTexts(texts, {"1.0", "2.5", "3.", ".4", "5.5", "6.6.", "7"}));
}

TEST(SettingsBoxes, FirstBlankOrZeroBoxFollowsTheIntakesOrder) {
    SettingsTexts texts = fixtures::StartupTexts();
    texts.BPlus = "0";
    texts.EndV = " ";
    EXPECT_EQ(FirstBlankOrZeroBox(texts), "End V");
    texts.GridLines = "";
    EXPECT_EQ(FirstBlankOrZeroBox(texts), "# Grid Lines");
    texts = fixtures::StartupTexts();
    texts.Rk = "0";
    texts.BPlus = "0.0";
    EXPECT_EQ(FirstBlankOrZeroBox(texts), "B+");
}

} // namespace
} // namespace valvescope
