// Running --design with --stage push-pull: the second tube read, the intake, the pair's
// analysis printed as text or JSON.
#pragma once

#include "cli/commandline.h"

#include <iosfwd>

namespace valvescope {

struct RunInputs;

// Prints the pair's analysis as --design asks; returns the exit code. A --tube-b that names no
// library tube is read as a tube file (kExitUsage when it does not read).
int PrintPushPull(const CommandLine& line, const RunInputs& inputs, std::ostream& out,
                  std::ostream& err);

} // namespace valvescope
