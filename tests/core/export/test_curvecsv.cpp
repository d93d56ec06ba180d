// The curve data read back: the model's numbers, the overlays only with their toggles, the point
// as decimal separator in any locale.
#include "core/export/curvecsv.h"
#include "core/export/familygrid.h"
#include "core/io/atomicfile.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <locale>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace valvescope;
using namespace valvescope::exports;

struct Row {
    std::string series;
    std::string vg; // as written: the load line leaves it empty
    double va = 0;
    double ip = 0;
};

// Splits RFC 4180 text into records of fields; every record must end in CRLF.
std::vector<std::vector<std::string>> ParseCsv(const std::string& text) {
    std::vector<std::vector<std::string>> records(1, std::vector<std::string>(1));
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        std::string& field = records.back().back();
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"')
                field += text[++i];
            else if (c == '"')
                quoted = false;
            else
                field += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            records.back().emplace_back();
        } else if (c == '\r') {
            EXPECT_EQ(text[i + 1], '\n');
            ++i;
            records.emplace_back(1);
        } else {
            EXPECT_NE(c, '\n') << "bare LF";
            field += c;
        }
    }
    EXPECT_EQ(records.back(), std::vector<std::string>(1)) << "no CRLF at the end";
    records.pop_back();
    return records;
}

double Number(const std::string& text) {
    std::size_t used = 0;
    const double value = std::stod(text, &used);
    EXPECT_EQ(used, text.size()) << text;
    return value;
}

std::vector<Row> Rows(const std::string& csv) {
    const auto records = ParseCsv(csv);
    EXPECT_EQ(records.at(0), (std::vector<std::string>{"Series", "Vg (V)", "Va (V)", "Ip (mA)"}));
    std::vector<Row> rows;
    for (std::size_t r = 1; r < records.size(); ++r) {
        const auto& f = records[r];
        EXPECT_EQ(f.size(), 4u);
        rows.push_back({f[0], f[1], Number(f[2]), Number(f[3])});
    }
    return rows;
}

PlotSettings Settings() {
    PlotSettings s;
    s.GridLineCount = 6;
    s.GridStep = 12.5;
    s.EndI = 150;
    s.EndV = 500;
    s.Ra = 4000;
    s.Rk = 590;
    s.BPlus = 350.5;
    return s;
}

TEST(CurveFamilyCsv, CurvesAreTheModelAtEveryWholeVolt) {
    const Tube tube = Builtin807();
    const std::vector<Row> rows = Rows(CurveFamilyCsv(tube, Settings(), {}));
    ASSERT_EQ(rows.size(), 7u * 501);
    std::map<std::string, int> perSeries;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        ++perSeries[row.series];
        const double vg = -12.5 * static_cast<double>(i / 501);
        EXPECT_EQ(Number(row.vg), vg);
        EXPECT_EQ(row.va, static_cast<double>(i % 501));
        const double model = tubemath::PlateCurrent(tube.Model.Seed, vg, row.va);
        EXPECT_EQ(row.ip, (model > 0 ? model : 0) * 1000) << vg << " " << row.va;
    }
    EXPECT_EQ(perSeries, (std::map<std::string, int>{{"curve", 3507}}));
    // Literal points: 807 at Vg = 0 V, Va = 250 V draws 201.0855 mA; at -50 V it is cut off
    // below 300.47 V.
    EXPECT_NEAR(rows[250].ip, 201.08553347027, 1e-9);
    EXPECT_EQ(rows[4 * 501 + 250].ip, 0);
}

TEST(CurveFamilyCsv, NegativeCurrentsShowAsZero) {
    // A negative perveance gives negative law currents, which the plot draws at 0.
    Tube tube = Builtin807();
    tube.Model.Seed.Perveance = -5.7e-05;
    for (const Row& row : Rows(CurveFamilyCsv(tube, Settings(), {})))
        EXPECT_EQ(row.ip, 0);
}

TEST(CurveFamilyCsv, OverlaysOnlyWithTheirToggles) {
    const Tube tube = Builtin807();
    const PlotSettings s = Settings();
    Overlays all;
    all.Imax = all.Wp = all.Vmax = true; // toggles with no series of their own
    std::map<std::string, int> counts;
    for (const Row& row : Rows(CurveFamilyCsv(tube, s, all)))
        ++counts[row.series];
    EXPECT_EQ(counts, (std::map<std::string, int>{{"curve", 3507}}));

    all.LoadLine = true;
    counts.clear();
    std::vector<Row> load;
    for (const Row& row : Rows(CurveFamilyCsv(tube, s, all))) {
        ++counts[row.series];
        if (row.series == "load")
            load.push_back(row);
    }
    EXPECT_EQ(counts, (std::map<std::string, int>{{"curve", 3507}, {"load", 351}}));
    EXPECT_EQ(load.front().vg, "");
    EXPECT_EQ(load.front().ip, 350.5 / 4000 * 1000);
    EXPECT_EQ(load.back().va, 350);
    EXPECT_EQ(load.back().ip, 0.5 / 4000 * 1000);

    all.Rk = true;
    counts.clear();
    std::vector<Row> bias;
    for (const Row& row : Rows(CurveFamilyCsv(tube, s, all))) {
        ++counts[row.series];
        if (row.series == "bias")
            bias.push_back(row);
    }
    ASSERT_GT(bias.size(), 100u);
    EXPECT_EQ(counts["load"], 351);
    // The bias line: each point's grid voltage is -Rk * I, and at its plate-to-cathode voltage
    // the space-charge law, k (mu Vg + Va)^n written out here with std::pow, gives I.
    const tubemath::TubeParams& t = tube.Model.Seed;
    for (const Row& row : bias) {
        const double amps = row.ip / 1000;
        const double vg = -590 * amps;
        EXPECT_NEAR(Number(row.vg), vg, 1e-12);
        EXPECT_GE(row.va, 0);
        EXPECT_LE(row.va, 500);
        const double k = t.Perveance / std::pow(10, -vg / t.GridDecade);
        const double mu = t.MuZero - std::pow(-vg, t.MuExponent);
        const double n = t.LawExponent - vg / t.ExponentSlope;
        const double law = k * std::pow(mu * vg + row.va - 590 * amps, n);
        EXPECT_NEAR(law, amps, 1e-12 + 1e-9 * amps) << row.ip;
        // Steps of 0.01 mA from 0.
        EXPECT_NEAR(row.ip * 100, std::round(row.ip * 100), 1e-6);
    }
    // From 0 in unbroken 0.01 mA steps until the plate voltage passes End V; the first grid
    // voltage, -Rk x 0, is written 0 and not -0.
    EXPECT_EQ(bias.front().ip, 0);
    EXPECT_EQ(bias.front().vg, "0");
    EXPECT_EQ(bias.size(), static_cast<std::size_t>(std::lround(bias.back().ip * 100)) + 1);
    EXPECT_GT(bias.back().va, 495);
    // With End V out of reach the steps go on to the top of the plot, End I.
    PlotSettings wide = s;
    wide.EndV = 100000;
    wide.GridLineCount = 0;
    std::vector<Row> full;
    for (const Row& row : Rows(CurveFamilyCsv(tube, wide, all)))
        if (row.series == "bias")
            full.push_back(row);
    EXPECT_EQ(full.size(), 15001u);
    EXPECT_EQ(full.back().ip, 150);
}

