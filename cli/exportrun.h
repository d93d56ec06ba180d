// Running the command line's file exports: the picture (with its margins, or --bare), the SPICE
// subcircuit with its deck, the curve data and the printed page. Each file is made whole in
// memory and replaces an existing one only once it is all on the disk.
#pragma once

#include "cli/commandline.h"

#include <iosfwd>
#include <string>

namespace valvescope {

struct DrawnPlot;
struct RunInputs;

// The picture --export writes: the surface with its axis labels and caption, or the surface
// alone with --bare. Returns the exit code; a failure is reported on `err`.
int WriteExportedPicture(const CommandLine& line, const DrawnPlot& plot, std::ostream& err);

// Runs ExportSpice, ExportCsv or PrintPdf on the plot the settings draw. Returns the exit code:
// those of --export (1 nothing drawn or settings that give no SPICE deck, 2 a text that does not
// read, 3 an arithmetic fault, 4 a file that cannot be written, or an export larger than the
// program writes). With "-" for the file, the curve data or the subcircuit goes to `out` instead.
int RunFileExport(const CommandLine& line, const RunInputs& inputs, std::ostream& out,
                  std::ostream& err);

// True for "-", the file name that stands for the standard output.
bool IsStandardOutput(const QString& file);

// Writes `text` to `out` and flushes it; a failed write is reported on `err` with kExitNotWritten.
int WriteToStandardOutput(const std::string& text, std::ostream& out, std::ostream& err);

} // namespace valvescope
