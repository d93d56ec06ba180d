#include "core/fit/uncertainty.h"

#include "core/fit/platelaw.h"

#include <Eigen/Dense>

#include <cmath>
#include <limits>
#include <optional>

namespace valvescope::fit {

namespace {

constexpr double kSingularShare = 1e-10;
// A constant whose share in the unseen directions is above this cannot be fixed.
constexpr double kUnseenShare = 1e-12;
constexpr double kPoorRelativeError = 0.5;
constexpr double kBoundTolerance = 1e-6;

using Jet = ceres::Jet<double, kFitConstantCount>;
using Jacobian = Eigen::Matrix<double, Eigen::Dynamic, kFitConstantCount>;

// d(model current in mA)/d(constant) at every point, or nothing where the model faults.
std::optional<Jacobian> JacobianAt(const MeasuredPoints& points,
                                   const tubemath::TubeParams& params) {
    LawConstants<Jet> constants;
    Jet* const fields[] = {&constants.MuExponent, &constants.ExponentSlope, &constants.GridDecade,
                           &constants.KneeFactor, &constants.MuZero,        &constants.Perveance,
                           &constants.LawExponent};
    for (int i = 0; i < kFitConstantCount; ++i)
        *fields[i] = Jet(params.*kFitConstants[i].Member, i);
    Jacobian jacobian(static_cast<Eigen::Index>(points.size()), kFitConstantCount);
    try {
        for (std::size_t row = 0; row < points.size(); ++row) {
            const Jet current = PlateCurrentOf(constants, points[row].Vg, points[row].Va);
            jacobian.row(static_cast<Eigen::Index>(row)) = current.v.transpose() * 1000.0;
        }
    } catch (const tubemath::ArithmeticError&) {
        return std::nullopt;
    }
    if (!jacobian.allFinite())
        return std::nullopt;
    return jacobian;
}

// sqrt of the diagonal of (J^T J)^-1, infinite where J cannot fix the constant.
std::array<double, kFitConstantCount> UnitStandardErrors(const Jacobian& jacobian) {
    constexpr double infinity = std::numeric_limits<double>::infinity();
    std::array<double, kFitConstantCount> errors;
    errors.fill(infinity);
    // Columns scaled to unit length, so that the singular values compare the directions
    // whatever the constants' units.
    Eigen::Matrix<double, kFitConstantCount, 1> norms = jacobian.colwise().norm().transpose();
    Jacobian scaled = jacobian;
    for (int i = 0; i < kFitConstantCount; ++i)
        if (norms[i] > 0)
            scaled.col(i) /= norms[i];
    const Eigen::JacobiSVD<Jacobian> svd(scaled, Eigen::ComputeFullV);
    const auto& sigma = svd.singularValues();
    const auto& v = svd.matrixV();
    const double least = kSingularShare * sigma[0];
    for (int i = 0; i < kFitConstantCount; ++i) {
        if (!(norms[i] > 0))
            continue;
        double variance = 0;
        double unseen = 0;
        for (int j = 0; j < kFitConstantCount; ++j) {
            if (sigma[j] > least)
                variance += v(i, j) * v(i, j) / (sigma[j] * sigma[j]);
            else
                unseen += v(i, j) * v(i, j);
        }
        if (unseen <= kUnseenShare)
            errors[i] = std::sqrt(variance) / norms[i];
    }
    return errors;
}

bool OnBound(double value, const FitConstant& constant) {
    return std::fabs(value - constant.Lower) <= kBoundTolerance * std::fabs(constant.Lower) ||
           std::fabs(value - constant.Upper) <= kBoundTolerance * std::fabs(constant.Upper);
}

} // namespace

std::array<ConstantQuality, kFitConstantCount>
QualityOf(const MeasuredPoints& points, const tubemath::TubeParams& params, double squares) {
    std::array<ConstantQuality, kFitConstantCount> quality;
    std::array<double, kFitConstantCount> unit;
    unit.fill(std::numeric_limits<double>::infinity());
    if (const std::optional<Jacobian> jacobian = JacobianAt(points, params))
        unit = UnitStandardErrors(*jacobian);
    const double degreesOfFreedom = static_cast<double>(points.size() - kFitConstantCount);
    const double s = std::sqrt(squares / degreesOfFreedom);
    for (int i = 0; i < kFitConstantCount; ++i) {
        const double value = params.*kFitConstants[i].Member;
        ConstantQuality& q = quality[i];
        q.StandardError = unit[i] * s;
        if (std::isinf(unit[i]))
            q.StandardError = unit[i];
        q.PoorlyDetermined = !std::isfinite(q.StandardError) ||
                             q.StandardError > kPoorRelativeError * std::fabs(value);
        q.AtBound = OnBound(value, kFitConstants[i]);
    }
    return quality;
}

} // namespace valvescope::fit
