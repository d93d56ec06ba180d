// Running the command line's tube and measured-curve options: the files read before anything is
// drawn (a file that does not read ends the program with its message and kExitUsage), the fit
// printed as JSON, and the tube and points handed to the window.
#pragma once

#include "cli/commandline.h"
#include "core/plot/marks.h"
#include "core/tube/tube.h"

#include <iosfwd>
#include <optional>

class TSchematicForm;

namespace valvescope {

// The tube of --tube (the 807 without it) and the marks of --data and --fitted-curves (none
// without it); with --fit-axes and `texts`, End V, End I and Step V in `texts` fitted to the
// measured points. On failure prints the message to `err` and returns the exit code.
std::optional<int> ReadTubeAndData(const CommandLine& line, Tube& tube, PlotMarks& marks,
                                   std::ostream& err, SettingsTexts* texts = nullptr);

// --fit, with --tube for the ratings and --save-tube: prints the fit as JSON on `out`.
int RunFit(const CommandLine& line, std::ostream& out, std::ostream& err);

// Gives the window the tube and the measured points the command line names, before it is
// shown; an error goes to the standard error box.
void ApplyTubeAndData(TSchematicForm& form, const CommandLine& line);

} // namespace valvescope
