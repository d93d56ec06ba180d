// The seed model's plate-current law (tubemath::PlateCurrent) on any number type, so that Jets
// give its exact slopes with respect to the grid and plate voltages.
//
// The same operations on the same operands in the same order as model/tubemath.cpp, with the
// same three cut-off tests and checked arithmetic: with double, and in a Jet's value part, it is
// PlateCurrent bit for bit, and it raises ArithmeticError where PlateCurrent does. At Vg = 0,
// where |Vg|^MuExponent has no derivative, the slope per Vg leaves that term out.
#pragma once

#include "model/modellaws.h"
#include "model/tubemath.h"

#include <cmath>

namespace tubemath::laws {

// SignedPower(base, exponent) of model/tubemath.cpp.
template <class T> T SignedPowerOf(const T& base, const T& exponent) {
    if (checked::Equal(ValueOf(exponent), 0))
        return T(1);
    if (checked::Equal(ValueOf(base), 0))
        return T(0);
    const T magnitude =
        Greater(base, 0) ? Exp(Mul(exponent, Ln(base))) : Exp(Mul(exponent, Ln(T(-base))));
    if (std::isinf(ValueOf(magnitude)))
        checked::Raise(kOverflowMessage);
    return ValueOf(base) > 0 ? magnitude : T(-magnitude);
}

// Parallel(x, y) of model/tubemath.cpp.
template <class T> T ParallelOf(const T& x, const T& y) {
    const T sum = Add(x, y);
    if (checked::Equal(ValueOf(sum), 0))
        return T(0);
    return Div(Mul(x, y), sum);
}

template <class T> T SeedPlateCurrent(const TubeParams& tube, const T& vg, const T& va) {
    using std::abs;
    const T muExponent(tube.MuExponent);
    const T muZero(tube.MuZero);
    const T slope(tube.ExponentSlope);
    const T lawExponent(tube.LawExponent);
    const T perveance(tube.Perveance);
    const T magnitude = abs(vg);
    // |Vg|^MuExponent has used up the amplification factor.
    if (checked::GreaterOrEqual(ValueOf(SignedPowerOf(magnitude, muExponent)), tube.MuZero))
        return T(0);
    // The plate voltage does not reach past the grid's cutoff.
    const T divisor = Add(muZero, SignedPowerOf(vg, muExponent));
    if (checked::GreaterOrEqual(-ValueOf(vg), ValueOf(Div(va, divisor))))
        return T(0);
    // The law exponent has reached zero.
    if (checked::GreaterOrEqual(ValueOf(Div(vg, slope)), tube.LawExponent))
        return T(0);
    const T k = Div(perveance, SignedPowerOf(T(10), Div(T(-vg), T(tube.GridDecade))));
    const T mu = Sub(muZero, SignedPowerOf(magnitude, muExponent));
    const T argument = Add(Mul(mu, vg), va);
    const T n = Sub(lawExponent, Div(vg, slope));
    const T spaceCharge = Mul(SignedPowerOf(argument, n), k);
    const T kneePower = SignedPowerOf(va, lawExponent);
    const T knee = Mul(kneePower, Mul(perveance, T(tube.KneeFactor)));
    return Finite(ParallelOf(spaceCharge, knee));
}

} // namespace tubemath::laws
