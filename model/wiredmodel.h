// A tube model with its screen grid wired as the plot, the readout and the stage use it: held at
// a screen voltage, or tied to the plate (triode-connected). What these call the plate current is
// the current of the plate terminal: Ia, or Ia + Is triode-connected. The seed and the triode
// models have no screen, so their wiring changes nothing.
#pragma once

#include "model/modelinversion.h"
#include "model/tubemodels.h"

#include <optional>

namespace tubemath {

struct ScreenWiring {
    double Volts = 0;             // the screen to the cathode, when not triode-connected
    bool TriodeConnected = false; // Vs = Va, the screen current joins the plate's
    bool operator==(const ScreenWiring&) const = default;
};

struct WiredModel {
    TubeModel Model;
    ScreenWiring Screen;
};

inline Currents CurrentsAt(const WiredModel& tube, double vg, double va) {
    return tube.Screen.TriodeConnected ? TriodeConnectedCurrentsAt(tube.Model, vg, va)
                                       : CurrentsAt(tube.Model, vg, va, tube.Screen.Volts);
}

inline CurrentsAndSlopes SlopesAt(const WiredModel& tube, double vg, double va) {
    return tube.Screen.TriodeConnected ? TriodeConnectedSlopesAt(tube.Model, vg, va)
                                       : SlopesAt(tube.Model, vg, va, tube.Screen.Volts);
}

// The plate voltage in [0, vaMax] at which the wired tube draws the plate current ip at grid
// voltage vg (PlateVoltageFor of model/modelinversion.h, at the held screen voltage or
// triode-connected); nullopt where none up to vaMax draws it.
inline std::optional<double> PlateVoltageFor(const WiredModel& tube, double ip, double vg,
                                             double vaMax) {
    return tube.Screen.TriodeConnected
               ? TriodeConnectedPlateVoltageFor(tube.Model, ip, vg, vaMax)
               : PlateVoltageFor(tube.Model, ip, vg, tube.Screen.Volts, vaMax);
}

} // namespace tubemath
