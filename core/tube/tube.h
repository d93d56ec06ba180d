// A tube: its name, the seven model constants, its maximum ratings and free-text notes.
// The 807 is built in; any other tube comes from a tube file or a fit.
#pragma once

#include "model/tubemath.h"

#include <optional>
#include <string>

namespace valvescope {

// Maximum ratings in SI units; the user's, so a tube may have none of one (a fitted tube that
// was given none). The 807's to start with.
struct TubeRatings {
    std::optional<double> Imax = 0.120; // A, plate current
    std::optional<double> Vmax = 475;   // V, plate voltage
    std::optional<double> Pmax = 25;    // W, plate dissipation

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
