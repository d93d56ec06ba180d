// The subcircuits of Koren's and Reefman's models run in ngspice: every simulated plate and
// screen current is the program's, over the exported family deck and at the laws' corners.
#include "core/export/spice.h"
#include "core/export/spicedeck.h"
#include "core/io/atomicfile.h"
#include "core/tube/library.h"
#include "model/wiredmodel.h"
#include "tests/support/ngspice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

namespace {

using namespace valvescope;
using namespace valvescope::exports;
namespace fs = std::filesystem;
using tubemath::ModelKind;

const std::string kNgspice = VALVESCOPE_NGSPICE;

Tube Library(const char* name) {
    const LibraryTube* entry = FindLibraryTube(name);
    EXPECT_NE(entry, nullptr) << name;
    return entry ? TubeOf(*entry) : Tube{};
}

// Reefman's models with constants of the size a fit to the EF80 gives.
Tube MadeUpReefman(ModelKind kind) {
    Tube tube;
    tube.Name = kind == ModelKind::Derk ? "EF80 derk (test)" : "EF80 derke (test)";
    tube.Model.Kind = kind;
    tubemath::ModelConstants<double>& c = tube.Model.Constants;
    c.Mu = 48.3;
    c.Ex = 1.31;
    c.Kg1 = 520.7;
    c.Kg2 = 2810.3;
    c.Kp = 180.1;
    c.Kvb = 410.9;
    c.A = 2.3e-4;
    c.AlphaS = 4.7;
    c.Beta = kind == ModelKind::Derk ? 0.113 : 0.0671;
    tube.Ratings = {0.025, 300, 2.5, 0.7};
    tube.Screen = 200;
    return tube;
}

// The model's currents at one point as the wiring gives them; triode-connected the screen's
// own share beside the plate terminal's.
struct Expected {
    double Plate = 0;
    double Screen = 0;
};

struct Tally {
    int points = 0;
    int bitExact = 0;
    int zeros = 0;
    double worst = 0;

    void Check(double simulated, double model, const std::string& where) {
        const double difference = std::fabs(simulated - model);
        EXPECT_TRUE(difference <= 1e-12 * std::fabs(model))
            << where << ": " << simulated << " vs " << model;
        if (model != 0)
            worst = std::max(worst, difference / std::fabs(model));
        ++points;
        bitExact += simulated == model ? 1 : 0;
        zeros += model == 0 ? 1 : 0;
    }
};

class NgspiceModels : public valvescope::testing::NgspiceFolderTest {
public:
    // Exports the tube and its family deck as the program does, runs the deck and checks every
    // current of its table against the model.
    Tally CheckFamily(const Tube& tube, const tubemath::ScreenWiring& screen, std::int32_t endV,
                      const std::vector<double>& grids, const std::string& name) {
        PlotSettings settings;
        settings.EndV = endV;
        WriteFileAtomically(Path(name + ".lib"),
                            SpiceSubcircuit(tube, SpiceDialect::Ngspice, "test"));
        WriteFileAtomically(Path(name + ".deck.lib"),
                            SpiceFamilyDeck(tube, SpiceDialect::Ngspice, name + ".lib", endV, grids,
                                            name + ".out", screen));
        valvescope::testing::RunNgspice(kNgspice, dir_, name + ".deck.lib");
        const auto rows = valvescope::testing::ReadWrdata(Path(name + ".out"));
        const bool screenGrid = tubemath::HasScreen(tube.Model.Kind);
        const bool held = screenGrid && !screen.TriodeConnected;
        const std::size_t first = held ? 3 : 2;
        const std::size_t perCurve = screenGrid ? 3 : 2;
        const tubemath::WiredModel wired{tube.Model, screen};
        Tally tally;
        EXPECT_EQ(rows.size(), static_cast<std::size_t>(endV) + 1);
        for (std::size_t r = 0; r < rows.size(); ++r) {
            const std::vector<double>& row = rows[r];
            EXPECT_EQ(row.size(), first + perCurve * grids.size());
            if (row.size() != first + perCurve * grids.size())
                break;
            const double va = row[1];
            EXPECT_EQ(va, static_cast<double>(r));
            if (held) {
                EXPECT_EQ(row[2], screen.Volts);
            }
            for (std::size_t j = 0; j < grids.size(); ++j) {
                const std::size_t at = first + perCurve * j;
                const double vg = row[at];
                EXPECT_EQ(vg, grids[j]);
                const std::string where =
                    name + " Vg " + std::to_string(vg) + " Va " + std::to_string(va);
                const double vs = screen.TriodeConnected ? va : screen.Volts;
                const tubemath::Currents split = tubemath::CurrentsAt(tube.Model, vg, va, vs);
                if (!screenGrid) {
                    tally.Check(row[at + 1], tubemath::CurrentsAt(wired, vg, va).Plate, where);
                    continue;
                }
                tally.Check(row[at + 1], split.Plate, where + " plate");
                tally.Check(row[at + 2], split.Screen, where + " screen");
                // What the program calls the plate current triode-connected: the terminal's.
                if (screen.TriodeConnected) {
                    EXPECT_EQ(row[at + 1] + row[at + 2], tubemath::CurrentsAt(wired, vg, va).Plate);
                }
            }
        }
        std::cout << name << ": " << tally.points << " currents, " << tally.bitExact
                  << " bit for bit, " << tally.zeros << " zero, worst relative difference "
                  << tally.worst << "\n";
        return tally;
    }

