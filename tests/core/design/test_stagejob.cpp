// The stage through a plot's session: the same intake as the plot's, the session's tube, and
// the marks in the operating point's layer.
#include "core/design/stagejob.h"
#include "core/session/plotjob.h"
#include "core/settings/numbertext.h"
#include "core/settings/settingsboxes.h"

#include <gtest/gtest.h>

namespace valvescope {
namespace {

using Layer = PlotSession::MarkLayer;

TEST(StageJob, TheIntakeStopsOrFailsAsThePlotsDoes) {
    PlotSession session;
    SettingsTexts texts = StartTexts();
    texts.BPlus = "";
    try {
        TakeAndDesign(session, texts, {});
        ADD_FAILURE() << "a blank B+ analysed";
    } catch (const BlankOrZeroSetting& error) {
        EXPECT_STREQ(error.what(), "B+ is blank or zero: no stage to analyse");
    }
    texts.BPlus = "4OO";
    EXPECT_THROW(TakeAndDesign(session, texts, {}), ConversionError);
    texts.BPlus = "350,5"; // a comma reads as a point, as in the boxes
    const StageAnalysis a = TakeAndDesign(session, texts, {});
    EXPECT_EQ(a.Input.BPlus, 350.5);
    EXPECT_EQ(session.Settings().BPlus, 350.5);
}

TEST(StageJob, TheSessionsTubeAndItsMarks) {
    PlotSession session;
    ASSERT_TRUE(session.TakeTexts(StartTexts()));
    const StageAnalysis builtin = ShowStage(session, {});
    EXPECT_EQ(session.Marks(Layer::OperatingPoint).Dots.size(), 3u);
    EXPECT_TRUE(session.Marks(Layer::Measurements).Empty());

    // A tube with half the 807's perveance draws less current at the same settings.
    Tube weaker = Builtin807();
    weaker.Name = "weaker";
    weaker.Model.Seed.Perveance /= 2;
    session.SetTube(weaker);
    const StageAnalysis a = ShowStage(session, {});
    EXPECT_EQ(a.TubeName, "weaker");
    EXPECT_LT(a.Quiescent.Ip, builtin.Quiescent.Ip);
    EXPECT_EQ(session.Marks(Layer::OperatingPoint).Dots.back().Ip, a.Quiescent.Ip);

    // No answer: the marks stay as they were.
    EXPECT_THROW(ShowStage(session, {LoadKind::Transformer, "", ""}), StageError);
    EXPECT_EQ(session.Marks(Layer::OperatingPoint).Dots.back().Ip, a.Quiescent.Ip);
}

} // namespace
} // namespace valvescope
