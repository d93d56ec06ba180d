#include "core/export/spice.h"

#include "core/export/familygrid.h"
#include "core/export/spicedeck.h"
#include "core/io/atomicfile.h"

#include "formats/exactnumber.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace valvescope::exports {

namespace {

// Free text on one comment line: line breaks and other control characters become spaces.
std::string OneLine(std::string_view text) {
    std::string line(text);
    for (char& c : line) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = ' ';
    }
    return line;
}

// Splits the formula after its top-level choices so that no line gets unreadably long: SPICE
// joins a "+" continuation line to the line before it.
std::string ContinuedLines(const std::string& text) {
    constexpr std::size_t kWidth = 100;
    std::string out;
    std::size_t column = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        out += text[i];
        ++column;
        if (text[i] == ' ' && column >= kWidth) {
            out += "\n+ ";
            column = 2;
        }
    }
    return out;
}

std::string RatingLine(const char* name, const std::optional<double>& value, const char* unit) {
    return std::string("*   ") + name + " = " +
           (value ? formats::ShortestExact(*value) + " " + unit : std::string("no rating")) + "\n";
}

std::string Header(const Tube& tube, SpiceDialect dialect, std::string_view programVersion,
                   const std::string& name) {
    const tubemath::TubeParams& p = tube.Model.Seed;
    const char* simulator = dialect == SpiceDialect::LTspice ? "LTspice" : "ngspice";
    std::string h;
    h +=
        "* Tube " + OneLine(tube.Name) + " as the subcircuit " + name + " for " + simulator + ".\n";
    h += "* Pins in order: plate grid cathode\n";
    h += "*   X1 <plate> <grid> <cathode> " + name + "\n";
    h += "* Written by Valvescope " + OneLine(programVersion) + ".\n";
    h += "* Model constants:\n";
    h += "*   MuExponent    = " + formats::ShortestExact(p.MuExponent) + "\n";
    h += "*   ExponentSlope = " + formats::ShortestExact(p.ExponentSlope) + " V\n";
    h += "*   GridDecade    = " + formats::ShortestExact(p.GridDecade) + " V\n";
    h += "*   KneeFactor    = " + formats::ShortestExact(p.KneeFactor) + "\n";
    h += "*   MuZero        = " + formats::ShortestExact(p.MuZero) + "\n";
    h += "*   Perveance     = " + formats::ShortestExact(p.Perveance) + " A/V^LawExponent\n";
    h += "*   LawExponent   = " + formats::ShortestExact(p.LawExponent) + "\n";
    h += "* Maximum ratings (not enforced by the model):\n";
    h += RatingLine("Imax", tube.Ratings.Imax, "A");
    h += RatingLine("Vmax", tube.Ratings.Vmax, "V");
    h += RatingLine("Pmax", tube.Ratings.Pmax, "W");
    h += "* The model has no grid current and no capacitances: the grid draws nothing and\n";
    h += "* the tube responds instantly. The plate current is Valvescope's closed-form model,\n";
    h += "* step for step; the constants stand at the top of the subcircuit, each written as an\n";
    h += "* exact fraction so that the simulator reads the very same number, its decimal value\n";
    h += "* in the comment beside it. Put a decimal in its place to change it.\n";
    return h;
}

// The named constants, one a line: ".func MuZero() {...}" for ngspice, ".param MuZero={...}"
// for LTspice.
std::string ConstantLines(const std::vector<SpiceConstant>& constants, SpiceDialect dialect) {
    std::string lines;
    for (const SpiceConstant& constant : constants) {
        const std::string exact = "{" + ExactNumber(constant.Value) + "}";
        lines += dialect == SpiceDialect::Ngspice
                     ? ".func " + ConstantReference(constant.Name, dialect) + " " + exact
                     : ".param " + constant.Name + "=" + exact;
        lines += " ; " + formats::ShortestExact(constant.Value) + "\n";
    }
    return lines;
}

