// Decks that run the exported subcircuit: the plot's family of curves, and a single stage
// driven by a sine for a check of the harmonics.
#pragma once

#include "core/export/familygrid.h"
#include "core/export/spicetext.h"
#include "core/tube/tube.h"
#include "model/wiredmodel.h"

#include <cstdint>
#include <string>
#include <vector>

namespace valvescope::exports {

// At most this many curves go into one family deck (one tube instance each).
inline constexpr std::size_t kMaxDeckCurves = 1000;

// A deck that includes `subcircuitFile` and sweeps the plate voltage from 0 to `endV` in 1 V
// steps for each grid voltage. Each grid voltage drives a tube instance of its own from a
// behavioural source that holds it exactly, and all plates hang on the one swept source, so one
// sweep gives every curve. ngspice: a .control block writes `outputFile` with wrdata, one row per
// plate voltage: the sweep value, the plate node's voltage, then for each curve its grid node's
// voltage and the plate current in A as the tube's source computed it (@b.xN.bplate[i]).
// In ngspice 39 these are bit for bit PlateCurrent at the written voltages. LTspice: .dc with .save
// of the same values (the current as Ix(XN:plate)) into the .raw file. Throws std::invalid_argument
// for a negative endV, no grid voltages or a non-finite one, and ExportTooLargeError for more
// than kMaxDeckCurves.
//
// A screen-grid tube is wired as `screen` says: its screen held at screen.Volts by a source of
// its own (whose voltage the table writes after the plate's), or tied to the plate; each curve's
// screen current (@b.xN.bscreen[i], Ix(XN:screen)) follows its plate current. The seed and the
// triodes ignore `screen`.
std::string SpiceFamilyDeck(const Tube& tube, SpiceDialect dialect,
                            const std::string& subcircuitFile, std::int32_t endV,
                            const std::vector<double>& gridVoltages, const std::string& outputFile,
                            const tubemath::ScreenWiring& screen);
// The same with a screen-grid tube's screen held at the tube's own screen voltage.
std::string SpiceFamilyDeck(const Tube& tube, SpiceDialect dialect,
                            const std::string& subcircuitFile, std::int32_t endV,
                            const std::vector<double>& gridVoltages, const std::string& outputFile);

// A common-cathode stage: B+ feeding the plate through a resistor Ra, or an output transformer
// with no primary resistance that reflects Zaa: the plate sits at B+ - Zaa * (Ip - Iq), Iq being
// the current of a twin tube held at the quiescent point (plate at B+, grid at the bias). The
// cathode is held at CathodeVolts (a bypassed cathode resistor), the grid at GridBias plus a
// sine of InputPeak at FrequencyHz.
struct StageDeckInput {
    enum class Load { Resistor, Transformer };

    double BPlus = 300; // V
    Load LoadKind = Load::Resistor;
    double LoadOhms = 5000;  // Ra, or Zaa for a transformer
    double CathodeVolts = 0; // V, cathode to ground
    double GridBias = -20;   // V, grid to ground without signal
    double InputPeak = 10;   // V, amplitude of the sine
    double FrequencyHz = 1000;
    std::int32_t Periods = 2;           // simulated; the last one is analysed
    std::int32_t StepsPerPeriod = 2000; // largest time step = period / this
    std::string SubcircuitFile;         // included by the deck
    std::string OutputFile;             // ngspice writes the Fourier table here
    // A screen-grid tube's screen: held at Volts above the cathode, or tied to the plate (then
    // the meter carries the screen current too). The seed and the triodes ignore it.
    tubemath::ScreenWiring Screen;
};

// The stage as a .tran deck over Periods periods whose last period's plate current, the
// current through the meter Vmeter, is Fourier analysed: DC and harmonics 1 to 9 with the THD.
// ngspice: `fourier` in a .control block (10 lines: DC and harmonics 1 to 9, gridsize twice
// StepsPerPeriod, cubic interpolation), its table redirected to OutputFile: a line
// "No. Harmonics: 10, THD: <percent> %, ..." and one row per harmonic "<n> <Hz> <magnitude A>
// <phase> <normalised magnitude> <normalised phase>". LTspice: a .four line (its table lands
// in the log file). Tolerances are tightened to reltol 1e-10. Throws std::invalid_argument for
// settings that give no deck (a number that is not finite, a frequency, Ra, period count or
// step count that is not positive).
std::string SpiceStageDeck(const Tube& tube, SpiceDialect dialect, const StageDeckInput& input);

} // namespace valvescope::exports
