// Where runs of like curves start, and which label of a run shows.
#include "core/plot/labelboxes.h"
#include "core/plot/shortcuts/curveruns.h"
#include "core/plot/shortcuts/curvetrace.h"
#include "core/plot/shortcuts/densefamily.h"

#include "formats/formats.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace {

using valvescope::FirstShownRunLabel;
using valvescope::FlatCurvesFrom;

// The largest current a curve of grid voltage -g draws at whole plate voltages up to topVolt.
double LargestCurrent(const tubemath::TubeParams& tube, double g, int topVolt) {
    double largest = 0;
    for (int Va = 0; Va <= topVolt; ++Va) {
        largest = std::max(largest, tubemath::PlateCurrent(tube, -g, Va));
    }
    return largest;
}

TEST(FlatCurves, EveryCurvePastTheStartStaysUnderTheCurrent) {
    const tubemath::TubeParams tube;
    for (const auto& [topVolt, flatCurrent] :
         {std::pair{800, 2.2e-4}, std::pair{120, 1e-6}, std::pair{1200, 1e-3}, std::pair{0, 1e-9},
          std::pair{463, 1e-12}}) {
        SCOPED_TRACE(testing::Message() << "V " << topVolt << " I " << flatCurrent);
        const double from = FlatCurvesFrom(tube, topVolt, flatCurrent);
        ASSERT_TRUE(std::isfinite(from));
        for (double g = from; g < 5300; g += 0.37) {
            ASSERT_LE(LargestCurrent(tube, g, topVolt), flatCurrent) << "g " << g;
        }
        // Not far from where the first curve reaches the current.
        const double before = from * 0.97 - 1;
        if (before > 0) {
            EXPECT_GT(LargestCurrent(tube, before, topVolt), flatCurrent / 100) << before;
        }
    }
}

TEST(FlatCurves, NoStartWhereTheBoundCannotShowIt) {
    const tubemath::TubeParams tube;
    // Far enough up the plate axis every grid voltage short of the used-up one draws current.
    EXPECT_TRUE(std::isinf(FlatCurvesFrom(tube, 20000, 1e-4)));
    EXPECT_TRUE(std::isinf(FlatCurvesFrom(tube, 800, 0)));
    EXPECT_TRUE(std::isinf(FlatCurvesFrom(tube, NAN, 1e-4)));
    tubemath::TubeParams odd;
    odd.GridDecade = -31.1;
    EXPECT_TRUE(std::isinf(FlatCurvesFrom(odd, 800, 1e-4)));
}

// Sampled on a fine grid: the bound must never claim a rise where the model falls.
TEST(RisingCurrent, TheCurrentNeverFallsAsTheGridRisesWithinTheBound) {
    const tubemath::TubeParams tube;
    for (const double topVolt : {300.0, 800.0, 1500.0, 2000.0}) {
        const double upTo = valvescope::RisingCurrentUpTo(tube, topVolt);
        SCOPED_TRACE(testing::Message() << "V " << topVolt << " up to " << upTo);
        EXPECT_GT(upTo, 2000);
        for (double Va = 1; Va <= topVolt; Va += topVolt / 40) {
            double before = 0;
            for (double g = upTo; g >= 0; g -= 0.7) {
                const double I = tubemath::PlateCurrent(tube, -g, Va);
                ASSERT_GE(I, before) << "g " << g << " Va " << Va;
                before = I;
            }
        }
    }
    // Far up the plate axis the law exponent's growth wins near 0 V of grid.
    EXPECT_EQ(valvescope::RisingCurrentUpTo(tube, 3000), 0);
    EXPECT_GT(tubemath::PlateCurrent(tube, -1, 3000), tubemath::PlateCurrent(tube, 0, 3000));
}

TEST(CutOff, EveryGridInTheStretchIsCutOffAtThePlateVoltage) {
    const tubemath::TubeParams tube;
    for (const double topVolt : {100.0, 800.0, 2000.0, 3700.0}) {
        const valvescope::CutOffStretch stretch = valvescope::CutOffBetween(tube, topVolt);
        SCOPED_TRACE(testing::Message() << "V " << topVolt);
        ASSERT_LT(stretch.low, stretch.high);
        for (double g = stretch.low; g <= stretch.high; g += (stretch.high - stretch.low) / 5000) {
            ASSERT_EQ(tubemath::PlateCurrent(tube, -g, topVolt), 0) << g;
        }
        ASSERT_EQ(tubemath::PlateCurrent(tube, -stretch.high, topVolt), 0);
        // Just outside, current flows.
        EXPECT_GT(tubemath::PlateCurrent(tube, -stretch.low * 0.999, topVolt), 0);
        EXPECT_GT(tubemath::PlateCurrent(tube, -stretch.high * 1.001, topVolt), 0);
    }
    const valvescope::CutOffStretch none = valvescope::CutOffBetween(tube, 5000);
    EXPECT_GT(none.low, none.high);
}

