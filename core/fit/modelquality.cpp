// How well the points fix each constant of a model fit: standard errors from the Jacobian of the
// differences, the same reading as the seed's fit (core/fit/uncertainty.h) for any number of
// constants.
#include "core/fit/modelproblem.h"

#include <ceres/jet.h>

#include <Eigen/Dense>

#include <limits>

namespace valvescope::modelfit {

namespace {

constexpr double kSingularShare = 1e-10;
constexpr double kUnseenShare = 1e-12;
constexpr double kPoorRelativeError = 0.5;
constexpr double kBoundTolerance = 1e-6;

using Jet = ceres::Jet<double, kCount>;

// d(difference in mA)/d(constant) for the model's own constants, in their own units.
std::optional<Eigen::MatrixXd> JacobianAt(const Problem& problem, const SolverVector& x,
                                          const std::vector<int>& columns) {
    std::array<Jet, kCount> jx;
    for (int i = 0; i < kCount; ++i)
        jx[i] = Jet(x[i], i);
    std::vector<Jet> r(problem.Residuals);
    if (!DifferencesAt(problem, jx.data(), r.data()))
        return std::nullopt;
    const auto rows = static_cast<Eigen::Index>(problem.Residuals);
    Eigen::MatrixXd jacobian(rows, static_cast<Eigen::Index>(columns.size()));
    for (Eigen::Index row = 0; row < rows; ++row)
        for (std::size_t j = 0; j < columns.size(); ++j) {
            const int i = columns[j];
            // A logarithm's slope per constant is its slope per coordinate over the constant.
            const double perConstant = ModelFitBounds(ConstantAt(i)).Logarithmic
                                           ? r[static_cast<std::size_t>(row)].v[i] / std::exp(x[i])
                                           : r[static_cast<std::size_t>(row)].v[i];
            jacobian(row, static_cast<Eigen::Index>(j)) = perConstant;
        }
    if (!jacobian.allFinite())
        return std::nullopt;
    return jacobian;
}

// sqrt of the diagonal of (J^T J)^-1, infinite where J cannot fix the constant; the columns
// scaled to unit length so that the singular values compare directions whatever the units.
std::vector<double> UnitStandardErrors(const Eigen::MatrixXd& jacobian) {
    const Eigen::Index n = jacobian.cols();
    std::vector<double> errors(static_cast<std::size_t>(n),
                               std::numeric_limits<double>::infinity());
    const Eigen::VectorXd norms = jacobian.colwise().norm().transpose();
    Eigen::MatrixXd scaled = jacobian;
    for (Eigen::Index i = 0; i < n; ++i)
        if (norms[i] > 0)
            scaled.col(i) /= norms[i];
    const Eigen::JacobiSVD<Eigen::MatrixXd> svd(scaled, Eigen::ComputeThinV);
    const Eigen::VectorXd& sigma = svd.singularValues();
    const Eigen::MatrixXd& v = svd.matrixV();
    const double least = kSingularShare * sigma[0];
    for (Eigen::Index i = 0; i < n; ++i) {
        if (!(norms[i] > 0))
            continue;
        double variance = 0;
        double unseen = 0;
        for (Eigen::Index j = 0; j < sigma.size(); ++j) {
            if (sigma[j] > least)
                variance += v(i, j) * v(i, j) / (sigma[j] * sigma[j]);
            else
                unseen += v(i, j) * v(i, j);
        }
        if (unseen <= kUnseenShare)
            errors[static_cast<std::size_t>(i)] = std::sqrt(variance) / norms[i];
    }
    return errors;
}

bool OnBound(double value, const ModelConstantBounds& bounds) {
    const auto near = [&](double bound) {
        return std::fabs(value - bound) <= kBoundTolerance * std::fmax(std::fabs(bound), 1e-300);
    };
    // A bound at zero is reached only by zero itself.
    return near(bounds.Lower) || near(bounds.Upper);
}

} // namespace

std::array<ConstantQuality, kCount> QualityAt(const Problem& problem, const SolverVector& x,
                                              double squares) {
    std::vector<int> columns;
    for (int i = 0; i < kCount; ++i)
        if (problem.Used[i])
            columns.push_back(i);
    std::vector<double> unit(columns.size(), std::numeric_limits<double>::infinity());
    if (const std::optional<Eigen::MatrixXd> jacobian = JacobianAt(problem, x, columns))
        unit = UnitStandardErrors(*jacobian);
    const double freedom =
        static_cast<double>(problem.Residuals) - static_cast<double>(columns.size());
    const double s = freedom > 0 ? std::sqrt(squares / freedom) : INFINITY;
    std::array<ConstantQuality, kCount> quality{};
    const tubemath::ModelConstants<double> constants = ConstantsAt(x);
    for (std::size_t j = 0; j < columns.size(); ++j) {
        const int i = columns[j];
        const double value = constants[ConstantAt(i)];
        ConstantQuality& q = quality[static_cast<std::size_t>(i)];
        q.StandardError = std::isinf(unit[j]) ? unit[j] : unit[j] * s;
        q.PoorlyDetermined = !std::isfinite(q.StandardError) ||
                             q.StandardError > kPoorRelativeError * std::fabs(value);
        q.AtBound = OnBound(value, ModelFitBounds(ConstantAt(i)));
    }
    return quality;
}

} // namespace valvescope::modelfit
