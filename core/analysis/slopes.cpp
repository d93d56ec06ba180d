// The plate current law is Ip = S * K / (S + K), the space-charge current S in parallel with
// the knee current K:
//   S = k(Vg) * arg^n(Vg),  arg = (mu0 - |Vg|^a) * Vg + Va,  k = P * 10^(Vg / GD),
//   n = LE - Vg / ES,       K = P * KF * Va^LE.
// Powers keep the sign of their base, as the model's SignedPower does.
#include "core/analysis/slopes.h"

#include <cmath>
#include <numbers>

namespace valvescope::analysis {

namespace {

// |x|^e with the model's conventions: 1 for a zero exponent, 0 for a zero base.
double MagnitudePower(double x, double e) {
    if (e == 0)
        return 1;
    if (x == 0)
        return 0;
    return std::pow(std::fabs(x), e);
}

double WithSignOf(double magnitude, double x) {
    return x < 0 ? -magnitude : magnitude;
}

} // namespace

CurrentSlopes PlateCurrentSlopes(const tubemath::TubeParams& tube, double vg, double va) {
    CurrentSlopes slopes;
    slopes.Ip = tubemath::PlateCurrent(tube, vg, va);
    if (slopes.Ip == 0)
        return slopes;

    const double a = tube.MuExponent;
    const double u = MagnitudePower(vg, a);
    const double arg = (tube.MuZero - u) * vg + va;
    const double dArgDVg = tube.MuZero - (1 + a) * u; // d(|Vg|^a * Vg)/dVg = (1 + a) |Vg|^a
    const double n = tube.LawExponent - vg / tube.ExponentSlope;
    const double k = tube.Perveance * std::pow(10.0, vg / tube.GridDecade);

    const double argPower = MagnitudePower(arg, n);
    const double s = WithSignOf(argPower, arg) * k;
    const double dSDArg = n * MagnitudePower(arg, n - 1) * k;
    const double dKDVgOverK = std::numbers::ln10 / tube.GridDecade;
    const double dNDVg = -1 / tube.ExponentSlope;
    const double logArg = arg == 0 ? 0 : std::log(std::fabs(arg));
    const double dSDVg = s * (dKDVgOverK + dNDVg * logArg) + dSDArg * dArgDVg;

    const double kneeScale = tube.Perveance * tube.KneeFactor;
    const double knee = WithSignOf(MagnitudePower(va, tube.LawExponent), va) * kneeScale;
    const double dKneeDVa = tube.LawExponent * MagnitudePower(va, tube.LawExponent - 1) * kneeScale;

    // Ip = S K / (S + K): dIp/dS = K^2 / (S + K)^2, dIp/dK = S^2 / (S + K)^2.
    const double sum = s + knee;
    const double byS = (knee / sum) * (knee / sum);
    const double byKnee = (s / sum) * (s / sum);
    slopes.DIpDVg = byS * dSDVg;
    slopes.DIpDVa = byS * dSDArg + byKnee * dKneeDVa;
    return slopes;
}

CurrentSlopes CheckedPlateCurrentSlopes(const tubemath::TubeParams& tube, double vg, double va) {
    const CurrentSlopes slopes = PlateCurrentSlopes(tube, vg, va);
    for (const double d : {slopes.DIpDVg, slopes.DIpDVa}) {
        if (std::isnan(d))
            throw tubemath::ArithmeticError(tubemath::kInvalidOperationMessage);
        if (std::isinf(d))
            throw tubemath::ArithmeticError(tubemath::kOverflowMessage);
    }
    return slopes;
}

} // namespace valvescope::analysis
