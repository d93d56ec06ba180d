// The command line's options for the push-pull stage: --stage, --raa, --bias, --vg, --screen-v,
// --ul, --triode-connected, --tube-b and --sweep-drive.
#pragma once

#include "cli/commandline.h"

class QCommandLineParser;

namespace valvescope {

void AddPushPullOptions(QCommandLineParser& parser);

// Reads the options into `line` after the stage's own (--design, --drive). False, with
// line.Problem saying why, for a word or number that does not read, a value given twice or
// options that do not go together.
bool ReadPushPullOptions(const QCommandLineParser& parser, CommandLine& line);

} // namespace valvescope
