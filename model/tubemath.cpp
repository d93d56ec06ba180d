#include "model/tubemath.h"

#include "model/checkedmath.h"

#include <algorithm>
#include <cmath>
#include <exception>

namespace tubemath {

namespace {

using namespace checked;

void RaiseIfSet(const char* fault) {
    if (fault != nullptr)
        Raise(fault);
}

// Runs work and returns the message of the fault it raised, or nullptr.
template <class Work> const char* FaultOf(Work work) {
    try {
        work();
        return nullptr;
    } catch (const checked::Fault& fault) {
        return fault.message();
    }
}

// First law test: |Vg|^MuExponent has used up the amplification factor.
bool AmplificationUsedUp(const TubeParams& tube, double vg) {
    return GreaterOrEqual(SignedPower(std::fabs(vg), tube.MuExponent), tube.MuZero);
}

// Second law test: the plate voltage does not reach past the grid's cutoff.
bool CutOff(const TubeParams& tube, double vg, double va) {
    const double divisor = Add(tube.MuZero, SignedPower(vg, tube.MuExponent));
    return GreaterOrEqual(-vg, Div(va, divisor));
}

// Third law test: the law exponent has reached zero.
bool PastExponentLimit(const TubeParams& tube, double vg) {
    return GreaterOrEqual(Div(vg, tube.ExponentSlope), tube.LawExponent);
}

double CurrentCoefficient(const TubeParams& tube, double vg) {
    return Div(tube.Perveance, SignedPower(10, Div(-vg, tube.GridDecade)));
}

double MuTimesVg(const TubeParams& tube, double vg) {
    const double mu = Sub(tube.MuZero, SignedPower(std::fabs(vg), tube.MuExponent));
    return Mul(mu, vg);
}

double LawExponentAt(const TubeParams& tube, double vg) {
    return Sub(tube.LawExponent, Div(vg, tube.ExponentSlope));
}

// The space-charge current in parallel with the knee current, once the tests have passed.
double LawCurrent(const TubeParams& tube, double vg, double va) {
    const double k = CurrentCoefficient(tube, vg);
    const double argument = Add(MuTimesVg(tube, vg), va);
    const double n = LawExponentAt(tube, vg);
    const double spaceCharge = Mul(SignedPower(argument, n), k);
    const double kneePower = SignedPower(va, tube.LawExponent);
    const double knee = Mul(kneePower, Mul(tube.Perveance, tube.KneeFactor));
    return Parallel(spaceCharge, knee);
}

// The grid search's own current: PlateCurrent without the exponent-limit test.
double SearchCurrent(const TubeParams& tube, double vg, double va) {
    if (AmplificationUsedUp(tube, vg))
        return 0;
    if (CutOff(tube, vg, va))
        return 0;
    return LawCurrent(tube, vg, va);
}

// Raised when a step no longer changes Vg, so that a walk could never reach its bound.
struct StalledWalk : std::exception {
    const char* what() const noexcept override { return "The grid voltage search stalled"; }
};

// A grid magnitude from which outwards the amplification factor is used up for certain, so
// that the search current there is exactly 0; infinity where the tube has none. With a positive
// MuExponent, |Vg|^MuExponent = exp(MuExponent * ln |Vg|) keeps the order of the magnitudes at
// every step, so the first test holds from one magnitude on; the estimate MuZero^(1 /
// MuExponent) is raised until the test holds there (for the 807 about 5170 V).
double UsedUpFrom(const TubeParams& tube) {
    constexpr double kNone = HUGE_VAL;
    if (!(tube.MuExponent > 0) || !(tube.MuZero > 0) || !std::isfinite(tube.MuExponent) ||
        !std::isfinite(tube.MuZero)) {
        return kNone;
    }
    const long double estimate = std::pow(static_cast<long double>(tube.MuZero),
                                          1 / static_cast<long double>(tube.MuExponent));
    if (!(estimate < 1e300L)) {
        return kNone;
    }
    double g = static_cast<double>(estimate);
    try {
        for (int tries = 0; !AmplificationUsedUp(tube, g); ++tries) {
            if (tries == 200) {
                return kNone;
            }
            g = std::nextafter(g * (1 + 1e-12), kNone);
        }
    } catch (const ArithmeticError&) {
        return kNone;
    }
    return g;
}

class GridSearch {
public:
    GridSearch(const TubeParams& tube, double rk, double ip, double va, bool skipUsedUp)
        : tube_(tube), ip_(ip), va_(va), vg_(Mul(rk, ip)), current_(SearchCurrent(tube, vg_, va)),
          skipUsedUp_(skipUsedUp) {}

