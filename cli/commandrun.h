// Running the command line's modes that need no window: --help, --version, a command line that
// does not read, --export, --readout, --design, the file exports and --fit. Each returns the
// program's exit code.
#pragma once

#include "cli/commandline.h"
#include "cli/runerrors.h"

#include <iosfwd>
#include <optional>

namespace valvescope {

struct DrawnPlot;
struct RunInputs;

// Runs a mode other than Window and WindowShot; needs the application object. Results go to
// `out`, messages to `err`.
int RunWithoutWindow(const CommandLine& line, std::ostream& out, std::ostream& err);

// Prints why the command line did not read and where the options are told; returns kExitUsage.
int ReportUsage(const QString& problem, std::ostream& err);

// Prints the stage's analysis as --design asks; returns the exit code.
int PrintDesign(const CommandLine& line, const RunInputs& inputs, std::ostream& out,
                std::ostream& err);

// Draws the plot the command line asks for, as the window would, with the stage's marks when
// the command line gives a stage; on failure prints the message to `err` and returns the exit
// code, otherwise returns nothing and fills `plot`.
std::optional<int> DrawOrReport(const CommandLine& line, const RunInputs& inputs, DrawnPlot& plot,
                                std::ostream& err);

} // namespace valvescope
