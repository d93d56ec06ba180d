// How well the measured points fix each fitted constant.
#pragma once

#include "core/fit/fit.h"

namespace valvescope::fit {

// Standard errors from the Jacobian J of the differences (mA) at the fitted constants: the
// covariance s^2 (J^T J)^-1 with s^2 = squares / (N - 7), where squares is the sum of squared
// differences in mA^2. J^T J is inverted through the singular values of J with its columns
// scaled to unit length; a constant that has no effect on any point, or that shares in a
// direction the points cannot see (a singular value below 1e-10 of the largest), gets an
// infinite standard error. A constant is poorly determined when its standard error is not
// finite or above half its magnitude, and at a bound when within 1e-6 relative of one.
std::array<ConstantQuality, kFitConstantCount>
QualityOf(const MeasuredPoints& points, const tubemath::TubeParams& params, double squares);

} // namespace valvescope::fit
