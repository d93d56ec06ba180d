// The screen-grid and Koren models' current laws, written once as templates on the number type.
//
// With double they are the models' evaluation; with ceres::Jet they give the exact derivatives
// with respect to whatever was seeded (the voltages for the readout and the stage, the constants
// for a fit), from the same steps, so the two can never drift apart. Only the value part of a
// number decides a branch or a fault, and a Jet's value part is computed with the same operations
// on the same operands as the double, so it is bit for bit the double's result. This header needs
// no Ceres: a number that is not a plain double is taken to be Jet-like (a value `a`, a
// derivative vector `v`), and the Jet's own functions are found by argument-dependent lookup.
//
// Arithmetic faults raise tubemath::ArithmeticError with the seed model's messages; no infinity
// or NaN is returned, in a value or in a derivative.
#pragma once

#include "model/checkedmath.h"
#include "model/tubemath.h"

#include <cmath>
#include <type_traits>

namespace tubemath {

// The models beside the seed, and the seed itself.
enum class ModelKind { Seed, KorenTriode, KorenPentode, Derk, DerkE };

// The constants of the Koren and Reefman models, by the names their authors use.
enum class ModelConstant { Mu, Ex, Kg1, Kg2, Kp, Kvb, A, AlphaS, Beta };
inline constexpr int kModelConstantCount = 9;

template <class T> struct ModelConstants {
    T Mu{};     // amplification factor
    T Ex{};     // law exponent
    T Kg1{};    // plate current divisor
    T Kg2{};    // screen current divisor
    T Kp{};     // softness of the cut-off
    T Kvb{};    // knee (V^2 under the root for the triode and Reefman's, V for Koren's pentode)
    T A{};      // slope of the plate current with plate voltage (Reefman)
    T AlphaS{}; // share of the current the screen takes at low plate voltage (Reefman)
    T Beta{};   // plate voltage scale of that share (Reefman), 1/V

    T& operator[](ModelConstant c) { return *Member(this, c); }
    const T& operator[](ModelConstant c) const { return *Member(this, c); }

private:
    template <class Self> static auto Member(Self* self, ModelConstant c) {
        switch (c) {
        case ModelConstant::Mu:
            return &self->Mu;
        case ModelConstant::Ex:
            return &self->Ex;
        case ModelConstant::Kg1:
            return &self->Kg1;
        case ModelConstant::Kg2:
            return &self->Kg2;
        case ModelConstant::Kp:
            return &self->Kp;
        case ModelConstant::Kvb:
            return &self->Kvb;
        case ModelConstant::A:
            return &self->A;
        case ModelConstant::AlphaS:
            return &self->AlphaS;
        case ModelConstant::Beta:
            break;
        }
        return &self->Beta;
    }
};

template <class T> struct CurrentPair {
    T Plate{};
    T Screen{};
};

namespace laws {

template <class T> double ValueOf(const T& x) {
    if constexpr (std::is_arithmetic_v<T>)
        return x;
    else
        return x.a;
}

// A value and every derivative finite, or the fault that made them otherwise.
template <class T> const T& Finite(const T& x) {
    if constexpr (!std::is_arithmetic_v<T>) {
        for (int i = 0; i < x.v.size(); ++i) {
            if (std::isnan(x.v[i]))
                checked::Raise(kInvalidOperationMessage);
            if (std::isinf(x.v[i]))
                checked::Raise(kOverflowMessage);
        }
    }
    return x;
}

template <class T> T Checked(const T& result, const T& x, const T& y) {
    checked::CheckedResult(ValueOf(result), ValueOf(x), ValueOf(y));
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
// A plain quotient for the value part too (Ceres multiplies by the reciprocal), so that the
// Jet's value stays the double's.
template <class T> T Div(const T& x, const T& y) {
    const double xv = ValueOf(x);
    if (ValueOf(y) == 0 && xv != 0 && std::isfinite(xv))
        checked::Raise(kDivisionByZeroMessage);
    if constexpr (std::is_arithmetic_v<T>) {
        return Checked<T>(x / y, x, y);
    } else {
        T result;
        result.a = x.a / y.a;
        result.v = (x.v - result.a * y.v) / y.a;
        return Checked<T>(result, x, y);
    }
}
template <class T> bool Greater(const T& x, double y) {
    return checked::Greater(ValueOf(x), y);
}
template <class T> T Ln(const T& x) {
    checked::Ln(ValueOf(x));
    using std::log;
    return log(x);
}
template <class T> T Exp(const T& x) {
    checked::Exp(ValueOf(x));
    using std::exp;
    return exp(x);
}
template <class T> T Sqrt(const T& x) {
    if (std::isnan(ValueOf(x)) || ValueOf(x) < 0)
        checked::Raise(kInvalidOperationMessage);
    using std::sqrt;
    return sqrt(x);
}
template <class T> T Atan(const T& x) {
    checked::CheckOrdered(ValueOf(x), 0);
    using std::atan;
    return atan(x);
}
// Base raised to a power, for a base above zero.
template <class T, class E> T Pow(const T& base, const E& exponent) {
    using std::pow;
    const T result = pow(base, exponent);
    checked::CheckedResult(ValueOf(result), ValueOf(base), ValueOf(exponent));
    return result;
}

// ln(1 + exp(x)) as max(x, 0) + ln(1 + exp(-|x|)), which neither overflows for large x nor loses
// the small values for very negative x. Written with one branch per side of zero, so that the
// derivative is the logistic function at x = 0 too; the value is the same bit for bit (0 + y is
// y).
template <class T> T Softplus(const T& x) {
    if (checked::GreaterOrEqual(ValueOf(x), 0))
        return Add(x, Ln(Add(T(1), Exp(T(-x)))));
    return Ln(Add(T(1), Exp(x)));
}

// Koren's E1: (v / kp) ln(1 + exp(kp (1/mu + vg / divisor))).
template <class T>
T KorenDrive(const ModelConstants<T>& c, const T& vg, const T& v, const T& divisor) {
    const T x = Mul(c.Kp, Add(Div(T(1), c.Mu), Div(vg, divisor)));
    return Mul(Div(v, c.Kp), Softplus(x));
}

// Koren 1996, "Improved vacuum-tube models for SPICE simulations", Glass Audio 8(5), the triode:
// E1 = (Va / kp) ln(1 + exp(kp (1/mu + Vg / sqrt(kvb + Va^2)))),
// Ia = (E1^ex + sgn(E1) |E1|^ex) / kg1, that is 2 E1^ex / kg1 for E1 > 0, else 0.
template <class T>
CurrentPair<T> KorenTriodeCurrents(const ModelConstants<T>& c, const T& vg, const T& va) {
    // At Va <= 0, the value at Va = 0: E1 = 0, no current.
    if (!Greater(va, 0))
        return {};
    const T e1 = KorenDrive(c, vg, va, Sqrt(Add(c.Kvb, Mul(va, va))));
    if (!Greater(e1, 0))
        return {};
    const T power = Pow(e1, c.Ex);
    return {Finite(Div(Add(power, power), c.Kg1)), T(0)};
}

// Koren 1996, the pentode, as published:
// E1 = (Vs / kp) ln(1 + exp(kp (1/mu + Vg / Vs))),
// Ia = (E1^ex + sgn(E1) |E1|^ex) / kg1 * atan(Va / kvb), Is = (Vg + Vs/mu)^ex / kg2 (0 where
// Vg + Vs/mu <= 0).
template <class T>
CurrentPair<T> KorenPentodeCurrents(const ModelConstants<T>& c, const T& vg, const T& va,
                                    const T& vs) {
    if (!Greater(vs, 0))
        return {};
    CurrentPair<T> currents;
    const T e1 = KorenDrive(c, vg, vs, vs);
    if (Greater(va, 0) && Greater(e1, 0)) {
        const T power = Pow(e1, c.Ex);
        currents.Plate = Finite(Mul(Div(Add(power, power), c.Kg1), Atan(Div(va, c.Kvb))));
    }
    const T drive = Add(vg, Div(vs, c.Mu));
    if (Greater(drive, 0))
        currents.Screen = Finite(Div(Pow(drive, c.Ex), c.Kg2));
    return currents;
}

// Reefman's Derk models (D. Reefman, "Spice models for vacuum tubes using the uTracer"):
// Ipk = E1^ex for E1 > 0, else 0, E1 = (Vs / kp) ln(1 + exp(kp (1/mu + Vg / sqrt(kvb + Vs^2)))),
// alpha = 1 - kg1 (1 + alphaS) / kg2,
// Ia = Ipk (1/kg1 - 1/kg2 + a Va / kg1 - (alpha/kg1 + alphaS/kg2) f(Va)),
// Is = Ipk / kg2 (1 + alphaS f(Va)),
// f(Va) = 1 / (1 + beta Va) (derk) or exp(-(beta Va)^1.5) (derke, beam tubes).
template <class T>
CurrentPair<T> ReefmanCurrents(bool exponentialKnee, const ModelConstants<T>& c, const T& vg,
                               const T& va, const T& vs) {
    if (!Greater(vs, 0))
        return {};
    const T e1 = KorenDrive(c, vg, vs, Sqrt(Add(c.Kvb, Mul(vs, vs))));
    if (!Greater(e1, 0))
        return {};
    const T ipk = Pow(e1, c.Ex);
    // At Va <= 0, the value at Va = 0, where f = 1 and the plate's share is exactly nothing: the
    // whole cathode current goes to the screen.
    if (!Greater(va, 0))
        return {T(0), Finite(Mul(Div(ipk, c.Kg2), Add(T(1), c.AlphaS)))};
    const T one(1);
    const T f =
        exponentialKnee ? Exp(T(-Pow(Mul(c.Beta, va), 1.5))) : Div(one, Add(one, Mul(c.Beta, va)));
    const T alpha = Sub(one, Div(Mul(c.Kg1, Add(one, c.AlphaS)), c.Kg2));
    const T level = Add(Sub(Div(one, c.Kg1), Div(one, c.Kg2)), Div(Mul(c.A, va), c.Kg1));
    const T knee = Mul(Add(Div(alpha, c.Kg1), Div(c.AlphaS, c.Kg2)), f);
    return {Finite(Mul(ipk, Sub(level, knee))),
            Finite(Mul(Div(ipk, c.Kg2), Add(one, Mul(c.AlphaS, f))))};
}

} // namespace laws

// Plate and screen current of a model other than the seed at (vg, va, vs); the triode models
// have no screen and ignore vs. Raises std::invalid_argument for the seed, whose law keeps its
// own seven constants (tubemath::PlateCurrent).
template <class T>
CurrentPair<T> ModelCurrentsOf(ModelKind kind, const ModelConstants<T>& c, const T& vg, const T& va,
                               const T& vs) {
    switch (kind) {
    case ModelKind::KorenTriode:
        return laws::KorenTriodeCurrents(c, vg, va);
    case ModelKind::KorenPentode:
        return laws::KorenPentodeCurrents(c, vg, va, vs);
    case ModelKind::Derk:
        return laws::ReefmanCurrents(false, c, vg, va, vs);
    case ModelKind::DerkE:
        return laws::ReefmanCurrents(true, c, vg, va, vs);
    case ModelKind::Seed:
        break;
    }
    throw std::invalid_argument("The seed model has no screen-grid constants");
}

// The tube triode-connected, screen tied to plate: Vs = Va, and the plate current is Ia + Is.
template <class T>
CurrentPair<T> TriodeConnectedCurrentsOf(ModelKind kind, const ModelConstants<T>& c, const T& vg,
                                         const T& va) {
    const CurrentPair<T> split = ModelCurrentsOf(kind, c, vg, va, va);
    return {laws::Finite(laws::Add(split.Plate, split.Screen)), T(0)};
}

} // namespace tubemath
