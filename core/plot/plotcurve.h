// The plotted current along one curve of constant grid voltage, for any model: the seed's through
// tubemath::GridCurve (the work on the grid voltage done once, bit for bit PlateCurrent), every
// other model's as tubemath::CurrentsAt gives the plate terminal's current.
#pragma once

#include "model/tubemath.h"
#include "model/wiredmodel.h"

#include <optional>

namespace valvescope {

class PlotCurve {
public:
    PlotCurve(const tubemath::WiredModel& tube, double Vg) : tube_(tube), vg_(Vg) {
        if (tube.Model.Kind == tubemath::ModelKind::Seed) {
            seed_.emplace(tube.Model.Seed, Vg);
        }
    }

    double PlateCurrentAt(double Va) const {
        return seed_ ? seed_->PlateCurrentAt(Va) : tubemath::CurrentsAt(tube_, vg_, Va).Plate;
    }

private:
    const tubemath::WiredModel& tube_;
    double vg_;
    std::optional<tubemath::GridCurve> seed_;
};

} // namespace valvescope
