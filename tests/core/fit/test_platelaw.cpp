// The fit's templated copy of the plate-current law against the model's own PlateCurrent.
#include "core/fit/platelaw.h"

#include "core/fit/fit.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

using valvescope::fit::LawConstants;
using valvescope::fit::PlateCurrentOf;
using Jet = ceres::Jet<double, 7>;

LawConstants<double> AsLaw(const tubemath::TubeParams& t) {
    return {t.MuExponent, t.ExponentSlope, t.GridDecade, t.KneeFactor,
            t.MuZero,     t.Perveance,     t.LawExponent};
}

LawConstants<Jet> AsJetLaw(const tubemath::TubeParams& t) {
    return {Jet(t.MuExponent, 0), Jet(t.ExponentSlope, 1), Jet(t.GridDecade, 2),
            Jet(t.KneeFactor, 3), Jet(t.MuZero, 4),        Jet(t.Perveance, 5),
            Jet(t.LawExponent, 6)};
}

// What a call gave: the value's bits, or the fault's message.
struct Outcome {
    bool Faulted = false;
    std::string Message;
    double Value = 0;
};

template <class Call> Outcome OutcomeOf(Call call) {
    Outcome outcome;
    try {
        outcome.Value = call();
    } catch (const tubemath::ArithmeticError& error) {
        outcome.Faulted = true;
        outcome.Message = error.what();
    }
    return outcome;
}

void ExpectSame(const Outcome& expected, const Outcome& actual, const std::string& where) {
    ASSERT_EQ(expected.Faulted, actual.Faulted) << where;
    if (expected.Faulted)
        EXPECT_EQ(expected.Message, actual.Message) << where;
    else
        EXPECT_EQ(std::bit_cast<std::uint64_t>(expected.Value),
                  std::bit_cast<std::uint64_t>(actual.Value))
            << where << ": " << expected.Value << " vs " << actual.Value;
}

struct Tally {
    int Zero = 0;
    int Flowing = 0;
    int Faulted = 0;
};

Tally CompareAt(const tubemath::TubeParams& tube, const std::vector<double>& grid,
                const std::vector<double>& plate) {
    Tally tally;
    for (double vg : grid)
        for (double va : plate) {
            const std::string where = "Vg " + std::to_string(vg) + " Va " + std::to_string(va);
            const Outcome model = OutcomeOf([&] { return tubemath::PlateCurrent(tube, vg, va); });
            ExpectSame(model, OutcomeOf([&] { return PlateCurrentOf(AsLaw(tube), vg, va); }),
                       where);
            ExpectSame(model, OutcomeOf([&] { return PlateCurrentOf(AsJetLaw(tube), vg, va).a; }),
                       where + " (Jet)");
            tally.Faulted += model.Faulted;
            tally.Zero += !model.Faulted && model.Value == 0;
            tally.Flowing += !model.Faulted && model.Value > 0;
        }
    return tally;
}

TEST(PlateLaw, EqualsPlateCurrentBitForBitOnThe807IncludingEveryCutOff) {
    // From the used-up region (|Vg| >= 5200) through the cutoff to past the exponent limit
    // (Vg / 99.1 >= 1.48), and plate voltages from negative to one whose power overflows.
    const std::vector<double> grid{-6000, -5200, -300, -47.3, -20,   -3.25, -1e-9,
                                   0,     1e-9,  2.5,  50,    146.6, 147,   400};
    const std::vector<double> plate{-100, -1e-12, 0, 1e-9, 0.5, 12.5, 75, 250, 475, 1e300};
    const Tally tally = CompareAt(tubemath::TubeParams{}, grid, plate);
    EXPECT_GT(tally.Zero, 20);
    EXPECT_GT(tally.Flowing, 20);
    EXPECT_GT(tally.Faulted, 0);
}

TEST(PlateLaw, EqualsPlateCurrentBitForBitForSpreadConstants) {
    std::mt19937_64 random(20240611);
    const auto between = [&](double low, double high) {
        return low + (high - low) * static_cast<double>(random() >> 11) * 0x1.0p-53;
    };
    Tally total;
    for (int set = 0; set < 60; ++set) {
        const tubemath::TubeParams tube{between(0.01, 1),
                                        std::exp(between(0, 9.2)),
                                        std::exp(between(0, 6.9)),
                                        std::exp(between(0, 11.5)),
                                        between(1, 200),
                                        std::exp(between(-20.7, 0)),
                                        between(1, 2.5)};
        std::vector<double> grid, plate;
        for (int i = 0; i < 12; ++i) {
            grid.push_back(between(-150, 20));
            plate.push_back(between(-10, 600));
        }
        const Tally tally = CompareAt(tube, grid, plate);
        total.Zero += tally.Zero;
        total.Flowing += tally.Flowing;
    }
    EXPECT_GT(total.Zero, 500);
    EXPECT_GT(total.Flowing, 500);
}

// The Jet's derivatives against central differences of PlateCurrent itself.
TEST(PlateLaw, DerivativesMatchDifferencesOfPlateCurrent) {
    const tubemath::TubeParams tubes[] = {tubemath::TubeParams{},
                                          {0.6, 15, 5, 2.5, 16.3, 1.9e-5, 1.5}};
    const double points[][2] = {{-12, 200}, {-3, 60}, {0, 120}, {4, 80}};
    for (const tubemath::TubeParams& tube : tubes)
        for (const auto& point : points) {
            const Jet current = PlateCurrentOf(AsJetLaw(tube), point[0], point[1]);
            ASSERT_GT(current.a, 0);
            for (int i = 0; i < 7; ++i) {
                double tubemath::TubeParams::*member = valvescope::kFitConstants[i].Member;
                const double h = 1e-6 * tube.*member;
                tubemath::TubeParams up = tube, down = tube;
                up.*member += h;
                down.*member -= h;
                const double difference = (tubemath::PlateCurrent(up, point[0], point[1]) -
                                           tubemath::PlateCurrent(down, point[0], point[1])) /
                                          (2 * h);
                EXPECT_NEAR(current.v[i], difference, 1e-6 * std::fabs(difference) + 1e-15)
                    << valvescope::kFitConstants[i].Name << " at Vg " << point[0];
            }
        }
}

} // namespace