TEST(CurveFamilyCsv, RandomPointsAgreeWithTheModel) {
    std::mt19937 random(42);
    for (int trial = 0; trial < 20; ++trial) {
        PlotSettings s = Settings();
        s.GridLineCount = static_cast<std::int32_t>(random() % 12);
        s.GridStep = std::uniform_real_distribution<double>(0.1, 30)(random);
        s.EndV = static_cast<std::int32_t>(random() % 800);
        Tube tube = Builtin807();
        tube.Model.Seed.MuZero = std::uniform_real_distribution<double>(3, 100)(random);
        const std::vector<Row> rows = Rows(CurveFamilyCsv(tube, s, {}));
        ASSERT_EQ(rows.size(), static_cast<std::size_t>(s.GridLineCount + 1) * (s.EndV + 1));
        for (int n = 0; n < 50; ++n) {
            const Row& row = rows[random() % rows.size()];
            const double model = tubemath::PlateCurrent(tube.Model.Seed, Number(row.vg), row.va);
            EXPECT_EQ(row.ip, (model > 0 ? model : 0) * 1000);
        }
    }
}

TEST(CurveFamilyCsv, FaultsAndSizesAreReported) {
    PlotSettings s = Settings();
    s.GridLineCount = std::numeric_limits<std::int32_t>::min();
    EXPECT_THROW(CurveFamilyCsv(Builtin807(), s, {}), tubemath::ArithmeticError);
    s = Settings();
    s.EndV = std::numeric_limits<std::int32_t>::max();
    EXPECT_THROW(CurveFamilyCsv(Builtin807(), s, {}), ExportTooLargeError);
    s = Settings();
    s.Ra = 0;
    Overlays load;
    load.LoadLine = true;
    try {
        CurveFamilyCsv(Builtin807(), s, load);
        ADD_FAILURE() << "no fault";
    } catch (const tubemath::ArithmeticError& e) {
        EXPECT_STREQ(e.what(), tubemath::kDivisionByZeroMessage);
    }
    s = Settings();
    s.GridLineCount = -3; // no curves at all, as in the plot
    EXPECT_EQ(CurveFamilyCsv(Builtin807(), s, {}), "Series,Vg (V),Va (V),Ip (mA)\r\n");
    EXPECT_EQ(FamilyGridVoltages(Settings()),
              (std::vector<double>{0, -12.5, -25, -37.5, -50, -62.5, -75}));
}

TEST(CurveFamilyCsv, SeventeenDigitsWithAPointInAGermanLocale) {
    const std::string before = CurveFamilyCsv(Builtin807(), Settings(), {});
    EXPECT_NE(before.find("curve,-12.5,1,"), std::string::npos);
    // 17 significant digits, trailing zeros left off.
    EXPECT_NE(before.find("\r\ncurve,0,1,0.056810631229235881\r\n"), std::string::npos);
    EXPECT_NE(before.find("\r\ncurve,0,2,0.1584725361766906\r\n"), std::string::npos);
    const char* german = std::setlocale(LC_ALL, "de_DE.UTF-8");
    if (german == nullptr)
        GTEST_SKIP() << "de_DE.UTF-8 locale not installed";
    std::locale::global(std::locale("de_DE.UTF-8"));
    const std::string after = CurveFamilyCsv(Builtin807(), Settings(), {});
    std::locale::global(std::locale::classic());
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(after, before);
}

TEST(ExportCurveCsv, WritesTheFile) {
    const std::string path =
        (std::filesystem::temp_directory_path() / "valvescope-curves-test.csv").string();
    ExportCurveCsv(path, Builtin807(), Settings(), {});
    EXPECT_EQ(ReadWholeFile(path, 1 << 24), CurveFamilyCsv(Builtin807(), Settings(), {}));
    std::filesystem::remove(path);
    EXPECT_THROW(ExportCurveCsv("/nonexistent-folder/x.csv", Builtin807(), Settings(), {}),
                 FileError);
}

} // namespace
