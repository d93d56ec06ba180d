// Running the command line's tube and measured-curve options: the tube and measured points read
// once before anything is drawn (a file that does not read ends the program with its message and
// kExitUsage). The fit is cli/fitrun's.
#pragma once

#include "cli/commandline.h"
#include "core/plot/marks.h"
#include "core/tube/measuredpoint.h"
#include "core/tube/tube.h"
#include "model/wiredmodel.h"

#include <iosfwd>
#include <optional>
#include <string>

namespace valvescope {

// What the run draws with: the tube of --tube (else the design's, else the 807) and the points
// of --data (else the design's measurements, for the modes that draw them).
struct RunInputs {
    Tube RunTube = Builtin807();
    // The screen's wiring for every mode: --screen-v (else the tube's own screen voltage) and
    // --triode-connected.
    tubemath::ScreenWiring Screen;
    MeasuredPoints Points;
    std::string MeasurementFile; // as named, empty for none
    bool FittedCurves = false;

    // The points, with the model's curves at their grid voltages when asked for.
    PlotMarks Marks() const;
};

// The screen's wiring the command line asks for with this tube; the problem instead where
// --screen-v or --triode-connected is given for a tube whose model has no screen grid (but for
// a push-pull pair, whose second tube may have one).
std::optional<std::string> ScreenOptionsProblem(const CommandLine& line, const Tube& tube);
tubemath::ScreenWiring ScreenWiringOf(const CommandLine& line, const Tube& tube);

// Reads the run's files, each once; with --fit-axes, End V, End I and Step V of `line` follow the
// measured points; then the screen's wiring (a problem with it ends the program with its message
// and kExitUsage). On failure prints the message to `err` and returns the exit code.
std::optional<int> ReadInputs(CommandLine& line, RunInputs& inputs, std::ostream& err);

// The tube of --tube: the tube file at that path where there is one (a file comes first), else
// the built-in 807 or the library's tube of that name (letters in either case), else the error
// of a file that does not read; the design's tube without --tube. Raises FileError.
Tube ChosenTube(const CommandLine& line);
// The tube a --tube or --tube-b text names, by the same rule (FindTube, core/tube/findtube.h, on
// the name as the C library opens it).
Tube TubeNamed(const QString& given);

} // namespace valvescope
