// The exported subcircuit and decks run in ngspice: every simulated plate current is the model's.
#include "core/export/spice.h"
#include "core/export/spicedeck.h"
#include "core/io/atomicfile.h"
#include "tests/support/ngspice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <numbers>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace valvescope;
using namespace valvescope::exports;
namespace fs = std::filesystem;

const std::string kNgspice = VALVESCOPE_NGSPICE;

class NgspiceTest : public valvescope::testing::NgspiceFolderTest {
public:
    // Writes the deck and runs ngspice on it.
    void Run(const std::string& deck, const std::string& name) {
        WriteFileAtomically(Path(name), deck);
        valvescope::testing::RunNgspice(kNgspice, dir_, name);
    }

    std::vector<std::vector<double>> ReadTable(const std::string& name) const {
        return valvescope::testing::ReadWrdata(Path(name));
    }
};

// A high-mu triode whose constants differ from the 807's in every place.
Tube HighMuTriode() {
    Tube tube;
    tube.Name = "HM-1 (test)";
    tube.Model.Seed = {0.3, 60, 25, 200, 100, 2e-6, 1.4};
    tube.Ratings = {0.005, 330, 1.2, std::nullopt};
    return tube;
}

// Sweeps the family in ngspice and checks each current against PlateCurrent.
valvescope::testing::FamilyFigures CheckFamily(NgspiceTest& test, const Tube& tube,
                                               std::int32_t endV, const std::vector<double>& grids,
                                               const std::string& name) {
    WriteFileAtomically(test.Path(name + ".lib"),
                        SpiceSubcircuit(tube, SpiceDialect::Ngspice, "test"));
    test.Run(
        SpiceFamilyDeck(tube, SpiceDialect::Ngspice, name + ".lib", endV, grids, name + ".out"),
        name + ".deck.lib");
    return valvescope::testing::CompareFamily(test.ReadTable(name + ".out"), tube.Model.Seed, endV,
                                              grids);
}

TEST_F(NgspiceTest, The807FamilyIsTheModelAtEveryPoint) {
    // Down to cut-off, one grid voltage past the used-up amplification factor (6000^0.253 >
    // 8.7), and positive ones on both sides of the law exponent's limit (146.7 V).
    std::vector<double> grids;
    for (int k = 0; k >= -12; --k)
        grids.push_back(k * 5.5);
    grids.insert(grids.end(), {-6000, 0.1, 20, 146, 150});
    const valvescope::testing::FamilyFigures f =
        CheckFamily(*this, Builtin807(), 400, grids, "807");
    EXPECT_EQ(f.points, 401 * 18);
    EXPECT_GT(f.zeros, 401 * 3); // cut off, used up and past the limit all take part
    EXPECT_EQ(f.bitExact, f.points);
    std::cout << "807: " << f.points << " points, " << f.bitExact << " bit for bit, " << f.zeros
              << " zero, worst relative difference " << f.worst << "\n";
}

TEST_F(NgspiceTest, AHighMuTriodeFamilyIsTheModelAtEveryPoint) {
    std::vector<double> grids;
    for (int k = 0; k >= -8; --k)
        grids.push_back(k * 0.5);
    grids.insert(grids.end(), {-1e7, 70, 90});
    const valvescope::testing::FamilyFigures f =
        CheckFamily(*this, HighMuTriode(), 300, grids, "highmu");
    EXPECT_EQ(f.points, 301 * 12);
    EXPECT_GT(f.zeros, 301 * 2);
    EXPECT_EQ(f.bitExact, f.points);
    std::cout << "high-mu: " << f.points << " points, " << f.bitExact << " bit for bit, " << f.zeros
              << " zero, worst relative difference " << f.worst << "\n";
}

