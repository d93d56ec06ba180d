#include "model/modelinversion.h"

#include <cmath>
#include <numbers>

namespace tubemath {

namespace {

using namespace checked;

// Koren's pentode: Ia = K atan(Va / kvb) with K = 2 E1^ex / kg1 fixed by Vg and Vs, so
// Va = kvb tan(ip / K), up to the asymptote K pi / 2 that no plate voltage reaches.
std::optional<double> KorenPentodePlateVoltage(const ModelConstants<double>& c, double ip,
                                               double vg, double vs, double vaMax) {
    if (!Greater(vs, 0))
        return std::nullopt;
    const double e1 = laws::KorenDrive(c, vg, vs, vs);
    if (!Greater(e1, 0))
        return std::nullopt;
    const double power = laws::Pow(e1, c.Ex);
    const double ratio = Div(ip, Div(Add(power, power), c.Kg1));
    if (!Less(ratio, std::numbers::pi / 2))
        return std::nullopt;
    const double va = Mul(c.Kvb, std::tan(ratio));
    if (!(va > 0) || va > vaMax)
        return std::nullopt;
    return va;
}

// The smallest root of A x^2 + B x + C in (0, limit], by the cancellation-free pair of roots.
std::optional<double> SmallestRootUpTo(double a, double b, double c, double limit) {
    double roots[2] = {-1, -1};
    if (a == 0) {
        if (b == 0)
            return std::nullopt;
        roots[0] = Div(-c, b);
    } else {
        const double discriminant = Sub(Mul(b, b), Mul(Mul(4, a), c));
        if (Less(discriminant, 0))
            return std::nullopt;
        const double q = -Add(b, std::copysign(std::sqrt(discriminant), b)) / 2;
        roots[0] = Div(q, a);
        if (q != 0)
            roots[1] = Div(c, q);
    }
    std::optional<double> best;
    for (const double root : roots) {
        if (root > 0 && root <= limit && (!best || root < *best))
            best = root;
    }
    return best;
}

// Reefman's derk: with Ipk fixed by Vg and Vs, Ia / Ipk = c0 + c1 Va - c2 / (1 + beta Va), so
// (c0 - r + c1 Va)(1 + beta Va) = c2 for r = ip / Ipk: a quadratic in Va.
std::optional<double> DerkPlateVoltage(const ModelConstants<double>& c, double ip, double vg,
                                       double vs, double vaMax) {
    if (!Greater(vs, 0))
        return std::nullopt;
    const double e1 = laws::KorenDrive(c, vg, vs, std::sqrt(Add(c.Kvb, Mul(vs, vs))));
    if (!Greater(e1, 0))
        return std::nullopt;
    const double r = Div(ip, laws::Pow(e1, c.Ex));
    const double alpha = Sub(1, Div(Mul(c.Kg1, Add(1, c.AlphaS)), c.Kg2));
    const double c0 = Sub(Div(1, c.Kg1), Div(1, c.Kg2));
    const double c1 = Div(c.A, c.Kg1);
    const double c2 = Add(Div(alpha, c.Kg1), Div(c.AlphaS, c.Kg2));
    const double d = Sub(c0, r);
    return SmallestRootUpTo(Mul(c1, c.Beta), Add(c1, Mul(c.Beta, d)), Sub(d, c2), vaMax);
}

template <class Current>
std::optional<double> SearchedPlateVoltage(Current current, double ip, double vaMax) {
    if (!Greater(vaMax, 0) || Less(current(vaMax), ip))
        return std::nullopt;
    return BisectForCurrent(current, ip, 0, vaMax);
}

} // namespace

bool HasClosedFormPlateVoltage(ModelKind kind) {
    return kind == ModelKind::Seed || kind == ModelKind::KorenPentode || kind == ModelKind::Derk;
}

std::optional<double> PlateVoltageFor(const TubeModel& model, double ip, double vg, double vs,
                                      double vaMax) {
    if (model.Kind == ModelKind::Seed)
        return PlateVoltage(model.Seed, vg, ip);
    // Every other model draws no plate current at Va = 0.
    if (Less(ip, 0))
        return std::nullopt;
    if (ip == 0)
        return 0.0;
    switch (model.Kind) {
    case ModelKind::KorenPentode:
        return KorenPentodePlateVoltage(model.Constants, ip, vg, vs, vaMax);
    case ModelKind::Derk:
        return DerkPlateVoltage(model.Constants, ip, vg, vs, vaMax);
    default:
        break;
    }
    return SearchedPlateVoltage([&](double va) { return CurrentsAt(model, vg, va, vs).Plate; }, ip,
                                vaMax);
}

std::optional<double> TriodeConnectedPlateVoltageFor(const TubeModel& model, double ip, double vg,
                                                     double vaMax) {
    if (model.Kind == ModelKind::Seed)
        return PlateVoltage(model.Seed, vg, ip);
    if (Less(ip, 0))
        return std::nullopt;
    if (ip == 0)
        return 0.0;
    return SearchedPlateVoltage(
        [&](double va) { return TriodeConnectedCurrentsAt(model, vg, va).Plate; }, ip, vaMax);
}

} // namespace tubemath
