// The grid voltage the readout shows for a point of the plot.
#pragma once

#include "model/tubemath.h"

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

} // namespace valvescope
