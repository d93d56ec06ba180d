// The pointer readout: the operating point under the pointer, its values and its text.
#pragma once

#include "core/plot/plotscale.h"
#include "model/tubemath.h"
#include "model/wiredmodel.h"

#include <cstdint>
#include <optional>
#include <string>

namespace valvescope {

// Small-signal values of the last pointer readout; Rp outlives a readout where Gm is zero.
struct Readout {
    double Mu = 0;
    double Gm = 0; // A/V
    double Rp = 0; // ohm
};

// What the readout finds under the pointer, and its text as the status line shows it, starting
// with " Vp= " (the window puts its hint bar before it).
struct PointerReading {
    double Vp = 0;  // plate voltage, rounded to whole volts
    double Vg = 0;  // grid voltage
    double Ip = 0;  // plate current, A
    double P = 0;   // plate dissipation at the unrounded plate voltage, W
    Readout Values; // mu, gm and rp as they stand after this readout
    // The screen current, A, for a screen-grid model with its screen held (not
    // triode-connected); the text then ends with it.
    std::optional<double> Is;
    std::string Text;
};

// The reading for the pointer at X, Y on a surface H pixels high, drawn at `scale`. Mu, Gm and Rp
// are stored into `readout` as they are computed; Rp keeps its old value where Gm is zero.
// Returns nothing when a division by zero ends the readout while the model is consulted, and for
// a model other than the seed where no grid voltage draws Ip (at Va <= 0 none draws any); any
// other arithmetic fault throws tubemath::ArithmeticError.
//
// The seed's grid voltage comes from its stepped search (readoutgrid.h) and its mu, gm and rp
// from differences over 2 V of grid. Every other model's grid voltage is the root of its plate
// current (ModelGridVoltage), and gm = dI/dVg, rp = 1 / (dI/dVa) and mu = gm * rp come from its
// exact derivatives there (rp keeps its old value where dI/dVa is zero).
std::optional<PointerReading> ReadPointer(const tubemath::WiredModel& tube, double Rk,
                                          const PlotScale& scale, std::int32_t H, std::int32_t X,
                                          std::int32_t Y, Readout& readout);

// The seed model with these seven constants.
std::optional<PointerReading> ReadPointer(const tubemath::TubeParams& tube, double Rk,
                                          const PlotScale& scale, std::int32_t H, std::int32_t X,
                                          std::int32_t Y, Readout& readout);

// The reading's text alone.
std::optional<std::string> PointerReadout(const tubemath::WiredModel& tube, double Rk,
                                          const PlotScale& scale, std::int32_t H, std::int32_t X,
                                          std::int32_t Y, Readout& readout);

std::optional<std::string> PointerReadout(const tubemath::TubeParams& tube, double Rk,
                                          const PlotScale& scale, std::int32_t H, std::int32_t X,
                                          std::int32_t Y, Readout& readout);

} // namespace valvescope
