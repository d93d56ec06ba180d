// Extreme settings, typed into the boxes, through the intake and the redraw: every redraw ends
// with a picture, a blank plot or the error the user is shown, and none of them takes long.
#include "core/plot/redraw.h"
#include "core/readout/readout.h"
#include "core/settings/intake.h"
#include "core/settings/numbertext.h"
#include "tests/support/starttexts.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

using valvescope::DrawOpKind;
using valvescope::DrawOps;
using valvescope::PlotScale;
using valvescope::RedrawInput;
using valvescope::SettingsTexts;

SettingsTexts Defaults() {
    return valvescope::fixtures::StartupTexts();
}

struct Result {
    bool accepted = false;
    std::optional<std::string> error;
    DrawOps ops;
};

Result TypeAndRedraw(const SettingsTexts& texts, std::int32_t width = 462,
                     std::int32_t height = 224) {
    Result result;
    RedrawInput in;
    try {
        result.accepted = valvescope::TakeSettings(texts, in.settings);
    } catch (const valvescope::ConversionError& error) {
        result.error = error.what();
        return result;
    }
    if (!result.accepted) {
        return result;
    }
    in.overlays = valvescope::Overlays{true, true, true, true, true};
    in.width = width;
    in.height = height;
    PlotScale scale;
    try {
        valvescope::RedrawPlot(in, scale, result.ops);
    } catch (const tubemath::ArithmeticError& error) {
        result.error = error.what();
    }
    return result;
}

int CountOf(const DrawOps& ops, DrawOpKind kind) {
    int count = 0;
    for (const auto& op : ops) {
        count += op.kind == kind ? 1 : 0;
    }
    return count;
}

struct Case {
    const char* name;
    SettingsTexts texts;
    std::optional<std::string> error; // nothing: a whole picture
};

SettingsTexts With(std::string SettingsTexts::*field, std::string text) {
    SettingsTexts texts = Defaults();
    texts.*field = std::move(text);
    return texts;
}

TEST(Extremes, EachRedrawEndsWithAPictureOrTheErrorAsWritten) {
    const std::string divZero = "Floating point division by zero";
    const std::string invalid = "Invalid floating point operation";
    const std::string overflow = "Floating point overflow";
    const Case cases[] = {
        {"End V largest", With(&SettingsTexts::EndV, "2147483647"), {}},
        {"End V lowest", With(&SettingsTexts::EndV, "-2147483648"), {}},
        {"End V past the range", With(&SettingsTexts::EndV, "2147483648"),
         "'2147483648' is not a valid integer value"},
        {"End I largest", With(&SettingsTexts::EndI, "2147483647"), {}},
        {"End I lowest", With(&SettingsTexts::EndI, "-2147483648"), {}},
        {"Grid Lines largest", With(&SettingsTexts::GridLines, "2147483647"), {}},
        {"Grid Lines lowest", With(&SettingsTexts::GridLines, "-2147483648"), "Integer overflow"},
        {"Step V huge", With(&SettingsTexts::GridV, "1e300"), {}},
        {"Step V huge negative", With(&SettingsTexts::GridV, "-1e300"), {}},
        {"Step V tiny", With(&SettingsTexts::GridV, "1e-300"), {}},
        {"Ra tiny", With(&SettingsTexts::Ra, "1e-300"), {}},
        {"Ra huge", With(&SettingsTexts::Ra, "1e300"), {}},
        {"Rk tiny", With(&SettingsTexts::Rk, "1e-300"), {}},
        {"Rk huge", With(&SettingsTexts::Rk, "1e300"), overflow},
        // The load line's upper end lies beyond any whole number of pixels.
        {"B+ huge negative", With(&SettingsTexts::BPlus, "-1e300"), invalid},
        {"End V zero written twice", With(&SettingsTexts::EndV, "00"), divZero},
        {"End I zero written twice", With(&SettingsTexts::EndI, "00"), divZero},
        {"Ra zero in eight places", With(&SettingsTexts::Ra, "0.0000000"), divZero},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Result result = TypeAndRedraw(c.texts);
        EXPECT_EQ(result.error, c.error);
        if (!result.error && result.accepted) {
            EXPECT_EQ(result.ops.front().kind, DrawOpKind::Blank);
            // The curve family is drawn (it sets the label font), though at these far ends its
            // labels may all lie past an edge and be left out.
            EXPECT_GE(CountOf(result.ops, DrawOpKind::Font), 1);
        }
    }
}

