// A push-pull output stage of two tubes: the pair at rest, over one cycle of an antiphase drive,
// and against drive.
//
// SI units throughout: volts, amperes, watts, ohms. Both tubes come in as values; nothing here
// keeps state, so the analysis is safe from any thread.
//
// The stage: the plates feed an ideal centre-tapped output transformer from B+, Raa plate to
// plate. With I1 and I2 the currents the two tubes send through their halves of the primary, the
// half-primary voltage is V = (Raa / 4) (I1 - I2 - M), so the plates, to the cathode, sit at
// Va1 = B+ - Vk - V and Va2 = B+ - Vk + V. M is the transformer's magnetising current: an ideal
// winding holds no DC voltage, so M is the cycle's average of I1 - I2 (0 for a matched pair; for
// a mismatched one it is the imbalance that saturates a real core). The grids are driven in
// antiphase, Vg1 = Vbias + Vin cos t and Vg2 = Vbias - Vin cos t, grid to cathode; the bias is
// fixed (Vk = 0) or a shared bypassed cathode resistor (Vk = Rk times the cycle's average of
// both cathode currents, plate and screen).
#pragma once

#include "core/analysis/stage.h"
#include "core/tube/tube.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace valvescope {

enum class PushPullBias {
    Fixed,   // the grids held at Vg below the cathode, which sits at ground
    Cathode, // a shared bypassed Rk from both cathodes to ground, the grids at ground
};

// How the screens of screen-grid tubes are fed; triode models have no screen, and then it
// changes nothing.
enum class ScreenFeed {
    Supply,          // a bypassed screen supply: ScreenVolts to the cathode at rest (with cathode
                     // bias, ScreenVolts + the rest's Vk to ground, held there as Vk moves)
    Ultralinear,     // taps at Tap of each half-primary from the centre
    TriodeConnected, // screen tied to its plate
};

struct PushPullInput {
    double BPlus = 400; // V, supply at the centre tap
    double Raa = 6600;  // ohm, plate to plate
    PushPullBias Bias = PushPullBias::Fixed;
    double Vg = -30; // V, grid to cathode at rest; fixed bias only
    double Rk = 0;   // ohm, the shared cathode resistor; cathode bias only
    ScreenFeed Screen = ScreenFeed::Supply;
    double ScreenVolts = 0;      // V, the screen to the cathode at rest, as the curves are
                                 // plotted; Supply only
    double Tap = 0.43;           // of the half-primary, 0 to 1; Ultralinear only
    std::optional<double> Drive; // V, peak grid drive; absent: a grid just reaches 0 V at its
                                 // peak (with cathode bias, the drive that equals its own Vk)
    int SweepPoints = 0;         // drives k D / N for k = 1..N; 0 for no sweep
};

inline constexpr const char* kRaaMessage = "Raa must be a finite resistance above 0 ohm";
inline constexpr const char* kFixedBiasMessage = "The grid bias must be a finite voltage";
inline constexpr const char* kScreenVoltsMessage =
    "The screen supply must be a finite voltage above 0 V";
inline constexpr const char* kTapMessage = "The ultralinear tap must be between 0 and 1";
inline constexpr const char* kSweepMessage = "The sweep needs 1 to 10000 drives";
inline constexpr const char* kNoPairCurrentMessage =
    "Neither tube draws current at this operating point";
inline constexpr const char* kPowerMessage =
    "The power must be a finite power above 0 W that the stage can give";

// Shares of the tube's ratings (1 = at the rating); none where the tube has no such rating.
struct PushPullShares {
    std::optional<double> Ip; // of Imax
    std::optional<double> Vp; // of Vmax
    std::optional<double> P;  // of Pmax
    std::optional<double> Ps; // of Psmax
};

// One tube at rest, electrode by electrode (plate Ia and screen Is, both to the cathode).
struct PushPullRest {
    double Ip = 0; // A, plate
    double Is = 0; // A, screen
    double Vp = 0; // V, plate to cathode
    double Vs = 0; // V, screen to cathode
    double P = 0;  // W, Vp Ip
    double Ps = 0; // W, Vs Is
    PushPullShares Ratings;
};

// One tube over the cycle.
struct PushPullTubeSwing {
    double IpAverage = 0; // A, plate
    double IpMin = 0;
    double IpMax = 0;
    double IsAverage = 0; // A, screen
    double P = 0;         // W, average plate dissipation
    double Ps = 0;        // W, average screen dissipation
    double Cutoff = 0;    // the share of the cycle the plate current is exactly 0
};

enum class PushPullClass { A, AB, B };

struct PushPullSwing {
    double Drive = 0; // V, peak, each grid
    PushPullClass Class = PushPullClass::A;
    std::array<double, 9> Harmonics{}; // A, peak amplitudes of I1 - I2, H1..H9
    double Thd = 0;                    // sqrt(H2^2 + ... + H9^2) / H1, 0 without drive
    double Power = 0;                  // W, Raa H1^2 / 8
    double Supply = 0;                 // A, the average current from the supplies
    double Efficiency = 0;             // Power over the power the supplies give
    double Imbalance = 0;              // A, the average of I1 - I2
    double Vk = 0;                     // V, cathode to ground under this drive
    bool GridPositive = false;         // a grid's peak passes 0 V
    std::array<PushPullTubeSwing, 2> Tubes;
};

struct PushPullSweepPoint {
    double Drive = 0;
    double Power = 0;
    double Thd = 0;
};

struct PushPullAnalysis {
    std::array<std::string, 2> TubeNames;
    PushPullInput Input; // as given, with Drive filled in
    double RestVg = 0;   // V, grid to cathode at rest (-Vk with cathode bias)
    double RestVk = 0;   // V, cathode to ground at rest
    std::array<PushPullRest, 2> Quiescent;
    double QuiescentSupply = 0; // A
    PushPullSwing Swing;
    std::vector<PushPullSweepPoint> Sweep;
};

// The whole analysis of `first` and `second` (the same tube twice for a matched pair). Throws
// StageError for an input without an answer (the messages above and stage.h's kBPlusMessage,
// kRkMessage, kDriveMessage, kRatingsMessage) and tubemath::ArithmeticError for an arithmetic
// fault of a model.
PushPullAnalysis AnalyzePushPull(const Tube& first, const Tube& second, const PushPullInput& input);

// The stage's swing at one drive, Vk found for it with cathode bias.
PushPullSwing PushPullSwingAt(const Tube& first, const Tube& second, const PushPullInput& input,
                              double drive);

// The least drive at which the stage gives `power`, found between 0 and the drive at which the
// power stops growing, to 1e-9 of itself. Throws StageError (kPowerMessage) where it gives less.
double DriveForPower(const Tube& first, const Tube& second, const PushPullInput& input,
                     double power);

// "A", "AB", "B".
const char* ClassName(PushPullClass c);

// {"stage": "push-pull", "raa", "bias": {kind, vg, vk}, "quiescent": {"tubes": [{ip, is, vp, vs,
// p, ps, ratings: {ip, vp, p, ps}}, ...], supply}, "swing": {drive, class, harmonics, thd,
// power, supply, efficiency, imbalance, vk, gridPositive, tubes: [{ipAverage, ipMin, ipMax, p,
// ps, cutoff}, ...]}, "sweep": [{drive, power, thd}, ...] (only with a sweep)}, 17 digits.
std::string PushPullJson(const PushPullAnalysis& analysis);

// A multi-line summary for a terminal, ending in a newline.
std::string PushPullText(const PushPullAnalysis& analysis);

} // namespace valvescope
