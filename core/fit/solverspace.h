// The space the solver moves in: the constants that span decades are solved as their natural
// logarithms, the others as they are, each held within the bounds of kFitConstants.
#pragma once

#include "core/fit/fit.h"
#include "core/fit/platelaw.h"

#include <array>
#include <cmath>

namespace valvescope::fit {

using SolverVector = std::array<double, kFitConstantCount>;

// ExponentSlope, GridDecade, KneeFactor and Perveance.
inline constexpr std::array<bool, kFitConstantCount> kSolvedAsLogarithm{false, true, true, true,
                                                                        false, true, false};

template <class T> T FromSolverCoordinate(int index, const T& x) {
    using std::exp;
    return kSolvedAsLogarithm[index] ? T(exp(x)) : x;
}

inline double ToSolverCoordinate(int index, double value) {
    return kSolvedAsLogarithm[index] ? std::log(value) : value;
}

template <class T> LawConstants<T> LawConstantsAt(const T* x) {
    return {FromSolverCoordinate(0, x[0]), FromSolverCoordinate(1, x[1]),
            FromSolverCoordinate(2, x[2]), FromSolverCoordinate(3, x[3]),
            FromSolverCoordinate(4, x[4]), FromSolverCoordinate(5, x[5]),
            FromSolverCoordinate(6, x[6])};
}

inline tubemath::TubeParams ParamsAt(const SolverVector& x) {
    tubemath::TubeParams params;
    for (int i = 0; i < kFitConstantCount; ++i)
        params.*kFitConstants[i].Member = FromSolverCoordinate(i, x[i]);
    return params;
}

inline SolverVector SolverPointOf(const tubemath::TubeParams& params) {
    SolverVector x;
    for (int i = 0; i < kFitConstantCount; ++i)
        x[i] = ToSolverCoordinate(i, params.*kFitConstants[i].Member);
    return x;
}

inline SolverVector SolverLowerBounds() {
    SolverVector x;
    for (int i = 0; i < kFitConstantCount; ++i)
        x[i] = ToSolverCoordinate(i, kFitConstants[i].Lower);
    return x;
}

inline SolverVector SolverUpperBounds() {
    SolverVector x;
    for (int i = 0; i < kFitConstantCount; ++i)
        x[i] = ToSolverCoordinate(i, kFitConstants[i].Upper);
    return x;
}

// The point moved inside the bounds.
inline SolverVector ClampedToBounds(SolverVector x) {
    const SolverVector lower = SolverLowerBounds();
    const SolverVector upper = SolverUpperBounds();
    for (int i = 0; i < kFitConstantCount; ++i)
        x[i] = std::fmin(std::fmax(x[i], lower[i]), upper[i]);
    return x;
}

} // namespace valvescope::fit
