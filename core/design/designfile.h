// Design files: a designer's whole stage as JSON, so it outlives the window. Every key is
// checked on reading, as in a tube file:
//
//   {"format": 1,
//    "tube": {<a tube file's object: "format", "name", "constants", "ratings", "notes">},
//    "settings": {"end-i": "200", "step-v": "10", "grid-lines": "10", "end-v": "800",
//                 "ra": "3000", "bplus": "400", "rk": "590"},
//    "show": {"imax": false, "wp": false, "vmax": false, "rk": false, "load": true},
//    "measurements": {"file": "/home/me/ECC82.utd", "fitted_curves": true},
//    "stage": {"load": "transformer", "zaa": "5000", "drive": "", "kind": "push-pull",
//              "push_pull": {"raa": "6600", "bias": "fixed", "vg": "-30", "drive": "",
//                            "screen": "supply", "screen_v": "", "tap": "0.43", "tube_b": ""}}}
//
// The settings are the boxes' texts exactly as typed; "file" is empty when no measurements are
// open. A relative measurement file name is taken from the design file's folder. "kind" and
// "push_pull" are written for a push-pull stage only ("bias" "fixed" or "cathode", "screen"
// "supply", "ultralinear" or "triode-connected", "tube_b" a tube file or a library tube's name as
// typed, blank for the same tube again); a stage without "kind" is single-ended.
#pragma once

#include "core/design/stagetexts.h"
#include "core/io/atomicfile.h"
#include "core/settings/intake.h"
#include "core/settings/plotsettings.h"
#include "core/settings/settingsboxes.h"
#include "core/tube/tube.h"
#include "model/wiredmodel.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace valvescope {

// A design file that cannot be used; what() names the file, the key and what is wrong, e.g.
// "stage.json: settings.end-v: must be a string".
class DesignFileError : public FileError {
public:
    using FileError::FileError;
};

inline constexpr int kDesignFileFormat = 1;
inline constexpr std::size_t kMaxDesignFileBytes = std::size_t{1} << 20;

struct Design {
    Tube DesignTube = Builtin807();
    // How a screen-grid tube's screen is wired: "screen": {"volts", "triode_connected"} in the
    // file, written for such a tube only; left out, the tube's own screen voltage.
    tubemath::ScreenWiring Screen;
    SettingsTexts Texts = StartTexts();
    Overlays Show;
    std::string MeasurementFile; // empty: no measured points
    bool FittedCurves = false;
    StageTexts Stage;
};

// The design in `text`, or DesignFileError; `fileName` names the file in the messages and
// gives the folder a relative measurement file name is taken from.
Design ParseDesignJson(std::string_view text, const std::string& fileName);

// The design in the file at `path`; FileError when it cannot be read, DesignFileError when what
// it holds is not a valid design.
Design ReadDesignFile(const std::string& path);

// The design as the JSON text of a design file, ending in a newline.
std::string DesignJson(const Design& design);

// Writes the design file atomically: a design that would not read back throws DesignFileError
// and writes nothing; a failed write throws FileError and leaves the file there as it was.
void SaveDesignFile(const std::string& path, const Design& design);

} // namespace valvescope
