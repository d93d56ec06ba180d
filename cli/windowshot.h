// The window as the command line sets it up: the settings typed into the boxes and the toggles
// set down before it is shown; and the picture of the window as it shows on the screen.
#pragma once

#include "cli/commandline.h"

#include <iosfwd>

class TSchematicForm;

namespace valvescope {

// Types the settings into the boxes, sets the toggles down and, for a given surface size,
// resizes the window so that the plot gets that size. Call before the window is shown.
void ApplyCommandLine(TSchematicForm& form, const CommandLine& line);

// Shows the window, waits until it is on the screen and drawn, renders its client area (the
// window without the window manager's frame, whole even where it runs past the screen's edges)
// into the PNG `file`, and closes the window. Returns the exit code; a failure is reported on
// `err`.
int TakeWindowShot(TSchematicForm& form, const QString& file, std::ostream& err);

} // namespace valvescope
