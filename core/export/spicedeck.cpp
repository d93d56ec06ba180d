#include "core/export/spicedeck.h"

#include "core/export/familygrid.h"

#include "formats/exactnumber.h"

#include <cmath>
#include <stdexcept>
#include <string>

namespace valvescope::exports {

namespace {

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

void RequirePositive(double value, const char* what) {
    if (!(value > 0) || !std::isfinite(value))
        throw std::invalid_argument(std::string(what) + " must be a positive number");
}

std::string FamilyHeader(const Tube& tube, const std::string& name, SpiceDialect dialect,
                         const std::string& outputFile) {
    std::string h = "* Valvescope: plate curves of " + name + "\n";
    if (dialect == SpiceDialect::Ngspice) {
        h += "* Run with: ngspice -b <this deck>; writes " + outputFile + ":\n";
        h += "* the sweep value, the plate voltage, then per curve its grid voltage and plate\n";
        h += "* current (A).\n";
    } else {
        h += "* LTspice saves the plate voltage and per curve the grid voltage and the\n";
        h += "* plate current (A) in this deck's .raw file; export them as " + outputFile + ".\n";
    }
    static_cast<void>(tube);
    return h;
}

} // namespace

std::string SpiceFamilyDeck(const Tube& tube, SpiceDialect dialect,
                            const std::string& subcircuitFile, std::int32_t endV,
                            const std::vector<double>& gridVoltages, const std::string& outputFile,
                            const tubemath::ScreenWiring& screen) {
    if (endV < 0)
        throw std::invalid_argument("the plate sweep needs an End V of 0 or more");
    if (gridVoltages.empty())
        throw std::invalid_argument("the family needs at least one grid voltage");
    if (gridVoltages.size() > kMaxDeckCurves) {
        throw ExportTooLargeError("The deck would have " + std::to_string(gridVoltages.size()) +
                                  " curves; a deck takes at most " +
                                  std::to_string(kMaxDeckCurves) + ".");
    }
    const std::string name = SubcircuitName(tube.Name);
    const bool hasScreen = tubemath::HasScreen(tube.Model.Kind);
    const bool heldScreen = hasScreen && !screen.TriodeConnected;
    std::string deck = FamilyHeader(tube, name, dialect, outputFile);
    if (hasScreen) {
        deck +=
            screen.TriodeConnected
                ? "* Triode-connected: the screen tied to the plate; per curve also the screen\n"
                  "* current (A), which the plate terminal carries besides the plate's.\n"
                : "* The screen held at " + formats::ShortestExact(screen.Volts) +
                      " V, written after the plate voltage; per curve also the\n"
                      "* screen current (A).\n";
    }
    deck += ".include " + Quoted(subcircuitFile) + "\n";
    deck += "Vplate plate 0 DC 0\n";
    if (heldScreen)
        deck += "Bscreen screen 0 V=" + ExactNumber(screen.Volts) + "\n";
    const bool lt = dialect == SpiceDialect::LTspice;
    // The plate node as the tubes saw it, beside the sweep's own value.
    std::string saved = heldScreen ? " V(plate) V(screen)" : " V(plate)";
    const std::string screenPin = !hasScreen ? "" : (screen.TriodeConnected ? " plate" : " screen");
    for (std::size_t j = 0; j < gridVoltages.size(); ++j) {
        const std::string n = std::to_string(j + 1);
        deck += "Bgrid" + n + " grid" + n + " 0 V=" + ExactNumber(gridVoltages[j]) + "\n";
        deck += "X" + n + " plate" + screenPin + " grid" + n + " 0 " + name + "\n";
        // The plate source's own current: in ngspice the value the expression gave at the
        // solution, not the solver's branch current, which carries its rounding.
        saved += " V(grid" + n + ") " + (lt ? "Ix(X" + n + ":plate)" : "@b.x" + n + ".bplate[i]");
        if (hasScreen)
            saved += lt ? " Ix(X" + n + ":screen)" : " @b.x" + n + ".bscreen[i]";
    }
    // The behavioural currents settle only to the relative tolerance.
    const std::string tolerances =
        tube.Model.Kind == tubemath::ModelKind::Seed ? "" : ".options reltol=1e-14 abstol=1e-20\n";
    const std::string sweep = "Vplate 0 " + std::to_string(endV) + " 1";
    if (lt) {
        deck += tolerances;
        deck += ".dc " + sweep + "\n";
        deck += ".save" + saved + "\n";
        deck += ".options numdgt=15 plotwinsize=0\n";
        deck += ".end\n";
        return deck;
    }
    deck += tolerances;
    deck += ".control\n";
    deck += "set wr_singlescale\n";
    deck += "set wr_vecnames\n";
    deck += "option numdgt=17\n";
    deck += "save" + saved + "\n"; // the sources' currents are kept only when asked for
    deck += "dc " + sweep + "\n";
    deck += "wrdata " + outputFile + saved + "\n";
    deck += "quit 0\n"; // batch mode would go on to say "no simulations run" and fail
    deck += ".endc\n";
    deck += ".end\n";
    return deck;
}

std::string SpiceFamilyDeck(const Tube& tube, SpiceDialect dialect,
                            const std::string& subcircuitFile, std::int32_t endV,
                            const std::vector<double>& gridVoltages,
                            const std::string& outputFile) {
    return SpiceFamilyDeck(tube, dialect, subcircuitFile, endV, gridVoltages, outputFile,
                           {tube.Screen, false});
}

std::string SpiceStageDeck(const Tube& tube, SpiceDialect dialect, const StageDeckInput& input) {
    RequirePositive(input.FrequencyHz, "the frequency");
    if (input.Periods < 1 || input.StepsPerPeriod < 1)
        throw std::invalid_argument("the deck needs at least one period and one step");
    const std::string name = SubcircuitName(tube.Name);
    const std::string frequency = ExactNumber(input.FrequencyHz);
    const double period = 1 / input.FrequencyHz;
    const double stop = period * input.Periods;
    const double maxStep = period / input.StepsPerPeriod;

    std::string deck = "* Valvescope: common-cathode stage with " + name + ", driven by a sine\n";
    deck += ".include " + Quoted(input.SubcircuitFile) + "\n";
    deck += "Bsupply bplus 0 V=" + ExactNumber(input.BPlus) + "\n";
    deck += "Bcathode cathode 0 V=" + ExactNumber(input.CathodeVolts) + "\n";
    deck += "Bgrid grid 0 V=" + ExactNumber(input.GridBias) + " + " + ExactNumber(input.InputPeak) +
            " * sin(2 * pi * " + frequency + " * time)\n";
    deck += "Vmeter plate tubeplate DC 0\n";
    const bool hasScreen = tubemath::HasScreen(tube.Model.Kind);
    const bool tied = hasScreen && input.Screen.TriodeConnected;
    if (hasScreen && !tied) {
        deck += "* The screen held at its voltage above the cathode (a bypassed screen supply)\n";
        deck += "Bscreen screen cathode V=" + ExactNumber(input.Screen.Volts) + "\n";
    }
    const auto screenPin = [&](const std::string& plate) {
        return !hasScreen ? std::string() : tied ? " " + plate : std::string(" screen");
    };
    deck += "X1 tubeplate" + screenPin("tubeplate") + " grid cathode " + name + "\n";
    const std::string ohms = ExactNumber(input.LoadOhms);
    if (input.LoadKind == StageDeckInput::Load::Resistor) {
        RequirePositive(input.LoadOhms, "Ra");
        deck += "* Ra from B+ to the plate\n";
        deck += "Bload bplus plate I=V(bplus,plate) / " + ohms + "\n";
    } else {
        deck += "* Transformer without primary resistance reflecting Zaa: the plate swings\n";
        deck += "* about B+ by Zaa times the change of the current from the quiescent one,\n";
        deck += "* which a twin tube held at the quiescent point draws.\n";
        deck += "Bquietgrid quietgrid 0 V=" + ExactNumber(input.GridBias) + "\n";
        deck += "Vquiet bplus quietplate DC 0\n";
        deck += "X2 quietplate" + screenPin("quietplate") + " quietgrid cathode " + name + "\n";
        deck += "Bload plate 0 V=V(bplus) - " + ohms + " * (I(Vmeter) - I(Vquiet))\n";
    }
    if (dialect == SpiceDialect::LTspice) {
        deck += ".tran 0 " + formats::ShortestExact(stop) + " 0 " +
                formats::ShortestExact(maxStep) + "\n";
        deck += ".four " + formats::ShortestExact(input.FrequencyHz) + " 9 1 I(Vmeter)\n";
        deck += ".options reltol=1e-10 abstol=1e-15 vntol=1e-12 numdgt=15 plotwinsize=0\n";
        deck += ".end\n";
        return deck;
    }
    // Tight tolerances: the default relative 1e-3 leaves errors near 1e-5 in the harmonics.
    deck += ".options reltol=1e-10 abstol=1e-15 vntol=1e-12\n";
    deck += ".control\n";
    deck += "set numdgt=12\n";
    deck += "set nfreqs=10\n";
    deck += "set fourgridsize=" + std::to_string(input.StepsPerPeriod * 2) + "\n";
    deck += "set polydegree=3\n";
    deck += "tran " + formats::ShortestExact(maxStep) + " " + formats::ShortestExact(stop) + " 0 " +
            formats::ShortestExact(maxStep) + "\n";
    deck += "fourier " + formats::ShortestExact(input.FrequencyHz) + " I(Vmeter) > " +
            input.OutputFile + "\n";
    deck += "quit 0\n";
    deck += ".endc\n";
    deck += ".end\n";
    return deck;
}

} // namespace valvescope::exports
