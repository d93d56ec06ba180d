// The command line's export options besides --export: --bare, --export-spice with
// --spice-dialect and --spice-deck, --export-csv and --print-pdf.
#pragma once

#include "cli/commandline.h"

class QCommandLineParser;

namespace valvescope {

void AddExportOptions(QCommandLineParser& parser);

// Reads --bare, --spice-dialect and --spice-deck into `line`, whose mode is already chosen; false
// with line.Problem when one does not read or goes with another mode.
bool ReadExportOptions(const QCommandLineParser& parser, CommandLine& line);

} // namespace valvescope