    // One operating point per instance, each electrode on a source of its own: the corners a
    // family sweep does not reach (no screen voltage, plate below the cathode, E1 past 709).
    Tally CheckPoints(const Tube& tube, const std::vector<std::array<double, 3>>& points,
                      const std::string& name) {
        WriteFileAtomically(Path(name + ".lib"),
                            SpiceSubcircuit(tube, SpiceDialect::Ngspice, "test"));
        const std::string sub = SubcircuitName(tube.Name);
        std::string deck = "* points\n.include \"" + name + ".lib\"\n";
        deck += ".options reltol=1e-14 abstol=1e-20\n";
        std::string saved;
        for (std::size_t i = 0; i < points.size(); ++i) {
            const std::string n = std::to_string(i + 1);
            deck += "Bg" + n + " g" + n + " 0 V=" + ExactNumber(points[i][0]) + "\n";
            deck += "Bp" + n + " p" + n + " 0 V=" + ExactNumber(points[i][1]) + "\n";
            deck += "Bs" + n + " s" + n + " 0 V=" + ExactNumber(points[i][2]) + "\n";
            deck += "X" + n + " p" + n + " s" + n + " g" + n + " 0 " + sub + "\n";
            saved += " @b.x" + n + ".bplate[i] @b.x" + n + ".bscreen[i]";
        }
        deck += ".control\noption numdgt=17\nset wr_vecnames\nsave" + saved + "\nop\nwrdata " +
                name + ".out" + saved + "\nquit 0\n.endc\n.end\n";
        WriteFileAtomically(Path(name + ".cir"), deck);
        valvescope::testing::RunNgspice(kNgspice, dir_, name + ".cir");
        const auto rows = valvescope::testing::ReadWrdata(Path(name + ".out"));
        Tally tally;
        EXPECT_EQ(rows.size(), 1u);
        if (rows.size() != 1 || rows[0].size() != 4 * points.size())
            return tally;
        for (std::size_t i = 0; i < points.size(); ++i) {
            const auto [vg, va, vs] = points[i];
            const tubemath::Currents model = tubemath::CurrentsAt(tube.Model, vg, va, vs);
            const std::string where = name + " Vg " + std::to_string(vg) + " Va " +
                                      std::to_string(va) + " Vs " + std::to_string(vs);
            tally.Check(rows[0][4 * i + 1], model.Plate, where + " plate");
            tally.Check(rows[0][4 * i + 3], model.Screen, where + " screen");
        }
        return tally;
    }
};

// Grid voltages from 0 into deep cut-off, and positive ones.
std::vector<double> Grids(double step, int count) {
    std::vector<double> grids;
    for (int k = 0; k >= -count; --k)
        grids.push_back(k * step);
    grids.insert(grids.end(), {-1000, 5, 30});
    return grids;
}

TEST_F(NgspiceModels, KorenTriodeFamilyIsTheModelAtEveryPoint) {
    const Tally t = CheckFamily(Library("12AX7"), {}, 300, Grids(0.5, 8), "t12ax7");
    EXPECT_EQ(t.points, 301 * 12);
    EXPECT_GT(t.zeros, 301);
    EXPECT_EQ(t.bitExact, t.points);
}

// The family at the tube's screen voltage and triode-connected, the screen current beside the
// plate's.
void CheckScreenGridFamilies(NgspiceModels& test, const Tube& tube, double step,
                             const std::string& name) {
    for (const bool tied : {false, true}) {
        const std::string deck = name + (tied ? "_tied" : "_held");
        const Tally t = test.CheckFamily(tube, {tube.Screen, tied}, 200, Grids(step, 8), deck);
        EXPECT_EQ(t.points, 201 * 12 * 2) << deck;
        EXPECT_GT(t.zeros, 201 * 2) << deck; // the -1000 V curve at least, both currents
        EXPECT_EQ(t.bitExact, t.points) << deck;
    }
}

TEST_F(NgspiceModels, KorenPentodeFamilyIsTheModelAtEveryPoint) {
    CheckScreenGridFamilies(*this, Library("EL34"), 7, "el34");
}

TEST_F(NgspiceModels, DerkFamilyIsTheModelAtEveryPoint) {
    CheckScreenGridFamilies(*this, MadeUpReefman(ModelKind::Derk), 0.5, "derk");
}

TEST_F(NgspiceModels, DerkeFamilyIsTheModelAtEveryPoint) {
    CheckScreenGridFamilies(*this, MadeUpReefman(ModelKind::DerkE), 0.5, "derke");
}

TEST_F(NgspiceModels, TheLawsCornersHoldInTheSimulator) {
    // (Vg, Va, Vs): no screen voltage and a negative one; the plate at and below the cathode,
    // where Reefman's screen takes the whole current; E1's exponent past 709; cut-off.
    const std::vector<std::array<double, 3>> points = {
        {-10, 200, 0},    {-10, 200, -50},   {-10, 0, 250},   {-10, -20, 250}, {0, -300, 100},
        {3000, 100, 250}, {-1000, 100, 250}, {-60, 150, 250}, {-5, 1e-3, 250}, {2, 400, 400}};
    for (const Tube& tube :
         {Library("EL34"), MadeUpReefman(ModelKind::Derk), MadeUpReefman(ModelKind::DerkE)}) {
        const std::string name = SubcircuitName(tube.Name) + "_points";
        const Tally t = CheckPoints(tube, points, name);
        EXPECT_EQ(t.points, 20) << name;
        EXPECT_EQ(t.bitExact, t.points) << name;
        // No screen voltage: nothing at all.
        const tubemath::Currents none = tubemath::CurrentsAt(tube.Model, -10, 200, -50);
        EXPECT_EQ(none.Plate + none.Screen, 0);
    }
    // Reefman's at Va <= 0: no plate current, the screen takes Ipk / kg2 (1 + alphaS).
    const tubemath::Currents below =
        tubemath::CurrentsAt(MadeUpReefman(ModelKind::Derk).Model, -10, -20, 250);
    EXPECT_EQ(below.Plate, 0);
    EXPECT_GT(below.Screen, 0);
}

} // namespace
