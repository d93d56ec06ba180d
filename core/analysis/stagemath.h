// The numerical work behind AnalyzeStage: the quiescent current and the swing's spectrum.
#pragma once

#include "core/analysis/stage.h"
#include "core/analysis/stagetube.h"
#include "model/tubemath.h"

#include <array>

namespace valvescope::analysis {

// The quiescent currents of a checked input. Without a screen supply the plate current is the
// root of I = Ip(-Rk I, B+ - (Ra + Rk) I) for a resistor load, of I = Ip(-Rk I, B+ - Rk I) for a
// transformer, and the screen current is the screen's share at that point (triode-connected).
// With one the cathode current Ik = Ia + Is sets the bias: Vg = -Rk Ik, Va = B+ - Ra Ia - Rk Ik
// (no Ra under a transformer).
struct QuiescentCurrents {
    double Plate = 0;  // A, the plate terminal's
    double Screen = 0; // A, the screen's own
};
QuiescentCurrents QuiescentCurrent(const StageTube& tube, const StageInput& input);

// The plate voltage along the load while the cathode is held: Va = Intercept - Slope * Ip.
struct PlateLoad {
    double Intercept = 0; // V, Va at zero current, above 0
    double Slope = 0;     // ohm, above 0
};

// The plate current at grid voltage vg on the load: the root of Ip = PlateCurrent(vg, Va(Ip)),
// searched from `guess`. Also gives dIp/dVg along the load there, for the next guess.
struct LoadedCurrent {
    double Ip = 0;
    double DIpDVg = 0;
};
LoadedCurrent CurrentOnLoad(const StageTube& tube, double vg, PlateLoad load, double guess);

// The plate current over one cycle of Vg = restVg + drive * cos(phi), which is even in phi:
// Ip(phi) = C0 / 2 + sum of Cn cos(n phi). The peak amplitude of the n-th harmonic is |Cn|.
struct SwingSpectrum {
    std::array<double, 10> Cosines{}; // C0..C9
    double MinIp = 0;
    double MaxIp = 0;
    int Solves = 0; // currents found on the load, for tests and benchmarks
};

// Needs drive > 0 and a rest current above 0.
SwingSpectrum SpectrumOfSwing(const StageTube& tube, double restVg, double restIp, double drive,
                              PlateLoad load);

// The grid voltage in (from, to] where the current at plate voltage va stops being 0, given
// that it is 0 at `from` and not at `to`: the edge of cut-off, to the last bit.
double CutoffGridVoltage(const StageTube& tube, double va, double from, double to);

} // namespace valvescope::analysis
