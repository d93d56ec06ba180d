// The push-pull pair as --design json reports it, run again in ngspice: two instances of the
// exported 807 subcircuit on an ideal centre-tapped transformer made of controlled sources (each
// plate at B+ -+ (Raa / 4) (I1 - I2)), the cathode held at the reported Vk, the grids driven in
// antiphase; the Fourier table of I1 - I2 must give the same output power, H3, H5 and THD.
// (A matched pair's transformer carries no magnetising current, so the sources need none.)
#include "core/export/spice.h"
#include "core/export/spicetext.h"
#include "core/io/atomicfile.h"
#include "core/tube/tubefile.h"
#include "formats/exactnumber.h"
#include "tests/support/ngspice.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

using namespace valvescope;
namespace fs = std::filesystem;

const std::string kNgspice = VALVESCOPE_NGSPICE;
constexpr double kBPlus = 400;
constexpr double kRaa = 6600;

std::string DesignJson(const std::string& arguments) {
    const std::string command = std::string("'") + VALVESCOPE_EXE +
                                "' --design json --stage push-pull --bplus 400 --raa 6600 " +
                                arguments;
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

// The pair's deck: the grids rest at `GridRest` to ground (the fixed bias, or 0 with the cathode
// at `Cathode`); the transformer carries the magnetising current `Magnetising`, the average of
// I1 - I2 that the program reports as its imbalance.
struct PairDeckInput {
    std::string Name;
    double Cathode = 0;
    double GridRest = 0;
    double Drive = 0;
    double Magnetising = 0;
    std::string Second; // the second tube's subcircuit
};

std::string PairDeck(const PairDeckInput& in) {
    const std::string& name = in.Name;
    const double cathode = in.Cathode;
    const double gridRest = in.GridRest;
    const double drive = in.Drive;
    using formats::SeventeenDigits;
    const std::string cosine = " * cos(2 * pi * 1000 * time)";
    std::string deck = "* push-pull pair of 807s on an ideal centre-tapped transformer\n";
    deck += ".include \"" + name + ".lib\"\n";
    deck += "Bsupply bplus 0 V=" + SeventeenDigits(kBPlus) + "\n";
    deck += "Bcathode cathode 0 V=" + SeventeenDigits(cathode) + "\n";
    deck += "Bgrid1 grid1 0 V=" + SeventeenDigits(gridRest) + " + " + SeventeenDigits(drive) +
            cosine + "\n";
    deck += "Bgrid2 grid2 0 V=" + SeventeenDigits(gridRest) + " - " + SeventeenDigits(drive) +
            cosine + "\n";
    deck += "Vm1 plate1 tube1 DC 0\n";
    deck += "Vm2 plate2 tube2 DC 0\n";
    const std::string subcircuit = exports::SubcircuitName(Builtin807().Name);
    deck += "X1 tube1 grid1 cathode " + subcircuit + "\n";
    deck += "X2 tube2 grid2 cathode " + in.Second + "\n";
    deck += "Bhalf half 0 V=" + SeventeenDigits(kRaa / 4) + " * (I(Vm1) - I(Vm2) - " +
            SeventeenDigits(in.Magnetising) + ")\n";
    deck += "Bplate1 plate1 0 V=V(bplus) - V(half)\n";
    deck += "Bplate2 plate2 0 V=V(bplus) + V(half)\n";
    deck += ".options reltol=1e-10 abstol=1e-15 vntol=1e-12\n";
    deck += ".control\n";
    deck += "set numdgt=12\nset nfreqs=10\nset fourgridsize=4000\nset polydegree=3\n";
    // No store in the circuit: the first period is the steady one.
    deck += "tran 2.5e-7 1e-3 0 2.5e-7\n";
    deck += "let difference = i(vm1) - i(vm2)\n";
    deck += "fourier 1000 difference > " + name + ".four\n";
    deck += "quit 0\n.endc\n.end\n";
    return deck;
}

class PairAgainstNgspice : public ::testing::Test {
protected:
    void SetUp() override {
        if (!valvescope::testing::NgspiceFound(kNgspice))
            GTEST_SKIP() << "ngspice not found: install Debian's ngspice to cross-check the pair";
        std::string pattern = (fs::temp_directory_path() / "valvescope-pair-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        if (!dir_.empty())
            fs::remove_all(dir_);
    }

    // The power agrees to 1e-9 of itself (the two agree to about 1e-11), H2 (of a mismatched pair),
    // H3 and H5 to 1e-7 (they agree to 1e-11 and 1e-8 or better: the simulator's table interpolates
    // the transient), THD to 1e-5 (the table prints six digits).
    void Check(const std::string& options, const std::string& name,
               const Tube& second = Builtin807()) {
        std::string given = options;
        if (second.Name != Builtin807().Name) {
            SaveTubeFile(dir_ + "/" + name + ".json", second);
            given += " --tube-b '" + dir_ + "/" + name + ".json'";
        }
        const nlohmann::json design = nlohmann::json::parse(DesignJson(given));
        const nlohmann::json& swing = design["swing"];
        const bool fixed = design["bias"]["kind"] == "fixed";
        const double vk = swing["vk"].get<double>();
        const double rest = fixed ? design["bias"]["vg"].get<double>() : 0;
        std::string library =
            exports::SpiceSubcircuit(Builtin807(), exports::SpiceDialect::Ngspice, "t");
        if (second.Name != Builtin807().Name)
            library += exports::SpiceSubcircuit(second, exports::SpiceDialect::Ngspice, "t");
        WriteFileAtomically(dir_ + "/" + name + ".lib", library);
        const double magnetising = swing["imbalance"].get<double>();
        WriteFileAtomically(dir_ + "/" + name + ".cir",
                            PairDeck({name, vk, rest, swing["drive"].get<double>(), magnetising,
                                      exports::SubcircuitName(second.Name)}));
        valvescope::testing::RunNgspice(kNgspice, dir_, name + ".cir");
        const Fourier spice = ReadFourier(ReadWholeFile(dir_ + "/" + name + ".four", 1 << 20));
        ASSERT_EQ(spice.Magnitudes.size(), 10u);
        const double power = kRaa * spice.Magnitudes[1] * spice.Magnitudes[1] / 8;
        const double ours = swing["power"].get<double>();
        const double thd = swing["thd"].get<double>();
        EXPECT_NEAR(power, ours, 1e-9 * ours) << name;
        const double h1 = swing["harmonics"][0].get<double>();
        // H2 only where a mismatched pair leaves it; a matched pair's is rounding.
        for (const std::size_t n : {2u, 3u, 5u}) {
            const double hn = swing["harmonics"][n - 1].get<double>();
            if (hn < 1e-6 * h1)
                continue;
            EXPECT_NEAR(spice.Magnitudes[n], hn, 1e-7 * hn) << name << " H" << n;
            std::cout << name << ": H" << n << " differs by "
                      << std::fabs(spice.Magnitudes[n] / hn - 1) << "\n";
        }
        EXPECT_NEAR(spice.ThdPercent / 100, thd, 1e-5 * thd) << name;
        // The transformer holds no DC: the simulated I1 - I2 averages to the magnetising current
        // the program found for it (0 for a matched pair).
        EXPECT_NEAR(spice.Magnitudes[0], magnetising, 1e-9 * h1) << name;
        std::cout << name << ": " << ours << " W, THD " << 100 * thd << " %, class "
                  << swing["class"].get<std::string>() << "; ngspice differs by "
                  << std::fabs(power / ours - 1) << " in power, "
                  << std::fabs(spice.ThdPercent / 100 / thd - 1) << " in THD\n";
        last_ = design;
    }

    std::string dir_;
    nlohmann::json last_;
};

TEST_F(PairAgainstNgspice, AClassAPair) {
    Check("--vg -30 --drive 20", "classa");
    EXPECT_EQ(last_["swing"]["class"], "A");
}

TEST_F(PairAgainstNgspice, AFixedBiasClassABPairDrivenToZeroVoltsOfGrid) {
    Check("--vg -60", "fixedab");
    EXPECT_EQ(last_["swing"]["class"], "AB");
}

TEST_F(PairAgainstNgspice, ACathodeBiasedClassABPair) {
    Check("--bias cathode --rk 1000", "cathodeab");
    EXPECT_EQ(last_["swing"]["class"], "AB");
    EXPECT_GT(last_["swing"]["vk"].get<double>(), last_["bias"]["vk"].get<double>() + 10);
}

TEST_F(PairAgainstNgspice, AMismatchedPair) {
    Tube hot = Builtin807();
    hot.Name = "807hot";
    hot.Model.Seed.Perveance *= 1.1;
    Check("--vg -45", "mismatched", hot);
    EXPECT_LT(last_["swing"]["imbalance"].get<double>(), -1e-3);
    EXPECT_GT(last_["swing"]["harmonics"][1].get<double>(), 5e-4);
}

} // namespace
