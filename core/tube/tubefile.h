// Tube files: one tube as JSON, read with every key checked and written so that every number
// reads back as the very same double. Format 1,
//
//   {"format": 1, "name": "807",
//    "constants": {"MuExponent": 0.253, "ExponentSlope": 99.1, "GridDecade": 31.1,
//                  "KneeFactor": 300, "MuZero": 8.7, "Perveance": 5.7e-05, "LawExponent": 1.48},
//    "ratings": {"Imax": 0.12, "Vmax": 475, "Pmax": 25},
//    "notes": "where the constants come from"}
//
// is a tube of the seed model, and a seed tube is always written so. Any other model is format 2:
//
//   {"format": 2, "name": "EF80 (fitted)", "model": "derke",
//    "constants": {"mu": 50, "ex": 1.3, "kg1": 400, "kg2": 2000, "kp": 200, "kvb": 300,
//                  "a": 0, "alphaS": 3, "beta": 0.1},
//    "ratings": {"Imax": null, "Vmax": 300, "Pmax": 2.5, "Psmax": 0.7},
//    "screen": 250, "notes": "..."}
//
// with the constants the model names (tubemath::ConstantsOf) and, for a screen-grid model
// (koren-pentode, derk, derke), the screen rating Psmax and the screen voltage the plot starts
// at; a triode model has neither key. Every constant is a number above zero except Reefman's a
// and alphaS, which may be zero (a tube without that effect); "screen" is above zero.
//
// SI units throughout (Imax in amperes). "notes" may be left out; every other key must be there,
// a rating may be null for none, and a key the program does not know is an error rather than
// silently ignored.
#pragma once

#include "core/io/atomicfile.h"
#include "core/tube/tube.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace valvescope {

// A tube file that cannot be used; what() names the file, the key and what is wrong, e.g.
// "tube.json: constants.MuZero: must be a number above zero", "tube.json: constants.kg2: missing"
// or "tube.json: line 3: ...".
class TubeFileError : public FileError {
public:
    using FileError::FileError;
};

// The format of a seed tube's file, the only one older versions read; kModelTubeFileFormat that
// of every other model's.
inline constexpr int kTubeFileFormat = 1;
inline constexpr int kModelTubeFileFormat = 2;
inline constexpr std::size_t kMaxTubeFileBytes = std::size_t{1} << 20;

// The tube in `text`, or TubeFileError; `fileName` is only used in the messages.
Tube ParseTubeJson(std::string_view text, const std::string& fileName);

// The tube in the file at `path` (at most kMaxTubeFileBytes); FileError when it cannot be read,
// TubeFileError when what it holds is not a valid tube.
Tube ReadTubeFile(const std::string& path);

// The tube as the JSON text of a tube file, ending in a newline: format 1 for the seed model
// (Psmax and the screen voltage are not written), format 2 for the others.
std::string TubeJson(const Tube& tube);

// Writes the tube file atomically. A tube that would not read back (a constant that is zero where
// it may not be, negative or not finite, an empty name, a screen-grid tube without a screen
// voltage) throws TubeFileError and writes nothing; a failed
// write throws FileError and leaves any file already at `path` as it was.
void SaveTubeFile(const std::string& path, const Tube& tube);

} // namespace valvescope
