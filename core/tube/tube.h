// A tube: its name, the seven model constants, its maximum ratings and free-text notes.
// The 807 is built in; any other tube comes from a tube file or a fit.
#pragma once

#include "model/tubemath.h"

#include <string>

namespace valvescope {

// Maximum ratings in SI units.
struct TubeRatings {
    double Imax = 0.120; // A, plate current
    double Vmax = 475;   // V, plate voltage
    double Pmax = 25;    // W, plate dissipation

    bool operator==(const TubeRatings&) const = default;
};

struct Tube {
    std::string Name = "807";
    tubemath::TubeParams Params;
    TubeRatings Ratings;
    std::string Notes;
};

// The built-in 807 beam power tube.
inline Tube Builtin807() {
    Tube tube;
    tube.Notes = "Built in.";
    return tube;
}

} // namespace valvescope
