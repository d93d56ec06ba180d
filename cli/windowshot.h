// The window as the command line sets it up: the document given the settings, toggles, tube,
// measured points and stage inputs before the window is shown; and the picture of the window as
// it shows on the screen.
#pragma once

#include "cli/commandline.h"

#include <iosfwd>

class TSchematicForm;

namespace valvescope {

struct RunInputs;

// Gives the window's document what the command line asks for and, for a given surface size,
// resizes the window so that the plot gets that size. Call before the window is shown.
void ApplyCommandLine(TSchematicForm& form, const CommandLine& line, RunInputs inputs);

// Shows the window, waits until it is on the screen and drawn, renders its client area (the
// window without the window manager's frame, whole even where it runs past the screen's edges)
// into the PNG `file`, and closes the window. Returns the exit code; a failure is reported on
// `err`. A drawing that fails on the screen (its error box written to `err` already) writes no
// picture and gives kExitArithmetic.
int TakeWindowShot(TSchematicForm& form, const QString& file, std::ostream& err);

} // namespace valvescope
