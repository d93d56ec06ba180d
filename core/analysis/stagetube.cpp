#include "core/analysis/stagetube.h"

#include <cmath>

namespace valvescope::analysis {

namespace {

CurrentSlopes Checked(const CurrentSlopes& slopes) {
    for (const double d : {slopes.DIpDVg, slopes.DIpDVa}) {
        if (std::isnan(d))
            throw tubemath::ArithmeticError(tubemath::kInvalidOperationMessage);
        if (std::isinf(d))
            throw tubemath::ArithmeticError(tubemath::kOverflowMessage);
    }
    return slopes;
}

} // namespace

double StageTube::Current(double vg, double va) const {
    if (IsSeed())
        return tubemath::PlateCurrent(wired_.Model.Seed, vg, va);
    return tubemath::CurrentsAt(wired_, vg, va).Plate;
}

CurrentSlopes StageTube::Slopes(double vg, double va) const {
    if (IsSeed())
        return PlateCurrentSlopes(wired_.Model.Seed, vg, va);
    const tubemath::CurrentsAndSlopes s = tubemath::SlopesAt(wired_, vg, va);
    return {s.Value.Plate, s.Plate.PerVg, s.Plate.PerVa};
}

CurrentSlopes StageTube::CheckedSlopes(double vg, double va) const {
    if (IsSeed())
        return CheckedPlateCurrentSlopes(wired_.Model.Seed, vg, va);
    return Checked(Slopes(vg, va));
}

bool StageTube::HeldScreen() const {
    return tubemath::HasScreen(wired_.Model.Kind) && !wired_.Screen.TriodeConnected;
}

double StageTube::ScreenVolts(double va) const {
    return wired_.Screen.TriodeConnected ? va : wired_.Screen.Volts;
}

CurrentSlopes StageTube::ScreenSlopes(double vg, double va) const {
    if (!tubemath::HasScreen(wired_.Model.Kind))
        return {};
    const tubemath::CurrentsAndSlopes s = tubemath::SlopesAt(wired_.Model, vg, va, ScreenVolts(va));
    // Triode-connected the screen moves with the plate: its slope per Va takes both.
    const double perVa =
        wired_.Screen.TriodeConnected ? s.Screen.PerVa + s.Screen.PerVs : s.Screen.PerVa;
    return Checked({s.Value.Screen, s.Screen.PerVg, perVa});
}

} // namespace valvescope::analysis
