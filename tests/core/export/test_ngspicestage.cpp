// A screen-grid stage as the analysis reports it, run again in ngspice: the operating point with
// the real cathode resistor carrying plate and screen current, and the harmonics of the swing.
#include "core/analysis/stage.h"
#include "core/export/spice.h"
#include "core/export/spicedeck.h"
#include "core/io/atomicfile.h"
#include "core/tube/library.h"
#include "tests/support/ngspice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace valvescope;
using namespace valvescope::exports;
namespace fs = std::filesystem;

const std::string kNgspice = VALVESCOPE_NGSPICE;

class NgspiceStage : public valvescope::testing::NgspiceFolderTest {
public:
    void SetUp() override {
        NgspiceFolderTest::SetUp();
        if (IsSkipped())
            return;
        tube_ = TubeOf(*FindLibraryTube("EL34"));
        WriteFileAtomically(Path("el34.lib"), SpiceSubcircuit(tube_, SpiceDialect::Ngspice, "t"));
    }

    // The DC stage itself: B+ through Ra (none under a transformer) to the plate, Rk from the
    // cathode to ground, the grid at ground, the screen held s.Volts above the cathode by a
    // supply from ground, or on the plate. Gives the plate terminal's and the screen's current.
    std::pair<double, double> OperatingPoint(const StageInput& in, const tubemath::ScreenWiring& s,
                                             const std::string& name) {
        std::string deck = "* stage at rest\n.include \"el34.lib\"\n";
        deck += "Vsupply bplus 0 DC " + std::to_string(in.BPlus) + "\n";
        deck += in.Load == LoadKind::Resistor ? "Ra bplus plate " + std::to_string(in.Ra) + "\n"
                                              : "Vprimary bplus plate DC 0\n";
        deck += "Rk cathode 0 " + std::to_string(in.Rk) + "\n";
        deck += "Vgrid grid 0 DC 0\n";
        if (s.TriodeConnected) {
            deck += "X1 plate plate grid cathode EL34\n";
        } else {
            // Its supply returns the screen current through ground, so through Rk.
            deck += "Bscreen screen 0 V=V(cathode) + " + ExactNumber(s.Volts) + "\n";
            deck += "X1 plate screen grid cathode EL34\n";
        }
        deck += ".options reltol=1e-13 abstol=1e-18 vntol=1e-14\n";
        const std::string saved = " @b.x1.bplate[i] @b.x1.bscreen[i]";
        deck += ".control\noption numdgt=17\nset wr_vecnames\nsave" + saved + "\nop\nwrdata " +
                name + ".out" + saved + "\nquit 0\n.endc\n.end\n";
        WriteFileAtomically(Path(name + ".cir"), deck);
        valvescope::testing::RunNgspice(kNgspice, dir_, name + ".cir");
        const auto rows = valvescope::testing::ReadWrdata(Path(name + ".out"));
        if (rows.size() != 1 || rows[0].size() != 4) {
            ADD_FAILURE() << name << ": no operating point";
            return {0, 0};
        }
        const double plate = rows[0][1];
        const double screen = rows[0][3];
        return s.TriodeConnected ? std::pair{plate + screen, screen} : std::pair{plate, screen};
    }

    // H0..H9 and the THD in percent of the stage deck's plate current.
    std::pair<std::vector<double>, double>
    Harmonics(const StageAnalysis& a, const tubemath::ScreenWiring& s, const std::string& name) {
        StageDeckInput in;
        in.BPlus = a.Input.BPlus;
        in.LoadKind = a.Input.Load == LoadKind::Transformer ? StageDeckInput::Load::Transformer
                                                            : StageDeckInput::Load::Resistor;
        in.LoadOhms = a.Input.Load == LoadKind::Transformer ? *a.Input.Zaa : a.Input.Ra;
        in.CathodeVolts = a.Quiescent.Vk;
        in.GridBias = 0;
        in.InputPeak = a.Swing.Drive;
        in.StepsPerPeriod = 1000;
        in.SubcircuitFile = "el34.lib";
        in.OutputFile = name + ".four";
        in.Screen = s;
        WriteFileAtomically(Path(name + ".cir"), SpiceStageDeck(tube_, SpiceDialect::Ngspice, in));
        valvescope::testing::RunNgspice(kNgspice, dir_, name + ".cir");
        std::istringstream text(ReadWholeFile(Path(name + ".four"), 1 << 20));
        std::vector<double> magnitudes;
        double thd = -1;
        for (std::string line; std::getline(text, line);) {
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

    void Check(const StageInput& in, const tubemath::ScreenWiring& s, const std::string& name) {
        const StageAnalysis a = AnalyzeStage(tube_, s, in);
        ASSERT_TRUE(a.Screen.has_value());
        const auto [ip, is] = OperatingPoint(in, s, name + "_op");
        EXPECT_NEAR(a.Quiescent.Ip, ip, 1e-9 * ip) << name;
        EXPECT_NEAR(a.Screen->Is, is, 1e-9 * is) << name;
        const double vs = s.TriodeConnected ? a.Quiescent.Vp : s.Volts;
        EXPECT_EQ(a.Screen->Vs, vs);
        EXPECT_NEAR(a.Screen->Ps, vs * is, 1e-9 * vs * is);

        const auto [magnitudes, thd] = Harmonics(a, s, name);
        ASSERT_EQ(magnitudes.size(), 10u) << name;
        const double h1 = a.Swing.Harmonics[0];
        const double h2 = a.Swing.Harmonics[1];
        EXPECT_NEAR(magnitudes[1], h1, 1e-4 * h1) << name;
        EXPECT_NEAR(magnitudes[2], h2, 1e-4 * h2) << name;
        EXPECT_NEAR(thd / 100, a.Swing.Thd, 1e-4 * a.Swing.Thd) << name;
        std::cout << name << ": Ip " << ip << " A, Is " << is << " A, H1 " << h1 << " A, THD "
                  << 100 * a.Swing.Thd << " %\n";
    }

    Tube tube_;
};

TEST_F(NgspiceStage, PentodeStageWithHeldScreenIsTheSimulators) {
    StageInput transformer;
    transformer.BPlus = 350;
    transformer.Rk = 470;
    transformer.Load = LoadKind::Transformer;
    transformer.Zaa = 3500;
    transformer.Drive = 12;
    Check(transformer, {250, false}, "el34_transformer");

    StageInput resistor;
    resistor.BPlus = 400;
    resistor.Ra = 4700;
    resistor.Rk = 1000;
    Check(resistor, {200, false}, "el34_resistor");
}

TEST_F(NgspiceStage, TriodeConnectedStageIsTheSimulators) {
    StageInput resistor;
    resistor.BPlus = 350;
    resistor.Ra = 5000;
    resistor.Rk = 820;
    resistor.Drive = 10;
    Check(resistor, {0, true}, "el34_triode");
}

} // namespace
