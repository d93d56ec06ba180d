// Floating-point arithmetic that reports its faults, shared by the tube model and the plot.
#pragma once

#include "model/tubemath.h"

#include <cmath>

namespace tubemath::checked {

// The hardware does not trap, so every operation checks its operands and result by IEEE's
// rules and throws ArithmeticError with the message the user sees: NaN in or out is an invalid
// operation, a finite x / 0 a division by zero, an infinite result from finite operands an
// overflow. Underflow and inexact results pass silently.

// Carries which of the three messages was raised, so that GridCurve can keep a fault for later.
class Fault : public ArithmeticError {
public:
    explicit Fault(const char* message) : ArithmeticError(message), message_(message) {}
    const char* message() const { return message_; }
    bool IsDivisionByZero() const { return message_ == kDivisionByZeroMessage; }

private:
    const char* message_;
};

[[noreturn]] inline void Raise(const char* message) {
    throw Fault(message);
}

inline double CheckedResult(double result, double x, double y) {
    if (std::isnan(result))
        Raise(kInvalidOperationMessage);
    if (std::isinf(result) && std::isfinite(x) && std::isfinite(y))
        Raise(kOverflowMessage);
    return result;
}

inline double Add(double x, double y) {
    return CheckedResult(x + y, x, y);
}
inline double Sub(double x, double y) {
    return CheckedResult(x - y, x, y);
}
inline double Mul(double x, double y) {
    return CheckedResult(x * y, x, y);
}

inline double Div(double x, double y) {
    if (y == 0 && x != 0 && std::isfinite(x))
        Raise(kDivisionByZeroMessage);
    return CheckedResult(x / y, x, y);
}

inline void CheckOrdered(double x, double y) {
    if (std::isnan(x) || std::isnan(y))
        Raise(kInvalidOperationMessage);
}

inline bool Less(double x, double y) {
    CheckOrdered(x, y);
    return x < y;
}
inline bool Greater(double x, double y) {
    CheckOrdered(x, y);
    return x > y;
}
inline bool GreaterOrEqual(double x, double y) {
    CheckOrdered(x, y);
    return x >= y;
}
inline bool Equal(double x, double y) {
    CheckOrdered(x, y);
    return x == y;
}

inline double Ln(double x) {
    if (std::isnan(x) || x < 0)
        Raise(kInvalidOperationMessage);
    if (x == 0)
        Raise(kDivisionByZeroMessage);
    return std::log(x);
}

inline double Exp(double x) {
    if (std::isnan(x))
        Raise(kInvalidOperationMessage);
    const double result = std::exp(x);
    if (std::isinf(result) && std::isfinite(x))
        Raise(kOverflowMessage);
    return result;
}

} // namespace tubemath::checked
