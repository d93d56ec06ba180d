// What the Tube window and the command line show of a fit: how far the model lies from the
// measured points, the report of a fit, and the tube a fit makes.
#pragma once

#include "core/fit/fit.h"
#include "core/tube/measuredpoint.h"
#include "core/tube/tube.h"

#include <cstddef>
#include <string>

namespace valvescope {

// How far the model's PlateCurrent lies from the measured currents.
struct ModelDifference {
    double RmsMilliamps = 0; // over the points where the model could be evaluated
    double MaxMilliamps = 0; // largest magnitude there
    std::size_t Points = 0;  // points compared
    std::size_t Failed = 0;  // points where the model raised an arithmetic fault
};

ModelDifference DifferenceOf(const tubemath::TubeParams& tube, const MeasuredPoints& points);

// One line, e.g. "RMS 0.040 mA, largest 0.135 mA over 186 points".
std::string DifferenceText(const ModelDifference& difference);

// The report of a fit: the points, RMS and largest difference, then a table of each constant
// with its standard error, marked where it is poorly determined or at a bound.
std::string FitReportText(const FitResult& result);

// The fitted constants on `base`'s ratings, named "<stem> (fitted)", with notes naming the file.
// The 807's own ratings are not the measured tube's: on the 807 the fitted tube has none.
Tube FittedTube(const Tube& base, const FitResult& result, const std::string& fileName);

// The file name without its folders and its last extension: "/a/ECC82.utd" gives "ECC82".
std::string FileStem(const std::string& path);

} // namespace valvescope
