// Measured plate curves from a curve tracer's file, recognised by what the file holds:
//  - uTracer: one header line "Point Curve Ia (mA) Is (mA) Vg (V) Va (V) Vs (V) Vf (V)", then
//    whitespace-separated rows of those eight numbers;
//  - uTmax: a few header lines, then a tab-separated table headed "Point Curve Ia Is Vg Va Vs
//    Vf"; a negative Ia marks a point that was not measured and is left out;
//  - CSV: a header line naming Vg, Va and Ia in any order (cells may carry a unit, "Ia (mA)";
//    other columns are ignored), comma- or semicolon-separated, cells optionally in quotes.
//    With semicolons a decimal comma is read too ("0,25").
// Ia is in mA in every format (a CSV header may say "Ia (A)" or "Ia (uA)" instead); the points
// come back in the model's units, volts and amperes, in the order of the file.
#pragma once

#include "core/io/atomicfile.h"
#include "core/tube/measuredpoint.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace valvescope {

// A measurement file that cannot be used; what() is "<file>:<line>: <what is wrong>", e.g.
// "curves.csv:7: 'abc' is not a number in column Va", or "<file>: no measured points".
class MeasurementFileError : public FileError {
public:
    using FileError::FileError;
};

inline constexpr std::size_t kMaxMeasuredPoints = 100000;
inline constexpr std::size_t kMaxMeasurementFileBytes = std::size_t{10} << 20;

// The points in `text`, or MeasurementFileError; `fileName` is only used in the messages.
MeasuredPoints ReadMeasurements(std::string_view text, const std::string& fileName);

// The points in the file at `path` (at most kMaxMeasurementFileBytes); FileError when it cannot
// be read, MeasurementFileError when what it holds cannot be used.
MeasuredPoints ReadMeasurementFile(const std::string& path);

// The distinct grid voltages of the points, most positive first; non-finite ones are left out.
std::vector<double> MeasuredGridVoltages(const MeasuredPoints& points);

} // namespace valvescope
