// The stage as --design json reports it, run again in ngspice: the exported subcircuit in the
// same stage (the cathode held at the reported Vk, the grid at ground plus the reported drive),
// whose Fourier table must give the same H1, H2 and THD.
#include "core/export/spice.h"
#include "core/export/spicedeck.h"
#include "core/io/atomicfile.h"
#include "tests/support/ngspice.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

using namespace valvescope;
using namespace valvescope::exports;
namespace fs = std::filesystem;

const std::string kNgspice = VALVESCOPE_NGSPICE;

// What the program prints for the arguments, and whether it ended with exit code 0.
std::string DesignJson(const std::string& arguments) {
    const std::string command = std::string("'") + VALVESCOPE_EXE + "' --design json " + arguments;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) {
        ADD_FAILURE() << "cannot run " << command;
        return {};
    }
    std::string out;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.append(buffer, n);
    const int status = ::pclose(pipe);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command;
    return out;
}

struct Fourier {
    std::vector<double> Magnitudes; // H0 ... H9
    double ThdPercent = -1;
};

// ngspice's table: "No. Harmonics: 10, THD: <percent> %, ..." then "<n> <Hz> <magnitude> ...".
Fourier ReadFourier(const std::string& text) {
    std::istringstream in(text);
    Fourier f;
    for (std::string line; std::getline(in, line);) {
        const auto at = line.find("THD:");
        if (at != std::string::npos)
            f.ThdPercent = std::strtod(line.c_str() + at + 4, nullptr);
        std::istringstream fields(line);
        int harmonic = -1;
        double frequency = 0;
        double magnitude = 0;
        if (fields >> harmonic >> frequency >> magnitude &&
            harmonic == static_cast<int>(f.Magnitudes.size()))
            f.Magnitudes.push_back(magnitude);
    }
    return f;
}

class DesignAgainstNgspice : public ::testing::Test {
protected:
    void SetUp() override {
        if (kNgspice.empty() || kNgspice.find("NOTFOUND") != std::string::npos)
            GTEST_SKIP() << "ngspice not found: install Debian's ngspice (scripts/install-deps "
                            "does) to cross-check --design";
        std::string pattern = (fs::temp_directory_path() / "valvescope-design-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        if (!dir_.empty())
            fs::remove_all(dir_);
    }

    // Runs the stage the JSON describes through ngspice and reads its Fourier table.
    Fourier Simulate(const nlohmann::json& design, double bPlus, double loadOhms,
                     const std::string& name) {
        const Tube tube = Builtin807();
        WriteFileAtomically(dir_ + "/" + name + ".lib",
                            SpiceSubcircuit(tube, SpiceDialect::Ngspice, "t"));
        StageDeckInput in;
        in.BPlus = bPlus;
        in.LoadKind = design["load"] == "transformer" ? StageDeckInput::Load::Transformer
                                                      : StageDeckInput::Load::Resistor;
        in.LoadOhms = loadOhms;
        in.CathodeVolts = design["quiescent"]["Vk"].get<double>();
        in.GridBias = 0; // the grid leak holds the grid at ground
        in.InputPeak = design["swing"]["drive"].get<double>();
        in.SubcircuitFile = name + ".lib";
        in.OutputFile = name + ".four";
        WriteFileAtomically(dir_ + "/" + name + ".cir",
                            SpiceStageDeck(tube, SpiceDialect::Ngspice, in));
        valvescope::testing::RunNgspice(kNgspice, dir_, name + ".cir");
        return ReadFourier(ReadWholeFile(dir_ + "/" + name + ".four", 1 << 20));
    }

    // H1, H2 and the THD of the program and of ngspice agree to 1e-4 of themselves.
    void Check(const std::string& options, double bPlus, double loadOhms, const std::string& name) {
        const nlohmann::json design = nlohmann::json::parse(DesignJson(options));
        const Fourier spice = Simulate(design, bPlus, loadOhms, name);
        ASSERT_EQ(spice.Magnitudes.size(), 10u);
        const auto& harmonics = design["swing"]["harmonics"];
        const double h1 = harmonics[0].get<double>();
        const double h2 = harmonics[1].get<double>();
        const double thd = design["swing"]["thd"].get<double>();
        EXPECT_NEAR(spice.Magnitudes[1], h1, 1e-4 * h1) << name;
        EXPECT_NEAR(spice.Magnitudes[2], h2, 1e-4 * h2) << name;
        EXPECT_NEAR(spice.ThdPercent / 100, thd, 1e-4 * thd) << name;
        std::cout << name << ": H1 " << h1 << " A, H2 " << h2 << " A, THD " << 100 * thd
                  << " %; ngspice differs by " << std::fabs(spice.Magnitudes[1] / h1 - 1) << ", "
                  << std::fabs(spice.Magnitudes[2] / h2 - 1) << ", "
                  << std::fabs(spice.ThdPercent / 100 / thd - 1) << " of them\n";
        last_ = design;
    }

    std::string dir_;
    nlohmann::json last_;
};

TEST_F(DesignAgainstNgspice, TheDefaultResistorStage) {
    Check("", 400, 3000, "default");
    EXPECT_EQ(last_["load"], "resistor");
    EXPECT_FALSE(last_["swing"]["cutoff"].get<bool>());
}

TEST_F(DesignAgainstNgspice, AResistorStageDrivenIntoCutoff) {
    Check("--bplus 350 --ra 5000 --rk 2000", 350, 5000, "cutoff");
    EXPECT_TRUE(last_["swing"]["cutoff"].get<bool>());
    EXPECT_FALSE(last_["swing"]["gridCurrent"].get<bool>());
}

TEST_F(DesignAgainstNgspice, ATransformerStage) {
    Check("--bplus 300 --rk 300 --load transformer --zaa 5000", 300, 5000, "transformer");
    EXPECT_EQ(last_["load"], "transformer");
}

TEST_F(DesignAgainstNgspice, ATransformerStageIntoGridCurrent) {
    Check("--bplus 350 --rk 250 --load transformer --zaa 4000 --drive 25", 350, 4000, "overdriven");
    EXPECT_TRUE(last_["swing"]["gridCurrent"].get<bool>());
}

} // namespace
