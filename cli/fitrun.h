// --fit on the command line: the measured files read once, the model fitted to them together
// (or every model that suits them compared), the fit printed as JSON and the fitted tube saved.
#pragma once

#include "cli/commandline.h"

#include <iosfwd>

namespace valvescope {

// Prints the fit as JSON on `out`: the seed's with --tube (or the design's tube) for the ratings,
// a model's with the ratings of --imax, --vmax, --pmax and --psmax (none otherwise), or with
// --compare-models an array of every suiting model's fit, best first. With --save-tube the fitted
// tube goes into that file ("-": the tube file in place of the fit).
int RunFit(const CommandLine& line, std::ostream& out, std::ostream& err);

} // namespace valvescope
