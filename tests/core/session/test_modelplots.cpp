// The plot of tubes other than the 807, through the session: the curves, the bias line and the
// model curves over the plot at the currents the published laws give, with the screen wired.
#include "core/plot/redraw.h"
#include "core/session/plotsession.h"
#include "core/tube/library.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace valvescope {
namespace {

// One volt per pixel column; `pixelsPerMilliamp` rows per milliamp.
struct Plot {
    DrawOps ops;
    std::int32_t height = 0;
    double pixelsPerMilliamp = 0;
};

Plot DrawSession(PlotSession& session, const std::string& endI, const std::string& step,
                 std::int32_t lines, Overlays show, std::int32_t height) {
    SettingsTexts texts;
    texts.GridLines = std::to_string(lines);
    texts.GridV = step;
    texts.EndI = endI;
    texts.EndV = "400";
    texts.Ra = "3000";
    texts.Rk = "100";
    texts.BPlus = "350";
    EXPECT_TRUE(session.TakeTexts(texts).has_value());
    Plot plot;
    plot.height = height;
    PlotScale scale;
    RedrawPlot(session.Redraw(show, 400, height), scale, plot.ops);
    plot.pixelsPerMilliamp = scale.PixelsPerMilliamp;
    return plot;
}

// The line-tos of the curve family's curve `index` (0 for 0 V of grid), each curve starting at
// its label font.
std::vector<DrawOp> CurveLines(const DrawOps& ops, std::size_t index) {
    std::vector<std::vector<DrawOp>> curves;
    for (const DrawOp& op : ops) {
        if (op.kind == DrawOpKind::Font) {
            curves.emplace_back();
        } else if (!curves.empty() && op.kind == DrawOpKind::LineTo) {
            curves.back().push_back(op);
        }
    }
    return index < curves.size() ? curves[index] : std::vector<DrawOp>{};
}

// The row of a line-to at plate voltage `volts` (one volt a column, from 0 V) read back in mA.
double MilliampsAt(const Plot& plot, const std::vector<DrawOp>& lines, std::size_t volts) {
    EXPECT_LT(volts, lines.size());
    if (volts >= lines.size()) {
        return -1;
    }
    EXPECT_EQ(lines[volts].x, static_cast<std::int32_t>(volts));
    return (plot.height - lines[volts].y) / plot.pixelsPerMilliamp;
}

// Currents from Koren's published laws, worked out by hand (Python, double precision): the
// EL34's constants 11, 1.35, 650, 4200, 60, 24 and the 12AX7's 100, 1.4, 1060, 600, 300.
TEST(ModelPlots, CurvesPassThroughThePublishedCurrentsWithTheScreenAsWired) {
    PlotSession session;
    session.SetTube(TubeOf(*FindLibraryTube("EL34")));
    ASSERT_EQ(session.Screen(), (tubemath::ScreenWiring{250, false}));
    // 4 rows a milliamp: half a row is an eighth of a milliamp.
    const double halfRow = 0.125 + 1e-9;
    session.SetScreen({300, false});
    Plot plot = DrawSession(session, "100", "10", 2, {}, 400);
    // Vg = -20 V, Va = 200 V, screen at 300 V: 78.0196 mA (33.72 mA at the tube's own 250 V).
    EXPECT_NEAR(MilliampsAt(plot, CurveLines(plot.ops, 2), 200), 78.019588512, halfRow);
    session.SetScreen({0, true});
    plot = DrawSession(session, "100", "10", 2, {}, 400);
    // Triode-connected, Vg = -20 V, Va = Vs = 250 V: Ia + Is = 35.1980 mA.
    EXPECT_NEAR(MilliampsAt(plot, CurveLines(plot.ops, 2), 250), 35.198020424, halfRow);

    session.SetTube(TubeOf(*FindLibraryTube("12AX7")));
    plot = DrawSession(session, "5", "1", 2, {}, 500);
    // 100 rows a milliamp. Vg = -2 V, Va = 300 V: 2.06447 mA.
    EXPECT_NEAR(MilliampsAt(plot, CurveLines(plot.ops, 2), 300), 2.0644710936, 0.005 + 1e-9);
}

// The Rk bias line of a model other than the seed at Va = 300 V: with Rk = 100 ohm the EL34 at
// 250 V of screen is biased where Ia(-100 I, 300 - 100 I) = I, at 118.7254 mA (solved by hand by
// halving).
TEST(ModelPlots, BiasLineIsWhereTheCathodeResistorBiasesTheModel) {
    PlotSession session;
    session.SetTube(TubeOf(*FindLibraryTube("EL34")));
    Overlays rk;
    rk.Rk = true;
    const Plot plot = DrawSession(session, "200", "10", 1, rk, 400);
    // The bias line is the maroon pen's first lines, from 0 V up one volt a column.
    std::vector<DrawOp> bias;
    bool maroon = false;
    for (const DrawOp& op : plot.ops) {
        if (op.kind == DrawOpKind::PenColour) {
            maroon = op.colour == kMaroon;
        } else if (maroon && op.kind == DrawOpKind::LineTo) {
            bias.push_back(op);
        }
    }
    ASSERT_EQ(bias.size(), 401u);
    // 2 rows a milliamp.
    EXPECT_NEAR(MilliampsAt(plot, bias, 300), 118.725447276, 0.25 + 1e-9);
}

// The marks' model curves are the wired model's too.
TEST(ModelPlots, MarkCurvesFollowTheWiredModel) {
    PlotSession session;
    session.SetTube(TubeOf(*FindLibraryTube("EL34")));
    session.SetScreen({300, false});
    PlotMarks marks;
    marks.Curves.push_back({-20, 0x00FF00});
    session.SetMarks(PlotSession::MarkLayer::Measurements, marks);
    const Plot plot = DrawSession(session, "100", "10", 1, {}, 400);
    std::vector<DrawOp> green;
    bool inGreen = false;
    for (const DrawOp& op : plot.ops) {
        if (op.kind == DrawOpKind::PenColour) {
            inGreen = op.colour == 0x00FF00;
        } else if (inGreen && (op.kind == DrawOpKind::LineTo || op.kind == DrawOpKind::MoveTo)) {
            green.push_back(op);
        }
    }
    EXPECT_NEAR(MilliampsAt(plot, green, 200), 78.019588512, 0.125 + 1e-9);
}

} // namespace
} // namespace valvescope
