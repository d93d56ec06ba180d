// The picture's margins and the printed page, laid out with a stand-in for the painter's fonts:
// 6 pixels a character, lines 3 pixels taller than the point size.
#include "core/page/picturemargins.h"
#include "core/page/printedpage.h"
#include "core/page/settingstext.h"
#include "core/settings/settingsboxes.h"

#include <gtest/gtest.h>

namespace {

using namespace valvescope;
using namespace valvescope::page;

TextExtent SixPixelsACharacter(const std::string& text, const std::string&, int pointSize) {
    std::int32_t characters = 0;
    for (const char c : text)
        characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    return {6 * characters, pointSize + 3};
}

const TextMeasure kMeasure = SixPixelsACharacter;

} // namespace

namespace valvescope {
// Operations as the failure messages show them.
void PrintTo(const DrawOp& op, std::ostream* out) {
    *out << "{kind " << static_cast<int>(op.kind) << ", " << op.x << ", " << op.y << ", colour "
         << op.colour << ", size " << op.size << ", \"" << op.text << "\"}";
}
} // namespace valvescope

namespace {

DrawOp Text(std::int32_t x, std::int32_t y, std::string text) {
    return {DrawOpKind::Text, x, y, 0, 0, std::move(text)};
}

AxisCaptions StartCaptions() {
    return {VoltageCaptions("800"), CurrentCaptions("200")};
}

TEST(FramePicture, LabelsSitWhereTheWindowPutsThemAndTheCaptionWraps) {
    const FramedPicture p =
        FramePicture({StartCaptions(), CaptionItems("807", StartTexts())}, 462, 224, kMeasure);
    // "200 mA" (36 pixels) ends 3 pixels left of the surface, 6 from the picture's edge.
    EXPECT_EQ(p.SurfaceLeft, 45);
    EXPECT_EQ(p.SurfaceTop, 6);
    // "800 v" starts 13 pixels inside the surface's right edge and ends at 479.
    EXPECT_EQ(p.Width, 45 + 479 + 6);
    EXPECT_EQ(p.Height, 276);
    EXPECT_EQ(p.SurfaceWidth, 462);
    EXPECT_EQ(p.SurfaceHeight, 224);
    const DrawOps expected = {
        {DrawOpKind::Font, 0, 0, kNavy, 7, "Arial"},
        Text(12, 181, "40 mA"), // box top 224 * 4/5 - 6, the text centred in 12 pixels
        Text(12, 136, "80 mA"),
        Text(6, 91, "120 mA"),
        Text(6, 46, "160 mA"),
        Text(6, 6, "200 mA"), // one pixel above the surface's top
        Text(38, 234, "0"),
        Text(79, 234, "80 v"), // centred on the first tenth, 46 pixels in
        Text(122, 234, "160 v"),
        Text(168, 234, "240 v"),
        Text(214, 234, "320 v"),
        Text(260, 234, "400 v"),
        Text(306, 234, "480 v"),
        Text(352, 234, "560 v"),
        Text(398, 234, "640 v"),
        Text(444, 234, "720 v"),
        Text(494, 234, "800 v"),
        {DrawOpKind::Font, 0, 0, kBlack, 8, "Arial"},
        // 518 pixels take 86 characters: B+ goes to the next line.
        Text(6, 248,
             "807 \u00B7 End I 200 mA \u00B7 Step V 10 V \u00B7 # Grid Lines 10 \u00B7 End V "
             "800 V \u00B7 Ra 3000 \u03A9"),
        Text(6, 259, "B+ 400 V \u00B7 Rk 590 \u03A9"),
    };
    EXPECT_EQ(p.Margins, expected);
}

TEST(FramePicture, WithoutCaptionsOnlyTheZeroAndAWideItemWidensThePicture) {
    const FramedPicture bare = FramePicture({}, 40, 30, kMeasure);
    EXPECT_EQ(bare.Margins,
              (DrawOps{{DrawOpKind::Font, 0, 0, kNavy, 7, "Arial"}, Text(6, 40, "0")}));
    EXPECT_EQ(bare.SurfaceLeft, 13);
    EXPECT_EQ(bare.Width, 13 + 40 + 6);
    EXPECT_EQ(bare.Height, 6 + 44 + 6);

    const std::string name(30, 'x'); // 180 pixels, wider than the 59-pixel picture
    const FramedPicture wide = FramePicture({{}, {name, "End I 1 mA"}}, 40, 30, kMeasure);
    EXPECT_EQ(wide.Width, 180 + 12);
    EXPECT_EQ(wide.SurfaceLeft, 13); // the plot stays where it was
    EXPECT_EQ(wide.Margins.back(), Text(6, 54 + 11, "End I 1 mA"));
    EXPECT_EQ(wide.Height, 54 + 22 + 6);
}

TEST(WrapItems, FillsLinesWithoutBreakingAnItem) {
    const std::vector<std::string> items = {"ab", "cd", "ef"};
    EXPECT_EQ(WrapItems(items, 42, kMeasure, "Arial", 8),
              (std::vector<std::string>{"ab \u00B7 cd", "ef"}));
    EXPECT_EQ(WrapItems(items, 41, kMeasure, "Arial", 8),
              (std::vector<std::string>{"ab", "cd", "ef"}));
    EXPECT_EQ(WrapItems(items, 0, kMeasure, "Arial", 8).size(), 3u);
    EXPECT_EQ(WrapItems(items, 1000, kMeasure, "Arial", 8),
              (std::vector<std::string>{"ab \u00B7 cd \u00B7 ef"}));
    EXPECT_TRUE(WrapItems({}, 100, kMeasure, "Arial", 8).empty());
}

TEST(SettingRows, CaptionsInTheWindowsOrderWithUnits) {
    SettingsTexts texts = StartTexts();
    texts.EndI = " 150 ";
    texts.GridV = "2.5";
    const std::vector<SettingRow> rows = SettingRows(texts);
    ASSERT_EQ(rows.size(), 7u);
    const char* expected[][2] = {{"End I", "150 mA"}, {"Step V", "2.5 V"},   {"# Grid Lines", "10"},
                                 {"End V", "800 V"},  {"Ra", "3000 \u03A9"}, {"B+", "400 V"},
                                 {"Rk", "590 \u03A9"}};
    for (std::size_t k = 0; k < rows.size(); ++k) {
        EXPECT_EQ(rows[k].Caption, expected[k][0]);
        EXPECT_EQ(rows[k].Value, expected[k][1]);
    }
    const std::vector<std::string> items = CaptionItems("EL34 (Mullard)", texts);
    EXPECT_EQ(items.front(), "EL34 (Mullard)");
    EXPECT_EQ(items[3], "# Grid Lines 10");
    // A screen-grid tube's picture says how its screen was wired; the 807's says nothing more.
    tubemath::WiredModel pentode;
    pentode.Model.Kind = tubemath::ModelKind::KorenPentode;
    pentode.Screen.Volts = 249.25;
    const std::vector<std::string> held = CaptionItems("EL34", pentode, texts);
    ASSERT_EQ(held.size(), 9u);
    EXPECT_EQ(held[1], "Screen 249.25 V");
    pentode.Screen.TriodeConnected = true;
    EXPECT_EQ(CaptionItems("EL34", pentode, texts)[1], "Triode-connected");
    EXPECT_EQ(CaptionItems("807", tubemath::WiredModel{}, texts), CaptionItems("807", texts));
}

PageContent StartPage() {
    PageContent content;
    content.TubeName = "807";
    content.Settings = SettingRows(StartTexts());
    content.PictureWidth = 530;
    content.PictureHeight = 276;
    return content;
}

TEST(LayOutPage, TitlePictureAndSettingsDownTheA4Page) {
    const PageLayout layout = LayOutPage(StartPage(), kMeasure);
    // The picture fills the 650 pixels between the margins; half the height would allow more.
    EXPECT_DOUBLE_EQ(layout.PictureScale, 650.0 / 530.0);
    EXPECT_NEAR(layout.PictureLeft, 72, 1e-9);
    EXPECT_EQ(layout.PictureTop, 72 + 19 + 16);
    const DrawOps& ops = layout.Texts;
    ASSERT_EQ(ops.size(), 2u + 3u + 2u * 8u); // a heading sets its font and the rows'
    EXPECT_EQ(ops[1], Text(72, 72, "Plate characteristics of the 807"));
    EXPECT_EQ(ops[0], (DrawOp{DrawOpKind::Font, 0, 0, kBlack, 16, "Arial"}));
    // Under the picture (276 * 650/530 = 338.5 pixels, rounded up) and a 28-pixel gap.
    EXPECT_EQ(ops[3], Text(72, 107 + 339 + 28, "Settings"));
    // Values line up 24 pixels past the widest caption, "# Grid Lines".
    EXPECT_EQ(ops[5], Text(72, 495, "Tube"));
    EXPECT_EQ(ops[6], Text(168, 495, "807"));
    EXPECT_EQ(ops[8], Text(168, 508, "200 mA"));
    EXPECT_EQ(ops.back(), Text(168, 495 + 7 * 13, "590 \u03A9"));
}

TEST(LayOutPage, TallPictureIsScaledToHalfThePageAndSummaryIsCutAtTheMargin) {
    PageContent content = StartPage();
    content.PictureWidth = 100;
    content.PictureHeight = 979; // twice the half height: scale 0.5
    std::string summary;
    for (int k = 0; k < 100; ++k)
        summary += "line " + std::to_string(k) + "\r\n";
    content.Summary = summary;
    const PageLayout layout = LayOutPage(content, kMeasure);
    EXPECT_DOUBLE_EQ(layout.PictureScale, 0.5);
    EXPECT_DOUBLE_EQ(layout.PictureLeft, 72 + (650 - 50) / 2.0);
    const DrawOps& ops = layout.Texts;
    // Summary heading 20 pixels under the last setting (at 107 + 490 + 28 + 21 + 7 * 13).
    const std::int32_t heading = 107 + 490 + 28 + 21 + 8 * 13 + 20;
    const auto at = std::find(ops.begin(), ops.end(), Text(72, heading, "Operating point"));
    ASSERT_NE(at, ops.end());
    EXPECT_EQ(*(at + 2), Text(72, heading + 21, "line 0"));
    // Each line leaves room for one more above the bottom margin at 1051, or for "…".
    const std::int32_t lastY = ops.back().y;
    EXPECT_EQ(ops.back().text, "\u2026");
    EXPECT_LE(lastY + 13, 1051);
    EXPECT_GT(lastY + 26, 1051);
    EXPECT_EQ((ops.end() - 2)->text, "line " + std::to_string((lastY - heading - 21) / 13 - 1));
}

TEST(LayOutPage, ALastLineThatFitsNeedsNoEllipsis) {
    PageContent content = StartPage();
    content.Summary = "Ia = 50 mA\nVa = 300 V";
    const DrawOps ops = LayOutPage(content, kMeasure).Texts;
    EXPECT_EQ(ops.back().text, "Va = 300 V");
    EXPECT_EQ((ops.end() - 2)->text, "Ia = 50 mA");
    EXPECT_EQ(ops.back().y, (ops.end() - 2)->y + 13);
}

TEST(LayOutPage, SmallPlotsSitSideBySideUnderTheSummaryWhileThereIsRoom) {
    PageContent content = StartPage();
    content.Summary = "Ia = 50 mA\nVa = 300 V";
    content.Figures = 2;
    const PageLayout layout = LayOutPage(content, kMeasure);
    ASSERT_EQ(layout.Figures.size(), 2u);
    // (650 - 16) / 2 = 317 wide, 190 high, 16 pixels under the summary's last line.
    const std::int32_t top = layout.Texts.back().y + 13 + 16;
    EXPECT_EQ(layout.Figures[0].Left, 72);
    EXPECT_EQ(layout.Figures[1].Left, 72 + 317 + 16);
    for (const FigureBox& box : layout.Figures) {
        EXPECT_EQ(box.Top, top);
        EXPECT_EQ(box.Width, 317);
        EXPECT_EQ(box.Height, 190);
    }
    // A summary that fills the page leaves them out, as does one without plots to place.
    std::string longer;
    for (int k = 0; k < 40; ++k)
        longer += "line\n";
    content.Summary = longer;
    EXPECT_TRUE(LayOutPage(content, kMeasure).Figures.empty());
    content.Summary.reset();
    EXPECT_TRUE(LayOutPage(content, kMeasure).Figures.empty());
}

} // namespace