// Every combination draws a whole picture of the surface's size, except the one where the bias
// line runs out of range, which stops with the overflow's message. Rk moves only the bias line:
// the labels are the same for every Rk. Most of these plots put every label past an edge (left of
// the first column, or below the bottom row at the right edge), where it is left out.
TEST(Extremes, EveryCombinationOfFarEndsFinishes) {
    struct Ends {
        const char* endV;
        const char* endI;
        int labels;
    };
    const Ends ends[] = {
        {"2147483647", "2147483647", 1},
        {"2147483647", "-2147483648", 0},
        {"2147483647", "1", 0},
        {"-2147483648", "2147483647", 0},
        {"-2147483648", "-2147483648", 0},
        {"-2147483648", "1", 0},
        {"1", "2147483647", 0},
        {"1", "-2147483648", 0},
        {"1", "1", 1},
    };
    for (const Ends& end : ends) {
        for (const char* rk : {"1e-300", "-1", "4990", "-1e300"}) {
            SettingsTexts texts = Defaults();
            texts.EndV = end.endV;
            texts.EndI = end.endI;
            texts.Rk = rk;
            texts.GridLines = "2147483647";
            SCOPED_TRACE(testing::Message() << end.endV << " " << end.endI << " " << rk);
            const Result result = TypeAndRedraw(texts);
            EXPECT_TRUE(result.accepted);
            ASSERT_FALSE(result.ops.empty());
            EXPECT_EQ(result.ops.front().kind, DrawOpKind::Blank);
            EXPECT_EQ(result.ops.front().x, 462);
            EXPECT_EQ(result.ops.front().y, 224);
            EXPECT_LT(result.ops.size(), 200000u);
            if (std::string(end.endV) == "2147483647" && std::string(end.endI) == "2147483647" &&
                std::string(rk) == "4990") {
                EXPECT_EQ(result.error, "Floating point overflow");
                continue;
            }
            EXPECT_EQ(result.error, std::nullopt);
            EXPECT_EQ(CountOf(result.ops, DrawOpKind::Text), end.labels);
        }
    }
}

TEST(Extremes, SurfacesFromOnePixelToLarge) {
    for (const auto& [width, height] : {std::pair{1, 1}, std::pair{4000, 3000}}) {
        SCOPED_TRACE(width);
        SettingsTexts texts = Defaults();
        texts.EndV = "2147483647";
        texts.GridLines = "2147483647";
        const Result result = TypeAndRedraw(texts, width, height);
        EXPECT_FALSE(result.error.has_value());
        EXPECT_EQ(result.ops.front().x, width);
        EXPECT_EQ(result.ops.front().y, height);
    }
    // No surface at all: the scale cannot be formed.
    EXPECT_EQ(TypeAndRedraw(Defaults(), 0, 224).error, "Floating point division by zero");
}

// The pointer at 231, 100 on a 224-pixel surface: the plate voltage, current and power follow
// from the scale alone, whatever the grid search gives; on the usual scale, where the search
// finds its grid voltage, the whole line is known.
TEST(Extremes, ReadoutOverExtremeScalesEnds) {
    const tubemath::TubeParams tube;
    const PlotScale farthest{2147483647.0 / 462, 224.0 / 2147483647};
    const PlotScale usual{800.0 / 462, 224.0 / 200};
    for (const double rk : {1e300, -1e300, 1e-300, -590.0}) {
        SCOPED_TRACE(rk);
        valvescope::Readout readout;
        const auto far = valvescope::PointerReadout(tube, rk, farthest, 224, 231, 100, readout);
        ASSERT_TRUE(far.has_value());
        EXPECT_EQ(far->rfind(" Vp=  1073742 kv    Vg= ", 0), 0u) << *far;
        EXPECT_NE(far->find("    Ip= 1188.79 kA    P= 1276448807483.1 kw    mu= "),
                  std::string::npos)
            << *far;
        const auto near = valvescope::PointerReadout(tube, rk, usual, 224, 231, 100, readout);
        ASSERT_TRUE(near.has_value());
        EXPECT_EQ(near->rfind(" Vp=  400. v    Vg= ", 0), 0u) << *near;
        EXPECT_NE(near->find("    Ip= 111. ma    P= 44.3 w    mu= "), std::string::npos) << *near;
        if (rk == 1e-300 || rk == -590.0) {
            EXPECT_EQ(*near, " Vp=  400. v    Vg= -26.0 v    Ip= 111. ma    P= 44.3 w    mu=  "
                             "8.39    gm= 6.94 ma/v    rp= 1.21 k");
        }
    }
}

} // namespace
