// Fitting the seven model constants to measured plate curves.
//
// The fit minimises the sum of squared differences, in mA, between PlateCurrent and the measured
// currents over all points, within fixed bounds on each constant. It starts from the 807's
// constants, from estimates read off the data and from a spread of further points, and keeps
// the best solution. The ratings are the user's and are not fitted.
#pragma once

#include "core/tube/measuredpoint.h"
#include "model/tubemath.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <functional>
#include <stdexcept>
#include <string>

namespace valvescope {

inline constexpr int kFitConstantCount = 7;

// One constant as the fit sees it: its name in TubeParams and the bounds it is held within.
struct FitConstant {
    const char* Name;
    double Lower;
    double Upper;
    double tubemath::TubeParams::*Member;
};

// The constants in the order of TubeParams.
inline constexpr std::array<FitConstant, kFitConstantCount> kFitConstants{{
    {"MuExponent", 0.01, 1, &tubemath::TubeParams::MuExponent},
    {"ExponentSlope", 1, 1e4, &tubemath::TubeParams::ExponentSlope},
    {"GridDecade", 1, 1e3, &tubemath::TubeParams::GridDecade},
    {"KneeFactor", 1, 1e5, &tubemath::TubeParams::KneeFactor},
    {"MuZero", 1, 200, &tubemath::TubeParams::MuZero},
    {"Perveance", 1e-9, 1, &tubemath::TubeParams::Perveance},
    {"LawExponent", 1, 2.5, &tubemath::TubeParams::LawExponent},
}};

// How well the data fix one constant.
struct ConstantQuality {
    // In the constant's own units; not finite when the data cannot fix the constant at all.
    double StandardError = 0;
    // The standard error is not finite or above half the constant's magnitude.
    bool PoorlyDetermined = false;
    // The fit stopped with this constant on (within 1e-6 relative of) one of its bounds.
    bool AtBound = false;
};

struct FitResult {
    tubemath::TubeParams Params;
    double RmsMilliamps = 0; // root mean square of model minus measured current
    double MaxMilliamps = 0; // largest magnitude of model minus measured current
    std::size_t Points = 0;  // points fitted
    std::array<ConstantQuality, kFitConstantCount> Quality; // in the order of kFitConstants
};

// Raised when there is nothing sound to fit; what() says why.
class FitError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Raised when the fit was asked to stop; what() is "The fit was cancelled".
class FitCancelled : public FitError {
public:
    FitCancelled() : FitError("The fit was cancelled") {}
};

// What a window may do while a fit runs (on the fit's own thread): follow its progress and ask
// it to stop. Both may be left empty.
struct FitControl {
    // Called now and then with the share of the work done, from 0 to 1.
    std::function<void(double)> Progress;
    // Set from any thread to stop the fit soon after, with FitCancelled.
    const std::atomic<bool>* Cancel = nullptr;
};

// Fits the constants to the points (Vg V, Va V, Ia A). Needs at least 8 points with finite
// values and some current; raises FitError otherwise or when no start reaches a solution. On
// more than a few thousand points the starts are screened on an even subsample, and the best
// is finished on all the points.
FitResult FitTube(const MeasuredPoints& points, const FitControl& control = {});

// {"points": N, "rms_mA": x, "max_mA": x, "constants": {...}, "stderr": {...}, "flags": {...}}
// with the constants named as in TubeParams, numbers to 17 significant digits and a standard
// error that is not finite written as null. "flags" names each constant the fit cannot vouch
// for: "bound" when it stopped at one of its bounds, otherwise "poor" when poorly determined.
std::string FitJson(const FitResult& result);

} // namespace valvescope
