// The pointer readout: the operating point under the pointer as the status line shows it.
#pragma once

#include "core/plot/plottypes.h"
#include "model/tubemath.h"

#include <cstdint>
#include <optional>
#include <string>

namespace valvescope {

// The readout for the pointer at X, Y on a surface H pixels high, drawn at `scale`: the whole
// hint text, starting with "| Vp= ". Mu, Gm and Rp are stored into `readout` as they are
// computed; Rp keeps its old value where Gm is zero. Returns nothing when a division by zero ends
// the readout while the model is consulted; any other arithmetic fault throws
// tubemath::ArithmeticError.
std::optional<std::string> PointerReadout(const tubemath::TubeParams& tube, double Rk,
                                          const PlotScale& scale, std::int32_t H, std::int32_t X,
                                          std::int32_t Y, Readout& readout);

} // namespace valvescope
