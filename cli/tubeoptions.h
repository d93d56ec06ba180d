// The command line's options for the tube and measured curves: --tube, --data, --fitted-curves,
// --fit (with --model, --compare-models and the fitted tube's ratings) and --save-tube; and the
// screen's wiring: --screen-v and --triode-connected.
#pragma once

#include "cli/commandline.h"

class QCommandLineParser;

namespace valvescope {

void AddTubeOptions(QCommandLineParser& parser);

// Reads the options into `line`, turning a command line with --fit into RunMode::Fit. False,
// with line.Problem saying why, for a value given twice, an empty file name, a model the fit
// does not know or options that do not go together.
bool ReadTubeOptions(const QCommandLineParser& parser, CommandLine& line);

} // namespace valvescope
