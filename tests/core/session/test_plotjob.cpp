// The plot drawn without a window: the same intake and redraw as the window, the box named for a
// blank-or-zero text, and the status line after a run of pointer moves.
#include "core/session/plotjob.h"
#include "core/session/plotsession.h"

#include "core/plot/redraw.h"
#include "core/settings/numbertext.h"
#include "tests/support/starttexts.h"

#include <gtest/gtest.h>

#include <string>

namespace valvescope {
namespace {

PlotJob StartJob() {
    return {fixtures::StartupTexts(), Overlays{}, 462, 224};
}

std::string BlankOrZeroMessage(const PlotJob& job) {
    try {
        DrawPlotWithoutWindow(job);
    } catch (const BlankOrZeroSetting& error) {
        return error.what();
    }
    return "(drawn)";
}

TEST(DrawPlotWithoutWindow, DrawsWhatTheRedrawDrawsForTheStartSettings) {
    const DrawnPlot plot = DrawPlotWithoutWindow(StartJob());
    PlotSettings settings;
    ASSERT_TRUE(TakeSettings(fixtures::StartupTexts(), settings));
    PlotScale scale;
    DrawOps ops;
    RedrawPlot({tubemath::WiredModel{}, settings, TubeLimits{}, Overlays{}, 462, 224}, scale, ops);
    EXPECT_EQ(plot.Ops, ops);
    EXPECT_EQ(plot.Scale.VoltsPerPixel, 800.0 / 462.0);
    EXPECT_EQ(plot.Scale.PixelsPerMilliamp, 224.0 / 200.0);
    EXPECT_EQ(plot.Settings.EndI, 200);
    EXPECT_EQ(plot.Height, 224);
}

TEST(DrawPlotWithoutWindow, TurnsCommasIntoPointsAndDrawsTheOverlaysAsked) {
    PlotJob job = StartJob();
    job.Texts.Ra = "2,5e3";
    job.Texts.GridV = "7,5";
    job.Show.LoadLine = true;
    const DrawnPlot plot = DrawPlotWithoutWindow(job);
    EXPECT_EQ(plot.Settings.Ra, 2500.0);
    EXPECT_EQ(plot.Settings.GridStep, 7.5);
    EXPECT_NE(plot.Ops, DrawPlotWithoutWindow(StartJob()).Ops);
}

TEST(DrawPlotWithoutWindow, NamesTheFirstBlankOrZeroBox) {
    const std::pair<std::string SettingsTexts::*, std::string> cases[] = {
        {&SettingsTexts::GridLines, "# Grid Lines"},
        {&SettingsTexts::GridV, "Step V"},
        {&SettingsTexts::EndI, "End I"},
        {&SettingsTexts::EndV, "End V"},
        {&SettingsTexts::Ra, "Ra"},
        {&SettingsTexts::BPlus, "B+"}};
    for (const auto& [text, box] : cases) {
        PlotJob job = StartJob();
        job.Texts.*text = "0,0";
        EXPECT_EQ(BlankOrZeroMessage(job), box + " is blank or zero: nothing drawn");
    }
    PlotJob both = StartJob();
    both.Texts.Ra = "";
    both.Texts.EndV = "-";
    EXPECT_EQ(BlankOrZeroMessage(both), "End V is blank or zero: nothing drawn");
}

TEST(DrawPlotWithoutWindow, ZeroRkDrawsAndATextThatDoesNotReadRaises) {
    PlotJob job = StartJob();
    job.Texts.Rk = "0";
    EXPECT_EQ(DrawPlotWithoutWindow(job).Settings.Rk, 0.0);
    job.Texts.Rk = "-";
    EXPECT_THROW(DrawPlotWithoutWindow(job), ConversionError);
    job = StartJob();
    job.Texts.EndV = "8OO";
    EXPECT_THROW(DrawPlotWithoutWindow(job), ConversionError);
}

TEST(DrawPlotWithoutWindow, ArithmeticFaultsRaise) {
    PlotJob job = StartJob();
    job.Texts.EndV = "00";
    EXPECT_THROW(DrawPlotWithoutWindow(job), tubemath::ArithmeticError);
}

TEST(DrawPlotWithoutWindow, DrawsAndReadsForTheJobsTubeWithItsMarks) {
    PlotJob job = StartJob();
    job.Show.Imax = true;
    job.Tube.Model.Seed.MuZero = 12;
    job.Tube.Ratings.Imax = 0.05;
    job.MeasurementMarks.Dots.push_back({300, 0.05, 0x00FF00, 2});
    const DrawnPlot plot = DrawPlotWithoutWindow(job);
    PlotSettings settings;
    ASSERT_TRUE(TakeSettings(fixtures::StartupTexts(), settings));
    PlotScale scale;
    DrawOps ops;
    RedrawInput input{
        WiredAtItsScreen(job.Tube), settings, TubeLimits{50, 475, 25}, job.Show, 462, 224};
    input.marks = job.MeasurementMarks;
    RedrawPlot(input, scale, ops);
    EXPECT_EQ(plot.Ops, ops);
    EXPECT_EQ(plot.Tube.Model.Seed.MuZero, 12);
    EXPECT_EQ(plot.Limits.Imax, 50);
    EXPECT_EQ(plot.Ops.back().kind, DrawOpKind::Dot);
    EXPECT_NE(plot.Ops, DrawPlotWithoutWindow(StartJob()).Ops);
}

TEST(FirstBlankOrZeroBox, NoneWhenEveryBoxHasAValueAndRkIsNeverNamed) {
    EXPECT_FALSE(FirstBlankOrZeroBox(fixtures::StartupTexts()).has_value());
    SettingsTexts texts = fixtures::StartupTexts();
    texts.Rk = "0";
    EXPECT_FALSE(FirstBlankOrZeroBox(texts).has_value());
}

TEST(ReadoutSession, GivesTheStatusLineWithoutTheBar) {
    const DrawnPlot plot = DrawPlotWithoutWindow(StartJob());
    ReadoutSession session(plot);
    EXPECT_EQ(session.MoveTo(144, 168),
              " Vp=  249. v    Vg= -17.8 v    Ip= 50.0 ma    P= 12.5 w    "
              "mu=  8.07    gm= 5.09 ma/v    rp= 1.58 k");
}

TEST(ReadoutSession, CarriesRpOverFromTheMoveBefore) {
    const DrawnPlot plot = DrawPlotWithoutWindow(StartJob());
    ReadoutSession fresh(plot);
    EXPECT_NE(fresh.MoveTo(0, 168).find("rp= 0.00 ohm"), std::string::npos);
    ReadoutSession session(plot);
    session.MoveTo(144, 168);
    EXPECT_NE(session.MoveTo(0, 168).find("rp= 1.58 k"), std::string::npos);
}

TEST(ReadoutSession, ADivisionByZeroLeavesTheStatusLineAsItWas) {
    DrawnPlot plot = DrawPlotWithoutWindow(StartJob());
    const tubemath::TubeParams tube = plot.Tube.Model.Seed;
    ReadoutSession session(plot);
    plot.Tube.Model.Seed.ExponentSlope = 0;
    EXPECT_EQ(session.MoveTo(144, 168), "");
    plot.Tube.Model.Seed = tube;
    const std::string shown = session.MoveTo(144, 168);
    ASSERT_FALSE(shown.empty());
    plot.Tube.Model.Seed.ExponentSlope = 0;
    EXPECT_EQ(session.MoveTo(200, 100), shown);
}

} // namespace
} // namespace valvescope

// The session draws and reads for the tube it is given, and the limit overlays follow the
// tube's ratings; the built-in 807's ratings are the limits it starts with.
TEST(PlotSessionTube, RatingsBecomeTheLimitsAndTheTubeIsDrawn) {
    valvescope::PlotSession session;
    EXPECT_EQ(session.CurrentTube().Name, "807");
    EXPECT_EQ(session.Limits().Imax, 120.0);
    EXPECT_EQ(session.Limits().Vmax, 475.0);
    EXPECT_EQ(session.Limits().Wp, 25.0);

    valvescope::Tube other = valvescope::Builtin807();
    other.Name = "Twice the perveance";
    other.Model.Seed.Perveance = 2 * 5.7e-05;
    other.Ratings = {0.25, 600, 40, std::nullopt};
    session.SetTube(other);
    EXPECT_EQ(session.Limits().Imax, 250.0);
    EXPECT_EQ(session.Limits().Vmax, 600.0);
    EXPECT_EQ(session.Limits().Wp, 40.0);
    EXPECT_EQ(session.Redraw({}, 462, 224).tube.Model.Seed.Perveance, 2 * 5.7e-05);
    EXPECT_EQ(session.Redraw({}, 462, 224).limits.Imax, 250.0);
}
