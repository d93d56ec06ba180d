// The plate-current law of model/tubemath.cpp written once more as a template, so that the fit
// can differentiate it with Ceres' Jets.
//
// Every step is the same operation on the same operands in the same order as PlateCurrent, with
// the same three cut-off tests and the same checked arithmetic: instantiated with double it
// gives PlateCurrent bit for bit, and with a Jet its value part does too (the quotient is formed
// as a plain division, not as Ceres' product with a reciprocal). A fault raises
// tubemath::ArithmeticError with PlateCurrent's message.
#pragma once

#include "model/checkedmath.h"
#include "model/tubemath.h"

#include <ceres/jet.h>

#include <cmath>

namespace valvescope::fit {

// The seven constants as numbers of type T, in the order of TubeParams.
template <class T> struct LawConstants {
    T MuExponent;
    T ExponentSlope;
    T GridDecade;
    T KneeFactor;
    T MuZero;
    T Perveance;
    T LawExponent;
};

namespace law {

inline double ValueOf(double x) {
    return x;
}
template <int N> double ValueOf(const ceres::Jet<double, N>& x) {
    return x.a;
}

inline double Quotient(double x, double y) {
    return x / y;
}
template <int N>
ceres::Jet<double, N> Quotient(const ceres::Jet<double, N>& f, const ceres::Jet<double, N>& g) {
    ceres::Jet<double, N> result;
    result.a = f.a / g.a;
    result.v = (f.v - result.a * g.v) / g.a;
    return result;
}

// The checked operations of model/checkedmath.h, judged on the value part.
template <class T> T Checked(const T& result, const T& x, const T& y) {
    tubemath::checked::CheckedResult(ValueOf(result), ValueOf(x), ValueOf(y));
    return result;
}
template <class T> T Add(const T& x, const T& y) {
    return Checked<T>(x + y, x, y);
}
template <class T> T Sub(const T& x, const T& y) {
    return Checked<T>(x - y, x, y);
}
template <class T> T Mul(const T& x, const T& y) {
    return Checked<T>(x * y, x, y);
}
template <class T> T Div(const T& x, const T& y) {
    const double xv = ValueOf(x);
    if (ValueOf(y) == 0 && xv != 0 && std::isfinite(xv))
        tubemath::checked::Raise(tubemath::kDivisionByZeroMessage);
    return Checked<T>(Quotient(x, y), x, y);
}
template <class T> bool GreaterOrEqual(const T& x, const T& y) {
    return tubemath::checked::GreaterOrEqual(ValueOf(x), ValueOf(y));
}
template <class T> bool Equal(const T& x, const T& y) {
    return tubemath::checked::Equal(ValueOf(x), ValueOf(y));
}
template <class T> T Ln(const T& x) {
    tubemath::checked::Ln(ValueOf(x));
    using std::log;
    return log(x);
}
template <class T> T Exp(const T& x) {
    tubemath::checked::Exp(ValueOf(x));
    using std::exp;
    return exp(x);
}

template <class T> T SignedPower(const T& base, const T& exponent) {
    if (Equal(exponent, T(0)))
        return T(1);
    if (Equal(base, T(0)))
        return T(0);
    const bool positive = tubemath::checked::Greater(ValueOf(base), 0);
    const T magnitude = positive ? Exp(Mul(exponent, Ln(base))) : Exp(Mul(exponent, Ln(T(-base))));
    if (std::isinf(ValueOf(magnitude)))
        tubemath::checked::Raise(tubemath::kOverflowMessage);
    return ValueOf(base) > 0 ? magnitude : T(-magnitude);
}

template <class T> T Parallel(const T& x, const T& y) {
    const T sum = Add(x, y);
    if (Equal(sum, T(0)))
        return T(0);
    return Div(Mul(x, y), sum);
}

} // namespace law

// PlateCurrent(tube, vg, va) for constants of type T.
template <class T> T PlateCurrentOf(const LawConstants<T>& tube, double vg, double va) {
    using namespace law;
    const T g(vg);
    const T a(va);
    // |Vg|^MuExponent has used up the amplification factor.
    if (GreaterOrEqual(SignedPower(T(std::fabs(vg)), tube.MuExponent), tube.MuZero))
        return T(0);
    // The plate voltage does not reach past the grid's cutoff.
    const T divisor = Add(tube.MuZero, SignedPower(g, tube.MuExponent));
    if (GreaterOrEqual(T(-vg), Div(a, divisor)))
        return T(0);
    // The law exponent has reached zero.
    if (GreaterOrEqual(Div(g, tube.ExponentSlope), tube.LawExponent))
        return T(0);
    const T k = Div(tube.Perveance, SignedPower(T(10), Div(T(-vg), tube.GridDecade)));
    const T mu = Sub(tube.MuZero, SignedPower(T(std::fabs(vg)), tube.MuExponent));
    const T argument = Add(Mul(mu, g), a);
    const T n = Sub(tube.LawExponent, Div(g, tube.ExponentSlope));
    const T spaceCharge = Mul(SignedPower(argument, n), k);
    const T kneePower = SignedPower(a, tube.LawExponent);
    const T knee = Mul(kneePower, Mul(tube.Perveance, tube.KneeFactor));
    return Parallel(spaceCharge, knee);
}

} // namespace valvescope::fit
