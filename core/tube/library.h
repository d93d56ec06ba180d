// The built-in tube library beside the 807: common triodes and output tubes with Koren's
// published model constants and their data sheets' maximum ratings. Plain C++, no Qt.
#pragma once

#include "core/tube/tube.h"
#include "model/tubemodels.h"

#include <span>
#include <string_view>

namespace valvescope {

struct LibraryTube {
    std::string_view Name;
    tubemath::TubeModel Model;
    TubeRatings Ratings;    // Imax A, Vmax V, Pmax W
    double Psmax = 0;       // W, screen dissipation; 0 for a triode
    double Screen = 0;      // V, the screen voltage the plot starts at; 0 for a triode
    std::string_view Notes; // where the numbers come from
};

// The library in the order the Tube window lists it.
std::span<const LibraryTube> TubeLibrary();

// The library tube of that name, letters in either case ("el34" finds the EL34); nullptr when
// there is none.
const LibraryTube* FindLibraryTube(std::string_view name);

// The library tube as a tube of the session: its model, ratings (Psmax for a screen-grid tube),
// screen voltage and note.
Tube TubeOf(const LibraryTube& entry);

} // namespace valvescope
