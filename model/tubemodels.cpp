// The exact derivatives come from the one template of each law (model/modellaws.h) evaluated on
// Ceres' Jets: forward-mode differentiation is exact to rounding, costs a few times one
// evaluation, and cannot disagree with the law it differentiates, as hand-written derivatives of
// four laws with their branches could.
#include "model/tubemodels.h"

#include "model/seedlaw.h"

#include <ceres/jet.h>

#include <algorithm>
#include <stdexcept>

namespace tubemath {

namespace {

constexpr std::array<std::string_view, 5> kModelNames = {"seed", "koren-triode", "koren-pentode",
                                                         "derk", "derke"};
constexpr std::array<std::string_view, kModelConstantCount> kConstantNames = {
    "mu", "ex", "kg1", "kg2", "kp", "kvb", "a", "alphaS", "beta"};

using C = ModelConstant;
constexpr std::array<ModelConstant, 5> kKorenTriode = {C::Mu, C::Ex, C::Kg1, C::Kp, C::Kvb};
constexpr std::array<ModelConstant, 6> kKorenPentode = {C::Mu,  C::Ex, C::Kg1,
                                                        C::Kg2, C::Kp, C::Kvb};
constexpr std::array<ModelConstant, 9> kReefman = {C::Mu,  C::Ex, C::Kg1,    C::Kg2, C::Kp,
                                                   C::Kvb, C::A,  C::AlphaS, C::Beta};

void RejectSeed(const TubeModel& model) {
    if (model.Kind == ModelKind::Seed)
        throw std::invalid_argument("The seed model has no screen-grid constants");
}

template <int N> using Jet = ceres::Jet<double, N>;

template <int N> ModelConstants<Jet<N>> Lifted(const ModelConstants<double>& constants) {
    ModelConstants<Jet<N>> lifted;
    for (int i = 0; i < kModelConstantCount; ++i) {
        const auto c = static_cast<ModelConstant>(i);
        lifted[c] = Jet<N>(constants[c]);
    }
    return lifted;
}

VoltageSlopes SlopesOf(const Jet<3>& current) {
    return {current.v[0], current.v[1], current.v[2]};
}

} // namespace

std::string_view ModelName(ModelKind kind) {
    return kModelNames[static_cast<std::size_t>(kind)];
}

std::optional<ModelKind> ModelNamed(std::string_view name) {
    const auto found = std::find(kModelNames.begin(), kModelNames.end(), name);
    if (found == kModelNames.end())
        return std::nullopt;
    return static_cast<ModelKind>(found - kModelNames.begin());
}

bool HasScreen(ModelKind kind) {
    return kind == ModelKind::KorenPentode || kind == ModelKind::Derk || kind == ModelKind::DerkE;
}

std::string_view ConstantName(ModelConstant constant) {
    return kConstantNames[static_cast<std::size_t>(constant)];
}

std::optional<ModelConstant> ConstantNamed(std::string_view name) {
    const auto found = std::find(kConstantNames.begin(), kConstantNames.end(), name);
    if (found == kConstantNames.end())
        return std::nullopt;
    return static_cast<ModelConstant>(found - kConstantNames.begin());
}

std::span<const ModelConstant> ConstantsOf(ModelKind kind) {
    switch (kind) {
    case ModelKind::KorenTriode:
        return kKorenTriode;
    case ModelKind::KorenPentode:
        return kKorenPentode;
    case ModelKind::Derk:
    case ModelKind::DerkE:
        return kReefman;
    case ModelKind::Seed:
        break;
    }
    return {};
}

Currents CurrentsAt(const TubeModel& model, double vg, double va, double vs) {
    if (model.Kind == ModelKind::Seed)
        return {PlateCurrent(model.Seed, vg, va), 0};
    const auto currents = ModelCurrentsOf(model.Kind, model.Constants, vg, va, vs);
    return {currents.Plate, currents.Screen};
}

Currents TriodeConnectedCurrentsAt(const TubeModel& model, double vg, double va) {
    if (model.Kind == ModelKind::Seed)
        return {PlateCurrent(model.Seed, vg, va), 0};
    return {TriodeConnectedCurrentsOf(model.Kind, model.Constants, vg, va).Plate, 0};
}

namespace {

// The seed's plate current, its slopes and no screen.
CurrentsAndSlopes SeedSlopesAt(const TubeParams& seed, double vg, double va) {
    const Jet<3> plate = laws::SeedPlateCurrent(seed, Jet<3>(vg, 0), Jet<3>(va, 1));
    return {{plate.a, 0}, SlopesOf(plate), {}};
}

} // namespace

CurrentsAndSlopes SlopesAt(const TubeModel& model, double vg, double va, double vs) {
    if (model.Kind == ModelKind::Seed)
        return SeedSlopesAt(model.Seed, vg, va);
    const auto currents = ModelCurrentsOf(model.Kind, Lifted<3>(model.Constants), Jet<3>(vg, 0),
                                          Jet<3>(va, 1), Jet<3>(vs, 2));
    return {
        {currents.Plate.a, currents.Screen.a}, SlopesOf(currents.Plate), SlopesOf(currents.Screen)};
}

CurrentsAndSlopes TriodeConnectedSlopesAt(const TubeModel& model, double vg, double va) {
    if (model.Kind == ModelKind::Seed)
        return SeedSlopesAt(model.Seed, vg, va);
    const auto currents = TriodeConnectedCurrentsOf(model.Kind, Lifted<3>(model.Constants),
                                                    Jet<3>(vg, 0), Jet<3>(va, 1));
    return {{currents.Plate.a, 0}, SlopesOf(currents.Plate), {}};
}

ConstantGradients ConstantGradientsAt(const TubeModel& model, double vg, double va, double vs) {
    RejectSeed(model);
    ModelConstants<Jet<kModelConstantCount>> constants;
    for (int i = 0; i < kModelConstantCount; ++i) {
        const auto c = static_cast<ModelConstant>(i);
        constants[c] = Jet<kModelConstantCount>(model.Constants[c], i);
    }
    using J = Jet<kModelConstantCount>;
    const auto currents = ModelCurrentsOf(model.Kind, constants, J(vg), J(va), J(vs));
    ConstantGradients gradients;
    gradients.Value = {currents.Plate.a, currents.Screen.a};
    for (int i = 0; i < kModelConstantCount; ++i) {
        gradients.Plate[static_cast<std::size_t>(i)] = currents.Plate.v[i];
        gradients.Screen[static_cast<std::size_t>(i)] = currents.Screen.v[i];
    }
    return gradients;
}

} // namespace tubemath