// The header of a Koren or Reefman model: its pins, name, constants and four ratings.
std::string ModelHeader(const Tube& tube, SpiceDialect dialect, std::string_view programVersion,
                        const std::string& name) {
    const bool screen = tubemath::HasScreen(tube.Model.Kind);
    const char* simulator = dialect == SpiceDialect::LTspice ? "LTspice" : "ngspice";
    std::string h;
    h +=
        "* Tube " + OneLine(tube.Name) + " as the subcircuit " + name + " for " + simulator + ".\n";
    h += "* Model: " + std::string(tubemath::ModelName(tube.Model.Kind)) + "\n";
    if (screen) {
        h += "* Pins in order: plate screen grid cathode (Koren's order: P G2 G1 K)\n";
        h += "*   X1 <plate> <screen> <grid> <cathode> " + name + "\n";
    } else {
        h += "* Pins in order: plate grid cathode (P G K)\n";
        h += "*   X1 <plate> <grid> <cathode> " + name + "\n";
    }
    h += "* Written by Valvescope " + OneLine(programVersion) + ".\n";
    h += "* Model constants:\n";
    for (const SpiceConstant& constant : ModelSpiceConstants(tube.Model))
        h += "*   " + constant.Name + " = " + formats::ShortestExact(constant.Value) + "\n";
    h += "* Maximum ratings (not enforced by the model):\n";
    h += RatingLine("Imax", tube.Ratings.Imax, "A");
    h += RatingLine("Vmax", tube.Ratings.Vmax, "V");
    h += RatingLine("Pmax", tube.Ratings.Pmax, "W");
    if (screen)
        h += RatingLine("Psmax", tube.Ratings.Psmax, "W");
    h += "* The model has no grid current and no capacitances: the grid draws nothing and\n";
    h += std::string("* the tube responds instantly. The ") +
         (screen ? "plate and screen currents are" : "plate current is") +
         " Valvescope's model, step\n";
    h += "* for step; the constants stand at the top of the subcircuit, each written as an\n";
    h += "* exact fraction so that the simulator reads the very same number, its decimal value\n";
    h += "* in the comment beside it. Put a decimal in its place to change it.\n";
    return h;
}

std::string ModelSubcircuit(const Tube& tube, SpiceDialect dialect, std::string_view programVersion,
                            const std::string& name) {
    const bool screen = tubemath::HasScreen(tube.Model.Kind);
    std::string text = ModelHeader(tube, dialect, programVersion, name);
    text += ".subckt " + name + (screen ? " plate screen grid cathode\n" : " plate grid cathode\n");
    text += ConstantLines(ModelSpiceConstants(tube.Model), dialect);
    text +=
        "Bplate plate cathode I=" + ContinuedLines(ModelPlateFormula(tube.Model, dialect)) + "\n";
    if (screen) {
        text +=
            "Bscreen screen cathode I=" + ContinuedLines(ModelScreenFormula(tube.Model, dialect)) +
            "\n";
    }
    text += ".ends " + name + "\n";
    return text;
}

} // namespace

std::string SpiceSubcircuit(const Tube& tube, SpiceDialect dialect,
                            std::string_view programVersion) {
    const std::string name = SubcircuitName(tube.Name);
    if (tube.Model.Kind != tubemath::ModelKind::Seed)
        return ModelSubcircuit(tube, dialect, programVersion, name);
    std::string text = Header(tube, dialect, programVersion, name);
    text += ".subckt " + name + " plate grid cathode\n";
    text += ConstantLines(SpiceConstants(tube.Model.Seed), dialect);
    text +=
        "Bplate plate cathode I=" + ContinuedLines(PlateCurrentFormula(tube.Model.Seed, dialect)) +
        "\n";
    text += ".ends " + name + "\n";
    return text;
}

std::string DeckPathFor(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || dot <= nameStart)
        return path + ".deck";
    return path.substr(0, dot) + ".deck" + path.substr(dot);
}

void ExportSpice(const std::string& path, const Tube& tube, SpiceDialect dialect,
                 std::string_view programVersion, const PlotSettings& settings,
                 const tubemath::ScreenWiring& screen) {
    ExportSpice(path, DeckPathFor(path), tube, dialect, programVersion, settings, screen);
}

void ExportSpice(const std::string& path, const Tube& tube, SpiceDialect dialect,
                 std::string_view programVersion, const PlotSettings& settings) {
    ExportSpice(path, DeckPathFor(path), tube, dialect, programVersion, settings,
                {tube.Screen, false});
}

void ExportSpice(const std::string& path, const std::string& deckPath, const Tube& tube,
                 SpiceDialect dialect, std::string_view programVersion,
                 const PlotSettings& settings) {
    ExportSpice(path, deckPath, tube, dialect, programVersion, settings, {tube.Screen, false});
}

void ExportSpice(const std::string& path, const std::string& deckPath, const Tube& tube,
                 SpiceDialect dialect, std::string_view programVersion,
                 const PlotSettings& settings, const tubemath::ScreenWiring& screen) {
    namespace fs = std::filesystem;
    const fs::path library = fs::absolute(path).lexically_normal();
    const fs::path deckFile = fs::absolute(deckPath).lexically_normal();
    const std::string included = library.parent_path() == deckFile.parent_path()
                                     ? library.filename().string()
                                     : library.string();
    const std::string outputName = deckFile.stem().string() + ".out";

    const std::string deck = SpiceFamilyDeck(tube, dialect, included, settings.EndV,
                                             FamilyGridVoltages(settings), outputName, screen);
    WriteFileAtomically(path, SpiceSubcircuit(tube, dialect, programVersion));
    WriteFileAtomically(deckPath, deck);
}

} // namespace valvescope::exports
