// Tube files: one tube as JSON, read with every key checked and written so that every number
// reads back as the very same double.
//
//   {"format": 1, "name": "807",
//    "constants": {"MuExponent": 0.253, "ExponentSlope": 99.1, "GridDecade": 31.1,
//                  "KneeFactor": 300, "MuZero": 8.7, "Perveance": 5.7e-05, "LawExponent": 1.48},
//    "ratings": {"Imax": 0.12, "Vmax": 475, "Pmax": 25},
//    "notes": "where the constants come from"}
//
// SI units throughout (Imax in amperes). "notes" may be left out; every other key must be there,
// and a key the program does not know is an error rather than silently ignored.
#pragma once

#include "core/io/atomicfile.h"
#include "core/tube/tube.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace valvescope {

// A tube file that cannot be used; what() names the file, the key and what is wrong, e.g.
// "tube.json: constants.MuZero: must be a number above zero" or "tube.json: line 3: ...".
class TubeFileError : public FileError {
public:
    using FileError::FileError;
};

inline constexpr int kTubeFileFormat = 1;
inline constexpr std::size_t kMaxTubeFileBytes = std::size_t{1} << 20;

// The tube in `text`, or TubeFileError; `fileName` is only used in the messages.
Tube ParseTubeJson(std::string_view text, const std::string& fileName);

// The tube in the file at `path` (at most kMaxTubeFileBytes); FileError when it cannot be read,
// TubeFileError when what it holds is not a valid tube.
Tube ReadTubeFile(const std::string& path);

// The tube as the JSON text of a tube file, ending in a newline.
std::string TubeJson(const Tube& tube);

// Writes the tube file atomically. A tube that would not read back (a constant that is zero,
// negative or not finite, an empty name) throws TubeFileError and writes nothing; a failed
// write throws FileError and leaves any file already at `path` as it was.
void SaveTubeFile(const std::string& path, const Tube& tube);

} // namespace valvescope