TEST_F(NgspiceTest, ExactNumbersReadBackAsTheSameDoubles) {
    // Not the largest double: ngspice takes a result equal to it for an overflow.
    std::vector<double> values = {8.7,
                                  0.1,
                                  -0.253,
                                  5.7e-05,
                                  1.5,
                                  1.48,
                                  99.1,
                                  31.1,
                                  1e-300,
                                  5e-324,
                                  1e308,
                                  9007199254740993.0,
                                  123456789012345678.0,
                                  std::numbers::pi,
                                  std::log(10.0),
                                  -2.5e-310,
                                  1e22,
                                  3e23};
    // And doubles of every size with full mantissas.
    std::mt19937_64 random(807);
    for (int i = 0; i < 150; ++i) {
        const double mantissa = std::uniform_real_distribution<double>(1, 2)(random);
        values.push_back((i % 2 ? -1 : 1) *
                         std::ldexp(mantissa, static_cast<int>(random() % 600) - 300));
    }
    std::string deck = "* numbers\n";
    std::string vectors;
    // Current sources into resistors: a source's own value (@b[i]) is the expression's value,
    // untouched by the solver's rounding.
    for (std::size_t i = 0; i < values.size(); ++i) {
        const std::string n = std::to_string(i);
        deck +=
            "B" + n + " n" + n + " 0 I=" + ExactNumber(values[i]) + "\nR" + n + " n" + n + " 0 1\n";
        vectors += " @b" + n + "[i]";
    }
    deck += ".control\noption numdgt=17\nset wr_vecnames\nsave" + vectors +
            "\nop\nwrdata numbers.out" + vectors + "\nquit 0\n.endc\n.end\n";
    Run(deck, "numbers.cir");
    const auto rows = ReadTable("numbers.out");
    ASSERT_EQ(rows.size(), 1u);
    ASSERT_EQ(rows[0].size(), 2 * values.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(rows[0][2 * i + 1], values[i]) << ExactNumber(values[i]);
}

// The harmonics of the plate current worked out here: the plate voltage at each instant found
// by bisection on the load's equation, then a plain discrete Fourier transform.
std::vector<double> ExpectedHarmonics(const Tube& tube, const StageDeckInput& in, double quiet) {
    constexpr int kSamples = 4000;
    std::vector<double> current(kSamples);
    for (int s = 0; s < kSamples; ++s) {
        const double vg = in.GridBias +
                          in.InputPeak * std::sin(2 * std::numbers::pi * s / kSamples) -
                          in.CathodeVolts;
        // Plate to ground, as the load holds it, minus the tube's own voltage: rises with Va.
        const auto excess = [&](double va) {
            const double ip = tubemath::PlateCurrent(tube.Model.Seed, vg, va - in.CathodeVolts);
            const double held = in.LoadKind == StageDeckInput::Load::Resistor
                                    ? in.BPlus - in.LoadOhms * ip
                                    : in.BPlus - in.LoadOhms * (ip - quiet);
            return va - held;
        };
        double low = in.CathodeVolts;
        double high = in.BPlus + in.LoadOhms * 1.0;
        for (int i = 0; i < 200; ++i) {
            const double middle = 0.5 * (low + high);
            (excess(middle) > 0 ? high : low) = middle;
        }
        current[s] = tubemath::PlateCurrent(tube.Model.Seed, vg, low - in.CathodeVolts);
    }
    std::vector<double> magnitudes;
    for (int h = 0; h <= 9; ++h) {
        std::complex<double> sum = 0;
        for (int s = 0; s < kSamples; ++s)
            sum += current[s] * std::polar(1.0, -2 * std::numbers::pi * h * s / kSamples);
        magnitudes.push_back(std::abs(sum) / kSamples * (h == 0 ? 1 : 2));
    }
    return magnitudes;
}

// H0..H9 and the THD in percent from ngspice's Fourier table.
std::pair<std::vector<double>, double> ReadFourier(const std::string& text) {
    std::istringstream in(text);
    std::vector<double> magnitudes;
    double thd = -1;
    for (std::string line; std::getline(in, line);) {
        const auto at = line.find("THD:");
        if (at != std::string::npos)
            thd = std::strtod(line.c_str() + at + 4, nullptr);
        std::istringstream fields(line);
        int harmonic = -1;
        double frequency = 0;
        double magnitude = 0;
        if (fields >> harmonic >> frequency >> magnitude &&
            harmonic == static_cast<int>(magnitudes.size()))
            magnitudes.push_back(magnitude);
    }
    return {magnitudes, thd};
}

void CheckStage(NgspiceTest& test, StageDeckInput in, const std::string& name) {
    const Tube tube = Builtin807();
    WriteFileAtomically(test.Path(name + ".lib"),
                        SpiceSubcircuit(tube, SpiceDialect::Ngspice, "t"));
    in.SubcircuitFile = name + ".lib";
    in.StepsPerPeriod = 1000;
    in.OutputFile = name + ".four";
    test.Run(SpiceStageDeck(tube, SpiceDialect::Ngspice, in), name + ".cir");
    const auto [magnitudes, thd] = ReadFourier(ReadWholeFile(test.Path(name + ".four"), 1 << 20));
    ASSERT_EQ(magnitudes.size(), 10u);
    const double quiet = tubemath::PlateCurrent(tube.Model.Seed, in.GridBias - in.CathodeVolts,
                                                in.BPlus - in.CathodeVolts);
    const std::vector<double> expected = ExpectedHarmonics(tube, in, quiet);
    double distortion = 0;
    for (int h = 0; h <= 9; ++h) {
        // Down to a nanoamp the simulated harmonics are the model's.
        EXPECT_NEAR(magnitudes[h], expected[h], 1e-6 * expected[1] + 1e-9) << "H" << h;
        distortion += h >= 2 ? expected[h] * expected[h] : 0;
    }
    EXPECT_NEAR(thd, 100 * std::sqrt(distortion) / expected[1], 1e-4);
    std::cout << name << ": H1 " << magnitudes[1] << " A, THD " << thd << " %\n";
}

} // namespace

// The stage decks are checked against the harmonics worked out here from the model.
namespace {
TEST_F(NgspiceTest, ResistorStageHarmonicsAreTheModels) {
    StageDeckInput in;
    in.BPlus = 350;
    in.LoadOhms = 5000;
    in.CathodeVolts = 0;
    in.GridBias = -20;
    in.InputPeak = 12;
    CheckStage(*this, in, "resistor");
}

TEST_F(NgspiceTest, TransformerStageHarmonicsAreTheModels) {
    StageDeckInput in;
    in.BPlus = 300;
    in.LoadKind = StageDeckInput::Load::Transformer;
    in.LoadOhms = 4000;
    in.CathodeVolts = 15;
    in.GridBias = 0;
    in.InputPeak = 10;
    CheckStage(*this, in, "transformer");
}
} // namespace
