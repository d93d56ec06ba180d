// The closed-form model of the 807 beam power tube and its two inversions.
//
// Volts and amperes throughout. The functions keep no state and allocate nothing.
// Arithmetic faults are never silent: an overflow, a division by zero or an invalid
// operation throws ArithmeticError; no infinity or NaN is ever returned.
#pragma once

#include <stdexcept>
#include <string>

namespace tubemath {

// The seven constants of the 807, in the order the model lists them.
struct TubeParams {
    double MuExponent = 0.253;   // exponent of |Vg| in the fall of the amplification factor
    double ExponentSlope = 99.1; // grid volts per unit change of the law exponent
    double GridDecade = 31.1;    // grid volts per decade of the current coefficient
    double KneeFactor = 300;     // multiplier of Perveance for the knee current
    double MuZero = 8.7;         // amplification factor at zero grid voltage
    double Perveance = 5.7e-05;  // current coefficient at zero grid voltage, A per V^1.48
    double LawExponent = 1.48;   // law exponent at zero grid voltage
};

// Raised for a floating-point overflow, a division by zero or an invalid operation.
// what() is the exact message the user sees.
class ArithmeticError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr const char* kOverflowMessage = "Floating point overflow";
inline constexpr const char* kDivisionByZeroMessage = "Floating point division by zero";
inline constexpr const char* kInvalidOperationMessage = "Invalid floating point operation";
// Raised by the plot's pixel arithmetic (core/plot/pixelmath.h) beyond the 32-bit range.
inline constexpr const char* kIntegerOverflowMessage = "Integer overflow";

// Base raised to Exponent with the sign of Base kept; 1 for a zero exponent, 0 for a zero base.
double SignedPower(double Base, double Exponent);

// X * Y / (X + Y), or 0 when the sum is zero.
double Parallel(double X, double Y);

// Plate current in amperes at grid voltage Vg and plate voltage Va; 0 outside the law's region.
double PlateCurrent(const TubeParams& tube, double Vg, double Va);

// Plate voltage at which the space-charge current equals Ip at grid voltage Vg.
double PlateVoltage(const TubeParams& tube, double Vg, double Ip);

// Grid voltage at which the model draws Ip at plate voltage Va, found by a stepped search
// that starts from Rk * Ip. Any arithmetic fault during the search gives 0.
double GridVoltage(const TubeParams& tube, double Rk, double Ip, double Va);

namespace detail {

// GridVoltage walking every step literally, without skipping the used-up region; for tests.
double GridVoltageStepByStep(const TubeParams& tube, double Rk, double Ip, double Va);

// Where plain 10 V steps towards zero, Vg = Vg - 10 in 64-bit floating point, take a positive
// magnitude: the last value not below `floor` (the start itself when the first step would pass
// it or no longer changes it).
double TenVoltStepsTowardZero(double magnitude, double floor);

} // namespace detail

// PlateCurrent along one curve of constant grid voltage: the work that depends on Vg alone is
// done once. PlateCurrentAt(Va) returns bit-for-bit PlateCurrent(tube, Vg, Va).
class GridCurve {
public:
    GridCurve(const TubeParams& tube, double Vg);
    double PlateCurrentAt(double Va) const;

private:
    // Work that depends on Vg alone, as PlateCurrent would compute it at every call. A fault in
    // one of these steps is kept as its message and raised where PlateCurrent would meet it;
    // nullptr means the step went through.
    TubeParams tube_;
    double vg_;
    bool usedUp_ = false; // SignedPower(|Vg|, MuExponent) >= MuZero
    const char* usedUpFault_ = nullptr;
    double cutoffDivisor_ = 0; // MuZero + SignedPower(Vg, MuExponent)
    const char* cutoffDivisorFault_ = nullptr;
    bool pastExponentLimit_ = false; // Vg / ExponentSlope >= LawExponent
    const char* exponentLimitFault_ = nullptr;
    double coefficient_ = 0; // k
    double muTimesVg_ = 0;   // (MuZero - SignedPower(|Vg|, MuExponent)) * Vg
    const char* coefficientFault_ = nullptr;
    double lawExponent_ = 0; // n
    const char* lawExponentFault_ = nullptr;
    double kneeScale_ = 0; // Perveance * KneeFactor
    const char* kneeScaleFault_ = nullptr;
};

} // namespace tubemath
