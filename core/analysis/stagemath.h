// The numerical work behind AnalyzeStage: the quiescent current and the swing's spectrum.
#pragma once

#include "core/analysis/stage.h"
#include "model/tubemath.h"

#include <array>

namespace valvescope::analysis {

// The quiescent plate current of a checked input: the root of
// I = PlateCurrent(-Rk I, B+ - (Ra + Rk) I) for a resistor load, of
// I = PlateCurrent(-Rk I, B+ - Rk I) for a transformer.
double QuiescentCurrent(const tubemath::TubeParams& tube, const StageInput& input);

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
LoadedCurrent CurrentOnLoad(const tubemath::TubeParams& tube, double vg, PlateLoad load,
                            double guess);

// The plate current over one cycle of Vg = restVg + drive * cos(phi), which is even in phi:
// Ip(phi) = C0 / 2 + sum of Cn cos(n phi). The peak amplitude of the n-th harmonic is |Cn|.
struct SwingSpectrum {
    std::array<double, 10> Cosines{}; // C0..C9
    double MinIp = 0;
    double MaxIp = 0;
    int Solves = 0; // currents found on the load, for tests and benchmarks
};

// Needs drive > 0 and a rest current above 0.
SwingSpectrum SpectrumOfSwing(const tubemath::TubeParams& tube, double restVg, double restIp,
                              double drive, PlateLoad load);

// The grid voltage in (from, to] where the current at plate voltage va stops being 0, given
// that it is 0 at `from` and not at `to`: the edge of cut-off, to the last bit.
double CutoffGridVoltage(const tubemath::TubeParams& tube, double va, double from, double to);

} // namespace valvescope::analysis
