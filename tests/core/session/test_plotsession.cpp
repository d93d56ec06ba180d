// The session the window and the command line share: intake, captions, redraw input, readouts.
#include "core/session/plotsession.h"
#include "core/settings/numbertext.h"
#include "tests/support/starttexts.h"

#include <gtest/gtest.h>

namespace valvescope {
namespace {

TEST(PlotSession, TakesTheTextsAndMakesTheCaptions) {
    PlotSession session;
    const std::optional<AxisCaptions> captions = session.TakeTexts(fixtures::StartupTexts());
    ASSERT_TRUE(captions.has_value());
    ASSERT_TRUE(captions->Voltage.has_value());
    EXPECT_EQ((*captions->Voltage)[0], "80 v");
    EXPECT_EQ((*captions->Voltage)[9], "800 v");
    ASSERT_TRUE(captions->Current.has_value());
    EXPECT_EQ(captions->Current->Captions[4], "200 mA");
    EXPECT_EQ(session.Settings().EndI, 200);
    EXPECT_EQ(session.Settings().EndV, 800);
    EXPECT_EQ(session.Settings().Rk, 590.0);
    const RedrawInput input = session.Redraw(Overlays{true, false, false, false, true}, 462, 224);
    EXPECT_EQ(input.width, 462);
    EXPECT_EQ(input.height, 224);
    EXPECT_TRUE(input.overlays.Imax);
    EXPECT_TRUE(input.overlays.LoadLine);
    EXPECT_EQ(input.settings.Ra, 3000.0);
}

// The operating point's layer lands over the measurements', every kind of mark with it.
TEST(PlotSession, TheRedrawTakesBothMarkLayers) {
    PlotSession session;
    PlotMarks measured;
    measured.Dots.push_back({100, 0.01});
    measured.Paths.push_back({{{0, 0}, {10, 0.01}}, kBlue, 1});
    session.SetMarks(PlotSession::MarkLayer::Measurements, measured);
    PlotMarks stage;
    stage.Paths.push_back({{{0, 0}, {20, 0.02}, {30, 0}}, kRed, 3});
    stage.Lines.push_back({0, 0, 1, 1});
    session.SetMarks(PlotSession::MarkLayer::OperatingPoint, stage);
    const RedrawInput input = session.Redraw({}, 462, 224);
    ASSERT_EQ(input.marks.Paths.size(), 2u);
    EXPECT_EQ(input.marks.Paths[0].colour, kBlue);
    EXPECT_EQ(input.marks.Paths[1].Points.size(), 3u);
    EXPECT_EQ(input.marks.Paths[1].width, 3);
    EXPECT_EQ(input.marks.Dots.size(), 1u);
    EXPECT_EQ(input.marks.Lines.size(), 1u);
}

TEST(PlotSession, BlankOrZeroLeavesTheSettingsAsTheyWere) {
    PlotSession session;
    ASSERT_TRUE(session.TakeTexts(fixtures::StartupTexts()));
    SettingsTexts texts = fixtures::StartupTexts();
    texts.EndV = "1600";
    texts.BPlus = "0";
    EXPECT_FALSE(session.TakeTexts(texts).has_value());
    EXPECT_EQ(session.Settings().EndV, 800);
}

TEST(PlotSession, TextThatDoesNotReadKeepsTheFieldsBeforeItNew) {
    PlotSession session;
    SettingsTexts texts = fixtures::StartupTexts();
    texts.EndI = "100";
    texts.EndV = "8OO";
    EXPECT_THROW(session.TakeTexts(texts), ConversionError);
    EXPECT_EQ(session.Settings().EndI, 100);
    EXPECT_EQ(session.Settings().EndV, 0);
}

TEST(PlotSession, ReadingsCarryRpOverAndFollowTheScale) {
    PlotSession session;
    ASSERT_TRUE(session.TakeTexts(fixtures::StartupTexts()));
    session.Drawn(PlotScale{800.0 / 462.0, 224.0 / 200.0});
    const std::optional<PointerReading> reading = session.ReadAt(224, 144, 168);
    ASSERT_TRUE(reading.has_value());
    EXPECT_EQ(reading->Text, " Vp=  249. v    Vg= -17.8 v    Ip= 50.0 ma    P= 12.5 w    "
                             "mu=  8.07    gm= 5.09 ma/v    rp= 1.58 k");
    EXPECT_EQ(reading->Vp, 249.0);
    EXPECT_NEAR(reading->Vg, -17.8, 0.01);
    EXPECT_DOUBLE_EQ(reading->Ip, 0.05);
    // Cut off at the left column: gm is zero and rp stays what it was.
    const std::optional<PointerReading> cutOff = session.ReadAt(224, 0, 168);
    ASSERT_TRUE(cutOff.has_value());
    EXPECT_EQ(cutOff->Values.Gm, 0.0);
    EXPECT_EQ(cutOff->Values.Rp, reading->Values.Rp);
    // Twice the volts per pixel: the same point reads twice the plate voltage.
    session.Drawn(PlotScale{1600.0 / 462.0, 224.0 / 200.0});
    EXPECT_EQ(session.ReadAt(224, 144, 168)->Text.substr(0, 12), " Vp=  499. v");
}

} // namespace
} // namespace valvescope
