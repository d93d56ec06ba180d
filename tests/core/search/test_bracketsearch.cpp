// The search behind the shortcuts: its results against a plain walk, and the exact order of its
// probes, on which the fault the user sees depends.
#include "core/search/bracketsearch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using valvescope::search::Bracket;
using valvescope::search::Gallop;
using valvescope::search::Halve;
using valvescope::search::LastHolding;
using valvescope::search::LastHoldingTowards;

// A condition that holds up to `edge` and records where it was asked.
struct UpTo {
    std::int64_t edge;
    std::vector<std::int64_t>* probes;
    bool operator()(std::int64_t at) const {
        probes->push_back(at);
        return at <= edge;
    }
};

TEST(BracketSearch, DoublingThenHalvingProbesInItsFixedOrder) {
    std::vector<std::int64_t> probes;
    EXPECT_EQ(LastHolding<std::int64_t>(3, 100, UpTo{20, &probes}), 20);
    EXPECT_EQ(probes, (std::vector<std::int64_t>{4, 5, 7, 11, 19, 35, 27, 23, 21, 20}));

    // The far end first, then the lower middle, going down.
    probes.clear();
    const auto above = [&](std::int64_t at) {
        probes.push_back(at);
        return at >= -6;
    };
    EXPECT_EQ(LastHoldingTowards<std::int64_t>(0, -11, above), -6);
    EXPECT_EQ(probes, (std::vector<std::int64_t>{-11, -6, -9, -8, -7}));
}

TEST(BracketSearch, DoublingStopsAtTheLastOrAtTheCheckpoint) {
    std::vector<std::int64_t> probes;
    // Nothing fails up to 10: the bracket ends just past it, which is not probed.
    const Bracket<std::int64_t> all = Gallop<std::int64_t>(0, 10, UpTo{50, &probes});
    EXPECT_EQ(all.holds, 8);
    EXPECT_EQ(all.fails, 11);
    EXPECT_EQ(probes, (std::vector<std::int64_t>{1, 2, 4, 8}));

    // A probe that would pass 103 from below probes 103; the doubling goes on past it.
    probes.clear();
    const Bracket<std::int64_t> at = Gallop<std::int64_t>(100, 1000, UpTo{110, &probes}, 103);
    EXPECT_EQ(at.holds, 108);
    EXPECT_EQ(at.fails, 116);
    EXPECT_EQ(probes, (std::vector<std::int64_t>{101, 102, 103, 108, 116}));

    // An empty range probes nothing.
    probes.clear();
    const Bracket<std::int64_t> none = Gallop<std::int64_t>(0, -1, UpTo{5, &probes});
    EXPECT_EQ(none.holds, 0);
    EXPECT_EQ(none.fails, 0);
    EXPECT_TRUE(probes.empty());
}

TEST(BracketSearch, DoublingEndsBeforeItsDistanceOverflows) {
    int probes = 0;
    constexpr std::uint64_t kLast = std::uint64_t{1} << 63;
    const Bracket<std::uint64_t> b = Gallop<std::uint64_t>(0, kLast, [&](std::uint64_t) {
        ++probes;
        return true;
    });
    EXPECT_EQ(probes, 64);
    EXPECT_EQ(b.holds, kLast);
    EXPECT_EQ(b.fails, kLast + 1);
}

TEST(BracketSearch, FindsWhatAWalkFinds) {
    for (std::int64_t from = -5; from <= 5; ++from) {
        for (std::int64_t last = from; last <= from + 70; ++last) {
            for (std::int64_t edge = from; edge <= last + 2; ++edge) {
                std::vector<std::int64_t> probes;
                std::int64_t walked = from;
                while (walked < last && walked + 1 <= edge) {
                    ++walked;
                }
                ASSERT_EQ(LastHolding(from, last, UpTo{edge, &probes}), walked)
                    << from << " " << last << " " << edge;
                ASSERT_EQ(LastHoldingTowards(from, last, UpTo{edge, &probes}), walked);
            }
        }
    }
}

TEST(BracketSearch, TheFirstFaultInProbeOrderIsTheOneRaised) {
    // Every place from 50 on faults with its own message; the doubling reaches 64 first.
    const auto faulty = [](std::int64_t at) {
        if (at >= 50) {
            throw std::runtime_error(std::to_string(at));
        }
        return true;
    };
    try {
        LastHolding<std::int64_t>(0, 1000, faulty);
        ADD_FAILURE() << "no fault";
    } catch (const std::runtime_error& fault) {
        EXPECT_EQ(std::string(fault.what()), "64");
    }
}

TEST(BracketSearch, RealsHalveUpToTheCapOrUntilNarrowEnough) {
    int probes = 0;
    const auto underRootTwo = [&](double x) {
        ++probes;
        return x * x <= 2;
    };
    const Bracket<double> capped = Halve(Bracket<double>{1, 2}, underRootTwo, 10);
    EXPECT_EQ(probes, 10);
    EXPECT_EQ(capped.holds, 1.4140625); // 1 + 2^-2 + 2^-3 + 2^-5 + 2^-7
    EXPECT_EQ(capped.fails, 1.4150390625);

    probes = 0;
    const auto narrow = [](const Bracket<double>& b) {
        return std::fabs(b.fails - b.holds) < 1e-9;
    };
    const Bracket<double> fine = Halve(Bracket<double>{1, 2}, underRootTwo, 1000, narrow);
    EXPECT_EQ(probes, 30);
    EXPECT_NEAR(fine.holds, std::sqrt(2.0), 1e-9);
    EXPECT_LE(fine.holds * fine.holds, 2);
}

} // namespace
