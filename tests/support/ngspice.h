// ngspice run from the tests: a deck in batch mode, its wrdata table read back, and a swept
// family of curves compared with the model point by point.
#pragma once

#include "core/io/atomicfile.h"
#include "core/tube/tube.h"
#include "model/tubemath.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace valvescope::testing {

// Whether the ngspice found when the build was configured is there.
inline bool NgspiceFound(const std::string& program) {
    return !program.empty() && program.find("NOTFOUND") == std::string::npos;
}

#ifdef VALVESCOPE_NGSPICE
// A test that runs ngspice in a folder of its own: skipped where ngspice was not found, the
// folder removed afterwards (kept when KEEP is set, to look at the decks).
class NgspiceFolderTest : public ::testing::Test {
public:
    void SetUp() override {
        if (!NgspiceFound(VALVESCOPE_NGSPICE))
            GTEST_SKIP() << "ngspice not found: install Debian's ngspice";
        std::string pattern =
            (std::filesystem::temp_directory_path() / "valvescope-spice-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        if (!dir_.empty() && !std::getenv("KEEP"))
            std::filesystem::remove_all(dir_);
    }

    std::string Path(const std::string& name) const {
        return (std::filesystem::path(dir_) / name).string();
    }

protected:
    std::string dir_;
};
#endif

// Runs ngspice in batch mode on the deck `name` in `folder`, as the deck's header says to run
// it, its output going to a log beside it; expects exit status 0 and no error in the log.
inline void RunNgspice(const std::string& program, const std::string& folder,
                       const std::string& name) {
    const std::string command =
        "cd '" + folder + "' && '" + program + "' -b '" + name + "' > '" + name + ".log' 2>&1";
    const int status = std::system(command.c_str());
    const std::string log = ReadWholeFile(folder + "/" + name + ".log", 1 << 20);
    EXPECT_EQ(status, 0) << log;
    EXPECT_EQ(log.find("Error"), std::string::npos) << log;
}

// The numbers of a wrdata file, row by row, past its line of names.
inline std::vector<std::vector<double>> ReadWrdata(const std::string& path) {
    std::istringstream in(ReadWholeFile(path, 1 << 26));
    std::string line;
    std::getline(in, line);
    std::vector<std::vector<double>> rows;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::vector<double> row;
        for (std::string field; fields >> field;)
            row.push_back(std::strtod(field.c_str(), nullptr));
        rows.push_back(row);
    }
    return rows;
}

struct FamilyFigures {
    int points = 0;
    int bitExact = 0;
    int zeros = 0;
    double worst = 0; // largest relative difference where the model's current is not 0
};

// Checks a family deck's table (sweep, plate voltage, then grid voltage and current for each
// curve) against PlateCurrent at the same voltages, which are also checked to be the very
// doubles asked for: Va 0, 1, ..., endV and the grid voltages in order.
inline FamilyFigures CompareFamily(const std::vector<std::vector<double>>& rows,
                                   const tubemath::TubeParams& tube, int endV,
                                   const std::vector<double>& grids) {
    FamilyFigures figures;
    EXPECT_EQ(rows.size(), static_cast<std::size_t>(endV) + 1);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const std::vector<double>& row = rows[r];
        EXPECT_EQ(row.size(), 2 + 2 * grids.size());
        EXPECT_EQ(row[0], static_cast<double>(r));
        const double va = row[1];
        EXPECT_EQ(va, static_cast<double>(r));
        for (std::size_t j = 0; j < grids.size() && 3 + 2 * j < row.size(); ++j) {
            const double vg = row[2 + 2 * j];
            EXPECT_EQ(vg, grids[j]);
            const double simulated = row[3 + 2 * j];
            const double model = tubemath::PlateCurrent(tube, vg, va);
            const double difference = std::fabs(simulated - model);
            EXPECT_TRUE(difference <= 1e-15 || difference <= 1e-9 * std::fabs(model))
                << "Vg " << vg << " Va " << va << ": " << simulated << " vs " << model;
            if (model != 0)
                figures.worst = std::max(figures.worst, difference / std::fabs(model));
            ++figures.points;
            figures.bitExact += simulated == model ? 1 : 0;
            figures.zeros += model == 0 ? 1 : 0;
        }
    }
    return figures;
}

} // namespace valvescope::testing
