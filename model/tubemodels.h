// A tube model as a value: which law, its named constants, and its currents and exact
// derivatives at a set of electrode voltages.
//
// Volts and amperes, all to the cathode: Vg grid 1, Va plate, Vs screen. The seed model is the
// 807's law of seven constants, evaluated by tubemath::PlateCurrent unchanged; the others are
// Koren's and Reefman's (model/modellaws.h). Arithmetic faults raise ArithmeticError.
#pragma once

#include "model/modellaws.h"
#include "model/tubemath.h"

#include <array>
#include <optional>
#include <span>
#include <string_view>

namespace tubemath {

// "seed", "koren-triode", "koren-pentode", "derk", "derke".
std::string_view ModelName(ModelKind kind);
std::optional<ModelKind> ModelNamed(std::string_view name);
// True for the models with a screen grid (Koren's pentode and Reefman's).
bool HasScreen(ModelKind kind);

// "mu", "ex", "kg1", "kg2", "kp", "kvb", "a", "alphaS", "beta".
std::string_view ConstantName(ModelConstant constant);
std::optional<ModelConstant> ConstantNamed(std::string_view name);
// The constants a model uses, in the order above; none for the seed, whose seven are TubeParams.
std::span<const ModelConstant> ConstantsOf(ModelKind kind);

struct TubeModel {
    ModelKind Kind = ModelKind::Seed;
    TubeParams Seed;                  // the seed's seven constants
    ModelConstants<double> Constants; // the others' (those ConstantsOf names)
};

struct Currents {
    double Plate = 0;
    double Screen = 0;
};

// Plate and screen current at (vg, va, vs). The seed and the triode models ignore vs and draw no
// screen current; a screen-grid model draws nothing at vs <= 0.
Currents CurrentsAt(const TubeModel& model, double vg, double va, double vs);
// Triode-connected, screen tied to plate: Vs = Va, plate current Ia + Is, no screen current.
Currents TriodeConnectedCurrentsAt(const TubeModel& model, double vg, double va);

// The derivatives of one current with respect to the electrode voltages, A/V.
struct VoltageSlopes {
    double PerVg = 0;
    double PerVa = 0;
    double PerVs = 0;
};

struct CurrentsAndSlopes {
    Currents Value;
    VoltageSlopes Plate;
    VoltageSlopes Screen;
};

// Currents and their exact derivatives for the readout's mu, gm and rp and for the stage; the
// seed's plate current is PlateCurrent's bit for bit (model/seedlaw.h).
CurrentsAndSlopes SlopesAt(const TubeModel& model, double vg, double va, double vs);
// Triode-connected: PerVa is the total derivative with the screen moving with the plate; PerVs
// is 0.
CurrentsAndSlopes TriodeConnectedSlopesAt(const TubeModel& model, double vg, double va);

// The derivatives of the currents with respect to each constant, indexed by ModelConstant (the
// constants a model does not use have 0). Raises std::invalid_argument for the seed, whose
// seven constants the seed fit differentiates (core/fit/platelaw.h).
struct ConstantGradients {
    Currents Value;
    std::array<double, kModelConstantCount> Plate{};
    std::array<double, kModelConstantCount> Screen{};
};
ConstantGradients ConstantGradientsAt(const TubeModel& model, double vg, double va, double vs);

} // namespace tubemath