    double Run() {
        if (GreaterOrEqual(current_, ip_))
            SearchDownFirst();
        else
            SearchUpFirst();
        return vg_;
    }

private:
    void SearchDownFirst() {
        WalkDown(10.0, -100.0);
        double reference = vg_;
        WalkUp(1.0, Add(reference, 10.0));
        reference = vg_;
        WalkDown(0.1, Sub(reference, 1.0));
        reference = vg_;
        WalkUp(0.01, Add(reference, 0.1));
    }

    void SearchUpFirst() {
        WalkUp(10.0, 100.0);
        double reference = vg_;
        WalkDown(1.0, Sub(reference, 10.0));
        reference = vg_;
        WalkUp(0.1, Add(reference, 1.0));
        reference = vg_;
        WalkDown(0.01, Sub(reference, 0.1));
    }

    void WalkDown(double step, double bound) {
        while (Greater(current_, ip_) && Greater(vg_, bound)) {
            if (step == 10.0 && vg_ > 0)
                SkipThroughUsedUp();
            MoveTo(Sub(vg_, step));
        }
    }

    void WalkUp(double step, double bound) {
        while (Less(current_, ip_) && Less(vg_, bound)) {
            if (step == 10.0 && vg_ < 0)
                SkipThroughUsedUp();
            MoveTo(Add(vg_, step));
        }
    }

    // A 10 V walk towards zero through the used-up region sees a current of exactly 0 at every
    // step, so neither of its tests can change there: Vg goes straight to where the steps would
    // take it, the last point still in the region, and the walk goes on from there.
    // Every magnitude walked through lies below |Vg|, where the test was made without a fault,
    // and so can be made without one too.
    void SkipThroughUsedUp() {
        if (!skipUsedUp_ || current_ != 0 || !(std::fabs(vg_) >= 1e4))
            return;
        if (usedUpFrom_ < 0)
            usedUpFrom_ = UsedUpFrom(tube_);
        if (!(std::fabs(vg_) >= usedUpFrom_ + 10))
            return;
        const double magnitude = detail::TenVoltStepsTowardZero(std::fabs(vg_), usedUpFrom_);
        vg_ = vg_ > 0 ? magnitude : -magnitude;
    }

    void MoveTo(double vg) {
        if (vg == vg_)
            throw StalledWalk{};
        vg_ = vg;
        current_ = SearchCurrent(tube_, vg_, va_);
        if (Less(current_, 0))
            current_ = 0;
    }

