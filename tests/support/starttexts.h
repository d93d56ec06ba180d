// The seven boxes' texts as the program starts, written out here rather than taken from the
// program, in the intake's order: # Grid Lines, Step V, End I, End V, Ra, Rk, B+.
#pragma once

#include "core/settings/intake.h"

namespace valvescope::fixtures {

inline SettingsTexts StartupTexts() {
    return {"10", "10", "200", "800", "3000", "590", "400"};
}

} // namespace valvescope::fixtures
