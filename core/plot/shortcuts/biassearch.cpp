#include "core/plot/shortcuts/biassearch.h"

#include "core/plot/pixelmath.h"
#include "core/plot/plotmapping.h"
#include "core/search/bracketsearch.h"

#include <algorithm>
#include <cmath>

namespace valvescope {

namespace {

constexpr std::uint64_t kNoStep = std::numeric_limits<std::uint64_t>::max();

} // namespace

// Within one binade every step after the first adds the same amount (a tie, possible in one
// binade only, goes the same way once the last bit is even), so three plain steps show that
// amount and the rest of the binade is crossed in one multiplication.
double BiasStepSum(std::uint64_t steps) {
    double sum = 0;
    while (steps > 0) {
        const double first = sum + kBiasStep;
        const double second = first + kBiasStep;
        const double third = second + kBiasStep;
        if (steps <= 3) {
            return steps == 1 ? first : steps == 2 ? second : third;
        }
        steps -= 3;
        sum = third;
        if (std::ilogb(second) != std::ilogb(third)) {
            continue;
        }
        const double increment = third - second;
        const double ceiling = std::ldexp(1.0, std::ilogb(third) + 1);
        auto room = static_cast<std::uint64_t>((ceiling - third) / increment);
        // Steps whose plain sum would reach the next binade are taken one by one.
        while (room > 0 && third + static_cast<double>(room + 2) * increment >= ceiling) {
            --room;
        }
        const std::uint64_t jump = std::min(room, steps);
        sum = third + static_cast<double>(jump) * increment;
        steps -= jump;
    }
    return sum;
}

BiasLineSearch::BiasLineSearch(const tubemath::TubeParams& tube, const PlotSettings& settings)
    : tube_(tube), Rk_(settings.Rk), topCurrent_(settings.EndI / 1000.0),
      shape_(BiasShapeFor(tube, settings.Rk, topCurrent_, settings.EndV)) {
    if (shape_.proven) {
        peak_ = Peak();
    }
}

// Continued by plain steps from the last current formed when that is close below, formed anew
// otherwise.
double BiasLineSearch::CurrentAfter(std::uint64_t steps) const {
    constexpr std::uint64_t kPlainStepsAhead = 64;
    if (steps >= summedSteps_ && steps - summedSteps_ <= kPlainStepsAhead) {
        for (; summedSteps_ < steps; ++summedSteps_) {
            stepSum_ += kBiasStep;
        }
    } else {
        summedSteps_ = steps;
        stepSum_ = BiasStepSum(steps);
    }
    return stepSum_;
}

// A fault counts as a stop: the search would end there with it.
bool BiasLineSearch::StopsAt(double I, double Va) const {
    try {
        return BiasSearchStopsAt(tube_, Rk_, topCurrent_, I, Va);
    } catch (const tubemath::ArithmeticError&) {
        return true;
    }
}

// Most searches end within a few steps, which are taken one by one as the search takes them.
// Beyond those the bias voltage rises with the current, so the stop is found by doubling the
// distance and halving the interval instead of stepping. Past its peak the bias voltage falls
// again, so the doubling never jumps over the peak: a voltage just below it is reached only in
// a narrow band of currents before it.
std::uint64_t BiasLineSearch::End(std::uint64_t from, double Va) const {
    constexpr std::uint64_t kStepsTakenOneByOne = 64;
    double I = CurrentAfter(from);
    for (std::uint64_t taken = 0; taken < kStepsTakenOneByOne; ++taken) {
        if (StopsAt(I, Va)) {
            return from + taken;
        }
        I += kBiasStep;
    }
    from += kStepsTakenOneByOne;
    if (StopsAt(I, Va)) {
        return from;
    }
    const auto runsOn = [&](std::uint64_t steps) { return !StopsAt(CurrentAfter(steps), Va); };
    const search::Bracket<std::uint64_t> bracket = search::Gallop(from, kNoStep - 1, runsOn, peak_);
    return search::Halve(bracket, runsOn).fails;
}

std::optional<double> BiasLineSearch::Voltage(std::uint64_t steps) const {
    const double I = CurrentAfter(steps);
    try {
        return BiasVoltageAt(tube_, Rk_, I);
    } catch (const tubemath::ArithmeticError&) {
        return std::nullopt;
    }
}

double BiasLineSearch::CurrentAt(std::uint64_t steps) const {
    const double I = CurrentAfter(steps);
    BiasVoltageAt(tube_, Rk_, I);
    return ClampedCurrent(I);
}

// The first step count whose current meets `holds`, which once met stays met as the current
// rises; kNoStep when none does up to 2^63 steps.
template <class Holds> std::uint64_t BiasLineSearch::FirstStepWhere(Holds holds) const {
    if (holds(CurrentAfter(0))) {
        return 0;
    }
    constexpr std::uint64_t kLastStep = std::uint64_t{1} << 63;
    const auto notYet = [&](std::uint64_t steps) { return !holds(CurrentAfter(steps)); };
    const search::Bracket<std::uint64_t> bracket =
        search::Gallop<std::uint64_t>(0, kLastStep, notYet);
    if (bracket.fails > kLastStep) {
        return kNoStep;
    }
    return search::Halve(bracket, notYet).fails;
}

// The step count of the bias voltage's peak, if the search can pass it before reaching the top of
// the plot. The bias voltage rises with the current up to the grid magnitude BiasShapeFor shows
// (for the 807 with a positive Rk, the grid near -3300 V), then has one peak and falls for good;
// with a negative Rk the grid goes above 0 V, and past the law exponent's limit the model's plate
// voltage is 0 and the bias voltage (Rk * I) below every plate voltage searched for. The peak is
// found by narrowing the interval by thirds.
std::uint64_t BiasLineSearch::Peak() const {
    if (!shape_.peaks) {
        return kNoStep;
    }
    const double magnitudeRk = std::fabs(Rk_);
    std::uint64_t low =
        FirstStepWhere([&](double I) { return magnitudeRk * I > shape_.risingUpTo; });
    if (shape_.capped) {
        return low; // past every plate voltage searched: no search goes beyond it
    }
    low = low == 0 || low == kNoStep ? low : low - 1;
    const tubemath::TubeParams& t = tube_;
    std::uint64_t high = FirstStepWhere([&](double I) {
        return !(I < topCurrent_) || (Rk_ < 0 && -Rk_ * I / t.ExponentSlope >= t.LawExponent);
    });
    if (high == kNoStep || high < low) {
        return kNoStep;
    }
    const auto voltage = [this](std::uint64_t steps) {
        return Voltage(steps).value_or(-std::numeric_limits<double>::infinity());
    };
    while (high - low > 2) {
        const std::uint64_t third = (high - low) / 3;
        const std::uint64_t left = low + third;
        const std::uint64_t right = high - third;
        (voltage(left) < voltage(right) ? low : high) =
            voltage(left) < voltage(right) ? left : right;
    }
    std::uint64_t peak = low;
    for (std::uint64_t steps = low + 1; steps <= high; ++steps) {
        if (voltage(steps) > voltage(peak)) {
            peak = steps;
        }
    }
    return peak;
}

} // namespace valvescope