    const TubeParams& tube_;
    double ip_;
    double va_;
    double vg_;
    double current_;
    bool skipUsedUp_;
    double usedUpFrom_ = -1; // looked for on the first skip
};

} // namespace

double SignedPower(double Base, double Exponent) {
    if (Equal(Exponent, 0))
        return 1;
    if (Equal(Base, 0))
        return 0;
    const double magnitude =
        Greater(Base, 0) ? Exp(Mul(Exponent, Ln(Base))) : Exp(Mul(Exponent, Ln(-Base)));
    // An infinite base or exponent gives an infinite power without an IEEE fault; it is
    // still a result beyond the range.
    if (std::isinf(magnitude))
        Raise(kOverflowMessage);
    return Base > 0 ? magnitude : -magnitude;
}

double Parallel(double X, double Y) {
    const double sum = Add(X, Y);
    if (Equal(sum, 0))
        return 0;
    return Div(Mul(X, Y), sum);
}

double PlateCurrent(const TubeParams& tube, double Vg, double Va) {
    if (AmplificationUsedUp(tube, Vg))
        return 0;
    if (CutOff(tube, Vg, Va))
        return 0;
    if (PastExponentLimit(tube, Vg))
        return 0;
    return LawCurrent(tube, Vg, Va);
}

double PlateVoltage(const TubeParams& tube, double Vg, double Ip) {
    if (PastExponentLimit(tube, Vg))
        return 0;
    const double mu = Sub(tube.MuZero, SignedPower(-Vg, tube.MuExponent));
    const double cutoffShift = Mul(mu, Vg);
    const double k = CurrentCoefficient(tube, Vg);
    const double ratio = Div(Ip, k);
    const double root = SignedPower(ratio, Div(1, LawExponentAt(tube, Vg)));
    return Sub(root, cutoffShift);
}

namespace {

double RunGridSearch(const TubeParams& tube, double Rk, double Ip, double Va, bool skipUsedUp) {
    try {
        return GridSearch(tube, Rk, Ip, Va, skipUsedUp).Run();
    } catch (const ArithmeticError&) {
        return 0;
    } catch (const StalledWalk&) {
        return 0;
    }
}

} // namespace

double GridVoltage(const TubeParams& tube, double Rk, double Ip, double Va) {
    return RunGridSearch(tube, Rk, Ip, Va, true);
}

namespace detail {

double GridVoltageStepByStep(const TubeParams& tube, double Rk, double Ip, double Va) {
    return RunGridSearch(tube, Rk, Ip, Va, false);
}

// Below 2^53 a step of 10 is exact. Above, Vg - 10 is rounded to the binade's spacing: 12 or
// 8 once and then 8 (spacing 4, ties to even), 8 (spacing 8), 16 (spacing 16), and nothing at
// all from spacing 32 on. Within one binade every step after the first takes off the same
// amount, so two plain steps show that amount and the rest of the binade goes in one jump.
double TenVoltStepsTowardZero(double magnitude, double floor) {
    for (;;) {
        const double first = magnitude - 10;
        if (first < floor || first == magnitude)
            return magnitude;
        const double second = first - 10;
        if (second < floor || second == first)
            return first;
        // Steps whose plain difference would leave the binade are rounded to the finer spacing
        // below; they are taken one by one.
        const double bottom = std::max(std::ldexp(1.0, std::ilogb(second)) + 10, floor);
        if (!(second > 0) || std::ilogb(first) != std::ilogb(second) || second < bottom) {
            magnitude = second;
            continue;
        }
        // Exact: the two lie within a factor of two. The jump below subtracts a whole number of
        // these, which is a multiple of the binade's spacing and lands inside it.
        const double decrement = first - second;
        magnitude = second - std::floor((second - bottom) / decrement) * decrement;
    }
}

} // namespace detail

GridCurve::GridCurve(const TubeParams& tube, double Vg) : tube_(tube), vg_(Vg) {
    usedUpFault_ = FaultOf([&] { usedUp_ = AmplificationUsedUp(tube_, vg_); });
    cutoffDivisorFault_ =
        FaultOf([&] { cutoffDivisor_ = Add(tube_.MuZero, SignedPower(vg_, tube_.MuExponent)); });
    exponentLimitFault_ = FaultOf([&] { pastExponentLimit_ = PastExponentLimit(tube_, vg_); });
    coefficientFault_ = FaultOf([&] {
        coefficient_ = CurrentCoefficient(tube_, vg_);
        muTimesVg_ = MuTimesVg(tube_, vg_);
    });
    lawExponentFault_ = FaultOf([&] { lawExponent_ = LawExponentAt(tube_, vg_); });
    kneeScaleFault_ = FaultOf([&] { kneeScale_ = Mul(tube_.Perveance, tube_.KneeFactor); });
}

// The steps of PlateCurrent in the same order; a kept fault is raised where its step stands.
double GridCurve::PlateCurrentAt(double Va) const {
    RaiseIfSet(usedUpFault_);
    if (usedUp_)
        return 0;
    RaiseIfSet(cutoffDivisorFault_);
    if (GreaterOrEqual(-vg_, Div(Va, cutoffDivisor_)))
        return 0;
    RaiseIfSet(exponentLimitFault_);
    if (pastExponentLimit_)
        return 0;
    RaiseIfSet(coefficientFault_);
    const double argument = Add(muTimesVg_, Va);
    RaiseIfSet(lawExponentFault_);
    const double spaceCharge = Mul(SignedPower(argument, lawExponent_), coefficient_);
    const double kneePower = SignedPower(Va, tube_.LawExponent);
    RaiseIfSet(kneeScaleFault_);
    const double knee = Mul(kneePower, kneeScale_);
    return Parallel(spaceCharge, knee);
}

} // namespace tubemath