TEST(FlatCurves, PastTheLawExponentLimitOnlyForPositiveGrids) {
    const tubemath::TubeParams tube;
    const double limit = tube.ExponentSlope * tube.LawExponent;
    EXPECT_TRUE(valvescope::PastLawExponentLimit(tube, std::nextafter(limit, 1e9)));
    EXPECT_FALSE(valvescope::PastLawExponentLimit(tube, limit - 1e-9));
    EXPECT_FALSE(valvescope::PastLawExponentLimit(tube, -1e6));
    EXPECT_EQ(tubemath::PlateCurrent(tube, limit + 1e-9, 1e6), 0);
}

// Label by label: the first label of the run that shows.
std::optional<std::int64_t>
FirstShownOneByOne(std::int64_t first, std::int64_t last,
                   const std::function<std::string(std::int64_t)>& labelOf,
                   const std::function<bool(const std::string&)>& shows) {
    for (std::int64_t k = first; k >= last; --k) {
        if (shows(labelOf(k))) {
            return k;
        }
    }
    return std::nullopt;
}

int DecadeOfValue(double v) {
    return v == 0 ? -1000 : static_cast<int>(std::floor(std::log10(std::fabs(v))));
}

TEST(RunLabels, TheFirstLabelThatShowsAsLabelByLabel) {
    // Widths in pixels up to which a label fits: none, "0", "-6", "-5.5", "-100", "-10.5".
    for (const std::int64_t room : {0, 7, 11, 21, 24, 27, 1000}) {
        const auto shows = [room](const std::string& text) {
            return valvescope::LabelWidth(text) <= room;
        };
        for (const double step : {1.0, 0.37, 0.5, 1e3, 1234.5, -0.01, 3e-73, 7e-6, 0.1, 12.5}) {
            for (const std::int64_t first : {0, -3, -150}) {
                const auto labelOf = [step](std::int64_t k) {
                    return formats::FormatValue(static_cast<double>(k) * step);
                };
                const auto decadeOf = [step](std::int64_t k) {
                    return DecadeOfValue(static_cast<double>(k) * step);
                };
                const std::int64_t last = first - 20000;
                SCOPED_TRACE(testing::Message()
                             << "room " << room << " step " << step << " from " << first);
                EXPECT_EQ(FirstShownRunLabel(first, last, labelOf, decadeOf, shows),
                          FirstShownOneByOne(first, last, labelOf, shows));
            }
        }
    }
}

TEST(RunLabels, LongRunsAreNotWalkedTextByText) {
    int calls = 0;
    const auto labelOf = [&calls](std::int64_t k) {
        ++calls;
        return formats::FormatValue(static_cast<double>(k) * 1000);
    };
    const auto decadeOf = [](std::int64_t k) {
        return DecadeOfValue(static_cast<double>(k) * 1000);
    };
    // Room for "-1 K" but not for "-10 K" nor any text of more digits, from -10 K on.
    const auto shows = [](const std::string& text) { return valvescope::LabelWidth(text) <= 22; };
    ASSERT_TRUE(shows("-1 K"));
    ASSERT_FALSE(shows("-10 K"));
    EXPECT_EQ(FirstShownRunLabel(-10, -2147483647, labelOf, decadeOf, shows), std::nullopt);
    EXPECT_LT(calls, 100000);
    // Nothing fits at all.
    calls = 0;
    const auto none = [](const std::string&) { return false; };
    EXPECT_EQ(FirstShownRunLabel(0, -2147483647, labelOf, decadeOf, none), std::nullopt);
    EXPECT_LT(calls, 100000);
}

TEST(RunLabels, TheDecimalsOfATextLeftOut) {
    EXPECT_EQ(valvescope::WithoutDecimals("-5.25"), "-5");
    EXPECT_EQ(valvescope::WithoutDecimals("-12.5 K"), "-12 K");
    EXPECT_EQ(valvescope::WithoutDecimals("1.5E-05"), "1E-05");
    EXPECT_EQ(valvescope::WithoutDecimals("-60"), "-60");
}

TEST(RunLabels, OneCurveRun) {
    const auto labelOf = [](std::int64_t k) { return std::to_string(k); };
    const auto decadeOf = [](std::int64_t) { return 0; };
    const auto all = [](const std::string&) { return true; };
    const auto none = [](const std::string&) { return false; };
    EXPECT_EQ(FirstShownRunLabel(-7, -7, labelOf, decadeOf, all), std::optional<std::int64_t>(-7));
    EXPECT_EQ(FirstShownRunLabel(-7, -7, labelOf, decadeOf, none), std::nullopt);
}

} // namespace

namespace {

using valvescope::CurveTracer;
using valvescope::PixelPoint;
using valvescope::TracedLine;

struct TracedCurves {
    std::vector<TracedLine> lines;
    CurveTracer tracer{[this](const TracedLine& line) { lines.push_back(line); }};

