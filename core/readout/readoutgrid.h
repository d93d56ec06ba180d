// The grid voltage the readout shows for a point of the plot.
#pragma once

#include "model/tubemath.h"
#include "model/wiredmodel.h"

#include <cstdint>
#include <optional>

namespace valvescope {

// Whether the model draws Ip at plate voltage Va somewhere within the last 0.01 V step around
// Vg: Ip lies between the least and the greatest of the currents at Vg - 0.01, Vg and Vg + 0.01.
// Throws tubemath::ArithmeticError when the model faults there.
bool ReproducesCurrent(const tubemath::TubeParams& tube, double Vg, double Ip, double Va);

// tubemath::GridVoltage's answer where it reproduces the target current. Where it does not
// (its 10 V walk stops at -100 V, so far below that it answers with a voltage whose current is
// nowhere near Ip), the same walk goes on from there over the model's whole grid range and ends
// at a 0.01 V step. Where that walk does not reproduce Ip either (no grid voltage draws it, or
// the model faults on the way), GridVoltage's answer stands.
double ReadoutGridVoltage(const tubemath::TubeParams& tube, double Rk, double Ip, double Va);

// How far out from 0 V the grid voltage of a model other than the seed is looked for.
inline constexpr std::int64_t kModelGridReach = std::int64_t{1} << 40;

// For a model other than the seed: the grid voltage at which the wired tube's plate current at
// plate voltage Va is Ip, the root of Ia(Vg, Va) = Ip as exact as doubles hold it. One bracketing
// search (core/search/bracketsearch.h): whole volts out from 0 V by doubling, up where the
// current at 0 V is at or below Ip, else down, then the bracket halved until its ends are
// neighbouring doubles; the answer is the end whose current is at or below Ip. The current
// rises with the grid voltage; a probe whose current overflows counts as above Ip. Nothing where
// no grid voltage within kModelGridReach draws Ip (at Va <= 0 no model draws any current, and
// none draws a negative one).
std::optional<double> ModelGridVoltage(const tubemath::WiredModel& tube, double Ip, double Va);

} // namespace valvescope
