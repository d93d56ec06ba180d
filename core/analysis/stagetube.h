// The tube as the stage drives it: the current of its plate terminal and its slopes, with a
// screen-grid tube's screen wired as the plot wires it (held at its voltage above the cathode, or
// tied to the plate), and the screen's own current.
#pragma once

#include "core/analysis/slopes.h"
#include "model/tubemath.h"
#include "model/wiredmodel.h"

namespace valvescope::analysis {

class StageTube {
public:
    explicit StageTube(const tubemath::WiredModel& wired) : wired_(wired) {}
    // The seed model with these seven constants (a seed tube takes them as they are).
    StageTube(const tubemath::TubeParams& seed)
        : wired_{{tubemath::ModelKind::Seed, seed, {}}, {}} {}

    // The plate terminal's current at (vg, va): Ia, or Ia + Is triode-connected. The seed's is
    // tubemath::PlateCurrent.
    double Current(double vg, double va) const;
    // That current and its two slopes: the seed's from its own formula differentiated by hand
    // (PlateCurrentSlopes, which may give a derivative that is not finite), every other model's
    // exact ones (tubemath::SlopesAt).
    CurrentSlopes Slopes(double vg, double va) const;
    // As Slopes, a derivative that is not finite raising tubemath::ArithmeticError.
    CurrentSlopes CheckedSlopes(double vg, double va) const;

    // True where a screen supply feeds the screen: a screen-grid tube not triode-connected. Its
    // current then runs through the cathode besides the plate's.
    bool HeldScreen() const;
    // The screen's own current and its slopes (0 for the seed and the triodes); triode-connected
    // the share of the plate terminal's current that the screen takes, at Vs = Va.
    CurrentSlopes ScreenSlopes(double vg, double va) const;
    // The screen to the cathode: the held voltage, or Va triode-connected.
    double ScreenVolts(double va) const;

    bool HasScreenGrid() const { return tubemath::HasScreen(wired_.Model.Kind); }
    bool IsSeed() const { return wired_.Model.Kind == tubemath::ModelKind::Seed; }
    const tubemath::TubeParams& Seed() const { return wired_.Model.Seed; }

private:
    tubemath::WiredModel wired_;
};

} // namespace valvescope::analysis
