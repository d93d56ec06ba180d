// How far a tube of any model lies from measured points, for the Tube window's line under the
// file's name.
#pragma once

#include "core/fit/fitreport.h"
#include "core/tube/measuredpoint.h"
#include "model/wiredmodel.h"

namespace valvescope {

// The seed as DifferenceOf gives it; any other model at each point's own measured screen
// voltage, or at the wiring's where the point has none, or triode-connected when the wiring is.
// The plate terminal's current is compared with the measured plate current.
ModelDifference DifferenceOfModel(const tubemath::WiredModel& tube, const MeasuredPoints& points);

} // namespace valvescope
