// What the model fit works on: the points as the solver sees them, the space it moves in, and
// the differences it minimises, written once as a template so that Jets differentiate them.
// Internal to the fit.
#pragma once

#include "core/fit/modelfit.h"
#include "model/modellaws.h"

#include <array>
#include <cmath>
#include <optional>
#include <vector>

namespace valvescope::modelfit {

inline constexpr int kCount = tubemath::kModelConstantCount;
using SolverVector = std::array<double, kCount>;
using ConstantMask = std::array<bool, kCount>;

struct FitPoint {
    double Vg;
    double Va;
    double Vs;
    double Plate;     // A, the current the model's plate current is compared with
    double Screen;    // A, the measured screen current where FitScreen
    bool FitScreen;   // the screen current is a difference of the objective here
    std::size_t File; // index of the file the point comes from
};

struct Problem {
    FitModel Model;
    std::vector<FitPoint> Points;
    std::size_t Residuals = 0; // plate differences plus screen differences
    ConstantMask Used{};       // the model's own constants; the others are held
};

inline tubemath::ModelConstant ConstantAt(int index) {
    return static_cast<tubemath::ModelConstant>(index);
}

template <class T> T FromSolverCoordinate(int index, const T& x) {
    using std::exp;
    return ModelFitBounds(ConstantAt(index)).Logarithmic ? T(exp(x)) : x;
}

inline double ToSolverCoordinate(int index, double value) {
    return ModelFitBounds(ConstantAt(index)).Logarithmic ? std::log(value) : value;
}

template <class T> tubemath::ModelConstants<T> ConstantsAt(const T* x) {
    tubemath::ModelConstants<T> constants;
    for (int i = 0; i < kCount; ++i)
        constants[ConstantAt(i)] = FromSolverCoordinate(i, x[i]);
    return constants;
}

inline tubemath::ModelConstants<double> ConstantsAt(const SolverVector& x) {
    return ConstantsAt(x.data());
}

SolverVector SolverPointOf(const tubemath::ModelConstants<double>& constants);
SolverVector ClampedToBounds(SolverVector x);
SolverVector SolverLowerBounds();
SolverVector SolverUpperBounds();

// Model minus measured current in mA: the plate's at every point, then the screen's at the
// points that fit it, in the order of the points. False where the model faults.
template <class T> bool DifferencesAt(const Problem& problem, const T* x, T* residuals) {
    const tubemath::ModelConstants<T> c = ConstantsAt(x);
    const tubemath::ModelKind kind = problem.Model.Kind;
    std::size_t next = problem.Points.size();
    try {
        for (std::size_t i = 0; i < problem.Points.size(); ++i) {
            const FitPoint& p = problem.Points[i];
            tubemath::CurrentPair<T> model;
            if (problem.Model.TriodeConnected)
                model = tubemath::TriodeConnectedCurrentsOf(kind, c, T(p.Vg), T(p.Va));
            else
                model = tubemath::ModelCurrentsOf(kind, c, T(p.Vg), T(p.Va), T(p.Vs));
            residuals[i] = (model.Plate - T(p.Plate)) * 1000.0;
            if (p.FitScreen)
                residuals[next++] = (model.Screen - T(p.Screen)) * 1000.0;
        }
    } catch (const tubemath::ArithmeticError&) {
        return false;
    }
    return true;
}

struct Solution {
    SolverVector X;
    double SquaredMilliamps;
};

// Sum of squared differences in mA^2 at x, or nothing where the model faults.
std::optional<double> SquaredMilliampsAt(const Problem& problem, const SolverVector& x);

// The solver's result from start after at most maxIterations, or nothing when it failed.
std::optional<Solution> SolveFrom(const Problem& problem, const SolverVector& start,
                                  int maxIterations);

// The starts, each inside the bounds: estimates read off the points, the library's tubes of the
// model's kind and a spread over the constants the data do not show directly.
std::vector<SolverVector> StartingPoints(const Problem& problem);

// Standard errors and flags of the constants at x, from the Jacobian of the differences.
std::array<ConstantQuality, kCount> QualityAt(const Problem& problem, const SolverVector& x,
                                              double squares);

} // namespace valvescope::modelfit