    void Curve(std::initializer_list<PixelPoint> points) {
        lines.clear();
        tracer.Begin({0, 100});
        for (const PixelPoint point : points) {
            tracer.LineTo(point);
        }
    }
};

TEST(CurveTracer, LinesTheCurveBeforeDrewAtTheSamePlaceAreLeftOut) {
    TracedCurves traced;
    traced.Curve({{0, 90}, {10, 80}, {20, 70}});
    EXPECT_EQ(traced.lines.size(), 3u);
    // The second line moved: it and the one after it (which starts elsewhere now) are drawn.
    traced.Curve({{0, 90}, {10, 81}, {20, 70}, {30, 60}});
    ASSERT_EQ(traced.lines.size(), 3u);
    EXPECT_EQ(traced.lines[0].to, (PixelPoint{10, 81}));
    EXPECT_FALSE(traced.lines[0].redrawn);
    EXPECT_EQ(traced.lines[2].to, (PixelPoint{30, 60}));
}

TEST(CurveTracer, LinesALabelMayHaveTouchedAreDrawnAgainNamingIt) {
    TracedCurves traced;
    traced.Curve({{0, 90}, {10, 20}, {300, 20}});
    traced.tracer.Written(200, 10, 3, 7); // touches the last line only
    traced.Curve({{0, 90}, {10, 20}, {300, 20}});
    ASSERT_EQ(traced.lines.size(), 1u);
    EXPECT_TRUE(traced.lines[0].redrawn);
    EXPECT_EQ(traced.lines[0].erasedBy, 7u);
    // Written over by two labels since it was drawn: neither alone accounts for it.
    traced.tracer.Written(200, 10, 3, 8);
    traced.tracer.Written(250, 10, 3, 9);
    traced.Curve({{0, 90}, {10, 20}, {300, 20}});
    ASSERT_EQ(traced.lines.size(), 1u);
    EXPECT_EQ(traced.lines[0].erasedBy, valvescope::kSeveralLabels);
}

} // namespace

namespace {

// A made-up family: rows that grow as k falls, at a rate that depends on the voltage, and
// curves that stop where the row passes a limit.
valvescope::FamilyPoint MadeUpPoint(std::int64_t k, std::int32_t v) {
    const std::int64_t row = 100 - v * 3 - (k + 500) * (v + 1) / 97;
    return {static_cast<std::int32_t>(row), row < 10};
}

TEST(FamilyMap, RowsAndStopsAsCurveByCurve) {
    const std::int64_t first = 0;
    const std::int64_t last = -500;
    const std::int32_t lastVolt = 40;
    int asked = 0;
    const valvescope::FamilyMap map =
        valvescope::MapFamily(first, last, lastVolt, [&](std::int64_t k, std::int32_t v) {
            ++asked;
            return MadeUpPoint(k, v);
        });
    std::vector<std::int32_t> rows = map.topRow;
    std::size_t applied = 0;
    for (std::int64_t k = first; k >= last; --k) {
        while (applied < map.changes.size() && map.changes[applied].after > k) {
            rows[static_cast<std::size_t>(map.changes[applied].volt)] = map.changes[applied].row;
            ++applied;
        }
        bool reached = true;
        for (std::int32_t v = 0; v <= lastVolt && reached; ++v) {
            const auto at = static_cast<std::size_t>(v);
            const valvescope::FamilyPoint point = MadeUpPoint(k, v);
            ASSERT_EQ(point.stops, map.stopsFrom[at] <= k) << k << " " << v;
            ASSERT_LE(k, map.highestReaching[at]);
            ASSERT_EQ(rows[at], point.row) << k << " " << v;
            reached = !point.stops;
        }
    }
    EXPECT_LT(asked, 501 * 41 / 2); // fewer than drawing the curves one by one
}

TEST(CurveTracer, RepeatDoesWhatDrawingTheCurveAgainDoes) {
    const auto curve = [](int shift, std::size_t count) {
        std::vector<PixelPoint> points;
        for (std::size_t i = 0; i < count; ++i) {
            const int x = static_cast<int>(i) * 3;
            points.push_back({x, 90 - x / 2 + (i == 7 || i == 12 ? shift : 0)});
        }
        return points;
    };
    const auto trace = [&](bool repeat) {
        std::vector<TracedLine> lines;
        CurveTracer tracer([&](const TracedLine& line) { lines.push_back(line); });
        const std::vector<PixelPoint> before = curve(0, 20);
        tracer.Begin({0, 100});
        for (const PixelPoint point : before) {
            tracer.LineTo(point);
        }
        tracer.Written(20, 40, 4, 1);
        lines.clear();
        const std::vector<PixelPoint> after = curve(2, 24);
        if (repeat) {
            tracer.Repeat(24, {7, 8, 12, 13, 20, 21, 22, 23}, [&](std::size_t i) {
                return std::pair{i == 0 ? PixelPoint{0, 100} : after[i - 1], after[i]};
            });
        } else {
            tracer.Begin({0, 100});
            for (const PixelPoint point : after) {
                tracer.LineTo(point);
            }
        }
        std::vector<std::pair<int, int>> ends;
        for (const TracedLine& line : lines) {
            ends.emplace_back(line.to.x, line.to.y);
        }
        std::sort(ends.begin(), ends.end());
        return ends;
    };
    const auto drawnAgain = trace(false);
    EXPECT_FALSE(drawnAgain.empty());
    EXPECT_EQ(trace(true), drawnAgain);
}

} // namespace
