// What the limit overlays draw: the maximum current, voltage and dissipation.
#pragma once

#include "core/tube/tube.h"

namespace valvescope {

// The tube's maximum ratings as the limit overlays draw them; the 807's to start with.
struct TubeLimits {
    double Imax = 120; // mA
    double Vmax = 475; // V
    double Wp = 25;    // W
};

// The limits of a tube's ratings (Imax in amperes there, in milliamps here).
inline TubeLimits LimitsOf(const TubeRatings& ratings) {
    return TubeLimits{ratings.Imax * 1000, ratings.Vmax, ratings.Pmax};
}

} // namespace valvescope
