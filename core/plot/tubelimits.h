// What the limit overlays draw: the maximum current, voltage and dissipation.
#pragma once

#include "core/tube/tube.h"

#include <optional>

namespace valvescope {

// The tube's maximum ratings as the limit overlays draw them; the 807's to start with. A
// missing rating draws no overlay.
struct TubeLimits {
    std::optional<double> Imax = 120; // mA
    std::optional<double> Vmax = 475; // V
    std::optional<double> Wp = 25;    // W
};

// The limits of a tube's ratings (Imax in amperes there, in milliamps here).
inline TubeLimits LimitsOf(const TubeRatings& ratings) {
    const std::optional<double> imax =
        ratings.Imax ? std::optional<double>(*ratings.Imax * 1000) : std::nullopt;
    return TubeLimits{imax, ratings.Vmax, ratings.Pmax};
}

} // namespace valvescope
