// A single-ended stage of one tube: its operating point, its small-signal values and the swing
// of its plate current under a sine drive on the grid.
//
// SI units throughout: volts, amperes, watts, ohms. The tube comes in as a value. Nothing here
// keeps state; AnalyzeStage is safe to call from any thread.
//
// The stage: the cathode sits on Rk to ground, the grid on ground through its leak, so the bias
// is -Rk * Ip. The plate goes to B+ either through the resistor Ra or through an output
// transformer of zero primary resistance whose secondary load reflects as Zaa. A screen-grid
// tube's screen is wired as the plot wires it: held at the screen voltage above the cathode (a
// bypassed screen supply), its current running through Rk besides the plate's, so that the bias
// is -Rk * (Ip + Is); or tied to the plate (triode-connected), the plate terminal then carrying
// both currents. What the stage calls the plate current is always the plate terminal's.
#pragma once

#include "core/tube/tube.h"
#include "model/wiredmodel.h"

#include <array>
#include <optional>
#include <stdexcept>
#include <string>

namespace valvescope {

enum class LoadKind {
    Resistor,    // Ra from B+ to the plate
    Transformer, // an output transformer from B+ to the plate, reflecting Zaa
};

struct StageInput {
    double BPlus = 400;                 // V, supply
    double Ra = 3000;                   // ohm, plate resistor; read for a resistor load only
    double Rk = 590;                    // ohm, cathode resistor, 0 or more
    LoadKind Load = LoadKind::Resistor; // what sits between B+ and the plate
    std::optional<double> Zaa;          // ohm, reflected load; read for a transformer only
    std::optional<double> Drive;        // V, peak grid drive; absent: |Vg| at rest, which
                                        // just reaches 0 V of grid
};

// Raised for an input that has no answer. what() is one of the messages below.
class StageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr const char* kBPlusMessage = "B+ must be a finite voltage above 0 V";
inline constexpr const char* kRaMessage = "Ra must be a finite resistance above 0 ohm";
inline constexpr const char* kZaaMissingMessage = "Zaa is missing: a transformer load needs it";
inline constexpr const char* kZaaMessage = "Zaa must be a finite impedance above 0 ohm";
inline constexpr const char* kRkMessage = "Rk must be a finite resistance of 0 ohm or more";
inline constexpr const char* kDriveMessage = "The drive must be a finite voltage of 0 V or more";
inline constexpr const char* kRatingsMessage = "The tube's ratings must be finite and above 0";
inline constexpr const char* kScreenMessage =
    "The screen voltage must be a finite voltage above 0 V";
inline constexpr const char* kNoCurrentMessage =
    "The tube draws no plate current at this operating point";
// Far outside its useful range the model's current can jump, so that no current balances it.
inline constexpr const char* kNoOperatingPointMessage =
    "The model's plate current has no operating point for this stage";
inline constexpr const char* kFlatCurrentMessage =
    "The plate current does not change with plate voltage at this operating point";

// The stage at rest.
struct QuiescentPoint {
    double Ip = 0; // A, plate current
    double Vp = 0; // V, plate to cathode
    double Vg = 0; // V, grid to cathode: -Rk * Ip
    double Vk = 0; // V, cathode to ground: Rk * Ip
    double P = 0;  // W, plate dissipation Vp * Ip
};

// A screen-grid tube's screen at rest. Triode-connected its voltage is Vp and its current the
// share of Ip that the screen takes.
struct ScreenPoint {
    double Vs = 0; // V, screen to cathode
    double Is = 0; // A, screen current
    double Ps = 0; // W, screen dissipation Vs * Is
};

// The quiescent values as fractions of the tube's ratings (1 = at the rating); none where the
// tube has no such rating.
struct RatingFractions {
    std::optional<double> Ip; // of Imax
    std::optional<double> Vp; // of Vmax
    std::optional<double> P;  // of Pmax
    std::optional<double> Ps; // of Psmax (a screen-grid tube's)
};

// Small-signal values at the quiescent point from the model's exact derivatives.
// ZL is Ra for a resistor load, Zaa for a transformer. The gains carry the stage's inversion.
struct SmallSignal {
    double Mu = 0;             // gm * rp
    double Gm = 0;             // A/V, dIp/dVg at constant Va
    double Rp = 0;             // ohm, 1 / (dIp/dVa) at constant Vg
    double Gain = 0;           // -mu * ZL / (ZL + rp): cathode bypassed
    double GainUnbypassed = 0; // -mu * ZL / (ZL + rp + (mu + 1) * Rk)
    double Zout = 0;           // ohm, rp || ZL: seen at the plate, cathode bypassed
};

// The swing with the cathode held at Vk (bypassed) and Vg = Vg_q + Drive * sin(theta).
// Harmonics are peak amplitudes of the plate current; H1 is Harmonics[0].
struct SignalSwing {
    double Drive = 0;                  // V, peak grid drive used
    std::array<double, 9> Harmonics{}; // A, H1..H9
    double Thd = 0;                    // sqrt(H2^2 + ... + H9^2) / H1 (0 without drive)
    double Power = 0;                  // W, H1^2 * ZL / 2
    double Vout = 0;                   // V, peak output voltage H1 * ZL
    double Gain = 0;                   // H1 * ZL / Drive, a magnitude; at zero drive its limit
    double AverageIp = 0;              // A, over one cycle
    double MinIp = 0;                  // A
    double MaxIp = 0;                  // A
    double MaxVa = 0;                  // V, plate to cathode, at MinIp
    double PeakP = 0;                  // W, largest Va * Ip over the cycle
    bool GridCurrent = false;          // the grid goes above 0 V
    bool Cutoff = false;               // the plate current reaches 0
    bool CurrentExceeded = false;      // MaxIp above Imax
    bool VoltageExceeded = false;      // MaxVa above Vmax
    bool DissipationExceeded = false;  // PeakP above Pmax
    // Power / (B+ * Ip at rest), for a transformer load only. The supply's draw is taken at
    // rest: a large swing moves AverageIp, so near full drive this can pass 50 %.
    std::optional<double> Efficiency;
};

// A point for the plot overlay in the curves' own coordinates: x in volts plate to cathode,
// y in amperes, so the quiescent point lies on the curve of its grid voltage.
struct PlotPoint {
    double X = 0;
    double Y = 0;
};

// The transformer's AC load line: through the quiescent point with slope -1 / Zaa.
struct AcLoadLine {
    PlotPoint Through;    // (Vp, Ip at rest)
    double Slope = 0;     // A/V, -1 / Zaa
    PlotPoint VoltageEnd; // where it meets the voltage axis (y = 0)
    PlotPoint CurrentEnd; // where it meets the current axis (x = 0)
};

// The stage's DC load line, plate to cathode: Va = B+ - Resistance * Ip from (B+, 0) through the
// quiescent point. Resistance is Ra + Rk for a resistor, Rk for a transformer (0 leaves the line
// upright at B+); with a held screen, whose current Rk carries too, (B+ - Vp) / Ip.
struct DcLoadLine {
    PlotPoint VoltageEnd;  // (B+, 0)
    double Resistance = 0; // ohm
};

struct StageOverlay {
    PlotPoint Quiescent;              // (Vp, Ip) at rest
    PlotPoint SwingLow;               // the swing's end at its least current
    PlotPoint SwingHigh;              // the swing's end at its most current
    DcLoadLine DcLine;                // the stage's own DC load line
    std::optional<AcLoadLine> AcLine; // transformer load only
};

struct StageAnalysis {
    std::string TubeName;
    StageInput Input; // as given, with Drive filled in
    QuiescentPoint Quiescent;
    std::optional<ScreenPoint> Screen; // a screen-grid tube's only
    RatingFractions Ratings;
    SmallSignal Small;
    SignalSwing Swing;
    StageOverlay Overlay;
};

// The whole analysis, a screen-grid tube's screen wired as `screen` says. Throws StageError for
// an input without an answer and tubemath::ArithmeticError, with its own message, for an
// arithmetic fault of the model.
StageAnalysis AnalyzeStage(const Tube& tube, const tubemath::ScreenWiring& screen,
                           const StageInput& input);
// The same with a screen-grid tube's screen held at the tube's own screen voltage.
StageAnalysis AnalyzeStage(const Tube& tube, const StageInput& input);

// The analysis as JSON in SI units, numbers with 17 significant digits:
// {"tube", "load", "settings": {bPlus, ra, rk, zaa (null for a resistor load), drive},
// "quiescent": {Ip, Vp, Vg, Vk, P, and for a screen-grid tube Vs, Is, Ps}, "ratingFractions":
// {Ip, Vp, P, and for a screen-grid tube Ps}, "ratings" (the same but Ps, its old name),
// "smallSignal": {mu, gm, rp, gain, gainUnbypassed, zout}, "swing": {drive, harmonics [H1..H9],
// thd, power, vout, gain, averageIp, minIp, maxIp, maxVa, peakP, gridCurrent, cutoff,
// currentExceeded, voltageExceeded, dissipationExceeded, efficiency (null for a resistor load)}}.
std::string StageJson(const StageAnalysis& analysis);

// A multi-line summary for a terminal, ending in a newline.
std::string StageText(const StageAnalysis& analysis);

} // namespace valvescope
