#include "core/readout/readoutgrid.h"

#include "core/search/bracketsearch.h"
#include "model/checkedmath.h"

#include <algorithm>
#include <cmath>

namespace valvescope {

namespace {

using tubemath::checked::Add;
using tubemath::checked::Sub;

constexpr double kLastStep = 0.01;

// Past these the model draws no current at any plate voltage: below, |Vg|^MuExponent has used up
// the amplification factor; from the upper one on, the law exponent has reached zero. A little
// room is left beyond the lower one, so that the walk ends where the current is surely zero.
struct GridRange {
    double Lowest;
    double Highest;
};

GridRange WholeGridRange(const tubemath::TubeParams& tube) {
    const double usedUp = std::pow(tube.MuZero, 1.0 / tube.MuExponent);
    return {-(usedUp + 20), tube.LawExponent * tube.ExponentSlope};
}

// The readout's own walk: steps of 10, 1, 0.1 and 0.01 V in turn, each turning back where the
// current passes the target, as GridVoltage walks, but bounded by the whole grid range.
class ReadoutWalk {
public:
    ReadoutWalk(const tubemath::TubeParams& tube, double ip, double va, double vg)
        : tube_(tube), ip_(ip), va_(va), range_(WholeGridRange(tube)) {
        // A start far outside the range (a huge Rk) would take steps that no longer move it.
        MoveTo(std::clamp(vg, range_.Lowest, range_.Highest));
    }

    double Run() {
        if (current_ >= ip_) {
            WalkDown(10.0, range_.Lowest);
            WalkUp(1.0, Add(vg_, 10.0));
            WalkDown(0.1, Sub(vg_, 1.0));
            WalkUp(kLastStep, Add(vg_, 0.1));
        } else {
            WalkUp(10.0, range_.Highest);
            WalkDown(1.0, Sub(vg_, 10.0));
            WalkUp(0.1, Add(vg_, 1.0));
            WalkDown(kLastStep, Sub(vg_, 0.1));
        }
        return vg_;
    }

private:
    void WalkDown(double step, double bound) {
        while (current_ > ip_ && vg_ > bound) {
            MoveTo(Sub(vg_, step));
        }
    }

    void WalkUp(double step, double bound) {
        while (current_ < ip_ && vg_ < bound) {
            MoveTo(Add(vg_, step));
        }
    }

    void MoveTo(double vg) {
        vg_ = vg;
        current_ = std::max(tubemath::PlateCurrent(tube_, vg_, va_), 0.0);
    }

    const tubemath::TubeParams& tube_;
    double ip_;
    double va_;
    GridRange range_;
    double vg_ = 0;
    double current_ = 0;
};

} // namespace

bool ReproducesCurrent(const tubemath::TubeParams& tube, double Vg, double Ip, double Va) {
    const double below = tubemath::PlateCurrent(tube, Sub(Vg, kLastStep), Va);
    const double at = tubemath::PlateCurrent(tube, Vg, Va);
    const double above = tubemath::PlateCurrent(tube, Add(Vg, kLastStep), Va);
    return std::min({below, at, above}) <= Ip && Ip <= std::max({below, at, above});
}

double ReadoutGridVoltage(const tubemath::TubeParams& tube, double Rk, double Ip, double Va) {
    const double searched = tubemath::GridVoltage(tube, Rk, Ip, Va);
    // No grid voltage draws a current at a plate voltage at or below zero, nor a negative one.
    if (!(Va > 0) || !(Ip > 0)) {
        return searched;
    }
    try {
        if (ReproducesCurrent(tube, searched, Ip, Va)) {
            return searched;
        }
        const double walked = ReadoutWalk(tube, Ip, Va, searched).Run();
        return ReproducesCurrent(tube, walked, Ip, Va) ? walked : searched;
    } catch (const tubemath::ArithmeticError&) {
        return searched;
    }
}

std::optional<double> ModelGridVoltage(const tubemath::WiredModel& tube, double Ip, double Va) {
    const auto atOrBelow = [&](double vg) {
        try {
            return tubemath::CurrentsAt(tube, vg, Va).Plate <= Ip;
        } catch (const tubemath::ArithmeticError&) {
            return false; // the laws fault on the way up only where the current overflows
        }
    };
    search::Bracket<double> bracket{};
    if (atOrBelow(0)) {
        const search::Bracket<std::int64_t> volts = search::Gallop<std::int64_t>(
            0, kModelGridReach, [&](std::int64_t v) { return atOrBelow(static_cast<double>(v)); });
        if (volts.fails > kModelGridReach) {
            return std::nullopt;
        }
        bracket = {static_cast<double>(volts.holds), static_cast<double>(volts.fails)};
    } else {
        const search::Bracket<std::int64_t> volts =
            search::Gallop<std::int64_t>(0, kModelGridReach, [&](std::int64_t v) {
                return !atOrBelow(-static_cast<double>(v));
            });
        if (volts.fails > kModelGridReach) {
            return std::nullopt;
        }
        bracket = {-static_cast<double>(volts.fails), -static_cast<double>(volts.holds)};
    }
    // From a bracket at most 2^40 V wide, 200 halvings reach neighbouring doubles for any root
    // but one within a hair of 0 V, which they leave closer than any grid voltage can be read.
    constexpr int kMostHalvings = 200;
    const auto neighbours = [](const search::Bracket<double>& b) {
        const double middle = (b.holds + b.fails) / 2;
        return middle == b.holds || middle == b.fails;
    };
    return search::Halve(bracket, atOrBelow, kMostHalvings, neighbours).holds;
}

} // namespace valvescope
