// The tube as a SPICE subcircuit with the pins plate, grid, cathode, for ngspice or LTspice.
#pragma once

#include "core/export/spicetext.h"
#include "core/settings/plotsettings.h"
#include "core/tube/tube.h"
#include "model/wiredmodel.h"

#include <string>
#include <string_view>

namespace valvescope::exports {

// The subcircuit of `tube`: a header comment (pins and their order, the tube's name, its
// constants and ratings, the program and `programVersion`, and what the model leaves out), then
// the named constants and the model's currents as behavioural sources. The seed:
// `.subckt NAME plate grid cathode` with one source from plate to cathode that computes
// tubemath::PlateCurrent. Koren's triode the same with its own law; the screen-grid models
// `.subckt NAME plate screen grid cathode` (Koren's pin order P G2 G1 K) with a source from the
// screen to the cathode beside the plate's, the two computing tubemath::CurrentsAt. Throws
// std::invalid_argument for a constant that is not finite.
std::string SpiceSubcircuit(const Tube& tube, SpiceDialect dialect,
                            std::string_view programVersion);

// `path` with ".deck" before its extension: "807.lib" gives "807.deck.lib", "model" gives
// "model.deck", "lib.v2/model" gives "lib.v2/model.deck". A leading dot of a file name
// (".lib") starts no extension.
std::string DeckPathFor(const std::string& path);

// Writes the subcircuit to `path` and, beside it at DeckPathFor(path), a deck that draws the
// plot's family of curves with it (the plate voltage from 0 to End V in 1 V steps, one curve for
// each grid voltage of FamilyGridVoltages), a screen-grid tube's screen wired as `screen`
// (the plot's wiring). The deck includes the subcircuit by its file name
// and writes its results, run from that folder, to the deck's path with ".out" in place of the
// extension. Each file is written atomically; FileError when one cannot be written.
void ExportSpice(const std::string& path, const Tube& tube, SpiceDialect dialect,
                 std::string_view programVersion, const PlotSettings& settings,
                 const tubemath::ScreenWiring& screen);
// The same with a screen-grid tube's screen held at the tube's own screen voltage.
void ExportSpice(const std::string& path, const Tube& tube, SpiceDialect dialect,
                 std::string_view programVersion, const PlotSettings& settings);

// The same with the deck at `deckPath`. A deck in the subcircuit's folder includes it by its
// file name; one elsewhere by the subcircuit's absolute path.
void ExportSpice(const std::string& path, const std::string& deckPath, const Tube& tube,
                 SpiceDialect dialect, std::string_view programVersion,
                 const PlotSettings& settings, const tubemath::ScreenWiring& screen);
void ExportSpice(const std::string& path, const std::string& deckPath, const Tube& tube,
                 SpiceDialect dialect, std::string_view programVersion,
                 const PlotSettings& settings);

} // namespace valvescope::exports
