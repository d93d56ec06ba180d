// A tube: its name, its model with that model's constants, its maximum ratings, the screen
// voltage a screen-grid tube is plotted at, and free-text notes. The 807 is built in (the seed
// model); any other tube comes from the library, a tube file or a fit.
#pragma once

#include "model/tubemodels.h"
#include "model/wiredmodel.h"

#include <optional>
#include <string>

namespace valvescope {

// Maximum ratings in SI units; the user's, so a tube may have none of one (a fitted tube that
// was given none). The 807's to start with.
struct TubeRatings {
    std::optional<double> Imax = 0.120; // A, plate current
    std::optional<double> Vmax = 475;   // V, plate voltage
    std::optional<double> Pmax = 25;    // W, plate dissipation
    std::optional<double> Psmax;        // W, screen dissipation (screen-grid models)

    bool operator==(const TubeRatings&) const = default;
};

struct Tube {
    std::string Name = "807";
    tubemath::TubeModel Model; // the seed model with the 807's constants to start with
    TubeRatings Ratings;
    double Screen = 0; // V, the screen voltage the plot starts at (screen-grid models)
    std::string Notes;
};

// The built-in 807 beam power tube.
inline Tube Builtin807() {
    Tube tube;
    tube.Notes = "Built in.";
    return tube;
}

// The tube as a new tube is plotted: the screen held at its own screen voltage, not
// triode-connected.
inline tubemath::WiredModel WiredAtItsScreen(const Tube& tube) {
    return {tube.Model, {tube.Screen, false}};
}

} // namespace valvescope
