// The numerical work behind AnalyzePushPull: the pair at one instant, over one cycle, and the
// settling of the cycle's slow unknowns (the cathode voltage and the magnetising current).
#pragma once

#include "core/analysis/pushpull.h"
#include "model/tubemodels.h"

#include <array>
#include <cmath>
#include <optional>

namespace valvescope::analysis {

// How the two tubes sit on the transformer.
//
// The screen: Vs = (ScreenBase - Vk) + Share (Va - (B+ - Vk)), all to the cathode. Held at a
// supply, ScreenBase is that supply to ground and Share 0: ScreenVolts is the screen's voltage to
// the cathode at rest, so with cathode bias the supply is ScreenVolts + the rest's Vk, and it
// stays there as the drive moves the cathode. Ultralinear, ScreenBase is B+ and Share the tap (so
// the screen sits at the tap's share of the plate's swing about the centre tap); triode-connected
// is the tap at the plate, Share 1.
//
// The screen current through the primary: an ideal transformer sums the ampere-turns of its
// windings. The plate current Ia runs through the whole half-primary of N turns, the screen
// current Is through the tap's Share N turns of it, so one half carries N (Ia + Share Is); with
// the other half's opposed, the load, reflecting Raa / 4 across each half's N turns, sets the
// half-primary voltage V = (Raa / 4) ((Ia1 + Share Is1) - (Ia2 + Share Is2) - M), and the tap
// sees Share V. So the current each tube sends through the primary is Ia + Share Is: Ia with a
// screen supply, Ia + Is triode-connected. (The same follows from power: the screen's current
// takes Share V Is from the winding.)
struct PairWiring {
    std::array<const tubemath::TubeModel*, 2> Models{};
    double BPlus = 0;
    double QuarterRaa = 0; // ohm, Raa / 4: one half-primary's reflected load
    double ScreenBase = 0; // V to ground
    double Share = 0;
    double RestVk = 0; // V, the cathode to ground at rest; 0 with fixed bias
};

PairWiring WiringOf(const Tube& first, const Tube& second, const PushPullInput& input);

// One tube at one instant.
struct TubeInstant {
    double Ia = 0;
    double Is = 0;
    double Va = 0; // to the cathode
    double Vs = 0;
    double Primary = 0;          // Ia + Share Is, its current through the primary
    double Conductance = 0;      // d Primary / d Va, the screen moving with the plate as wired
    double Transconductance = 0; // d Primary / d Vg
    tubemath::CurrentsAndSlopes Model; // the model's currents and slopes at Vg, Va and Vs
};

TubeInstant TubeAt(const PairWiring& wiring, int which, double vk, double vg, double va);

// The pair at one instant: V solved for the grid voltages (to the cathode), the cathode at vk
// and the magnetising current `magnetising`, searched from `guess`.
struct PairInstant {
    double V = 0; // half-primary voltage, the plate of tube 1 at B+ - Vk - V
    std::array<TubeInstant, 2> Tubes;
};

PairInstant PairAt(const PairWiring& wiring, double vk, double magnetising, double vg1, double vg2,
                   double guess);

// What the cycle leaves to settle and to drive: the grids at Bias +- Drive cos t to the cathode.
struct CycleSettings {
    double Vk = 0;
    double Magnetising = 0;
    double Bias = 0;
    double Drive = 0;
    bool DriveFollowsVk = false; // the default drive with cathode bias, Drive = Vk
};

// How the averages that settle the cycle move with its slow unknowns: the cathode current's
// (both tubes, plate and screen) and the difference P1 - P2's, per volt of Vk (with cathode bias:
// the grids at Bias = -Vk) and per ampere of magnetising current, the half-primary voltage
// following at every instant.
struct CycleSlopes {
    double CathodePerVk = 0;
    double CathodePerMagnetising = 0;
    double DifferencePerVk = 0;
    double DifferencePerMagnetising = 0;
};

// Over one cycle. Cosines are of I1 - I2 (the currents through the primary): the difference is
// C0 / 2 + the sum of Cn cos(n t). Averages and extremes are per tube.
struct CycleFigures {
    std::array<double, 10> Cosines{};
    std::array<double, 2> IaAverage{};
    std::array<double, 2> IsAverage{};
    std::array<double, 2> PlatePower{};  // W, average Va Ia
    std::array<double, 2> ScreenPower{}; // W, average Vs Is
    std::array<double, 2> IaMin{};
    std::array<double, 2> IaMax{};
    std::array<double, 2> Cutoff{}; // share of the cycle with Ia exactly 0
    CycleSlopes Slopes;
    int Solves = 0; // instants solved, for tests and benchmarks

    double CathodeCurrent() const {
        return IaAverage[0] + IsAverage[0] + IaAverage[1] + IsAverage[1];
    }
};

// Rough, for the settling's steps while still far from the fixed point: each stretch by one
// Gauss-Legendre rule, unchecked, and the cut-off edges to a nanoradian.
CycleFigures CycleOf(const PairWiring& wiring, const CycleSettings& settings, bool rough = false);

// With cathode bias, the cathode to ground at rest: the root of Vk = Rk (Ik1 + Ik2), the grids at
// -Vk, the plates at B+ - Vk and a supplied screen at ScreenVolts to the cathode; 0 with fixed
// bias. Reads only the wiring's models, B+ and screen share, and ScreenBase but for a supply.
double RestCathodeVolts(const PairWiring& wiring, const PushPullInput& input);

// The cycle with its cathode voltage (cathode bias) and magnetising current settled, both
// together by Newton steps on the cycle's own slopes. The drive as given, or none for the
// default: the bias's own size, -Vg fixed (0 for a grid at or above 0 V) or Vk with cathode bias,
// found together with Vk. The search starts from `near`'s unknowns where given (a cycle at a
// drive close by), else from rest.
struct SettledCycle {
    CycleFigures Figures;
    CycleSettings Settings;
};
SettledCycle SettleCycle(const PairWiring& wiring, const PushPullInput& input,
                         std::optional<double> drive, const SettledCycle* near = nullptr);

} // namespace valvescope::analysis
