// The ten model orders of a polynomial response surface and the layout of
// their terms: the constant, the linear block, the second-order block
// (squares, products, or both as the upper triangle) and the cubic block.
#pragma once

#include <Eigen/Dense>
#include <optional>
#include <string>

namespace varno::surrogate {

inline constexpr int modelOrderCount = 10;
inline constexpr int linearOrder = 0;
inline constexpr int quadraticOrder = 1;

struct TermCounts {
    int code = -1;
    int terms = 0;
    int linear = 0;
    int secondOrder = 0;
    int cubic = 0;
};

// The order named `name` ("Linear", "Quadratic", ... "QuadWithCubic") over
// `variables` variables; none for an unknown name or an impossible count.
std::optional<TermCounts> modelOrderFromName(const std::string& name, int variables);
std::optional<TermCounts> modelOrderCounts(int code, int variables);

// The name of order `code`; empty for an unknown code.
std::string modelOrderName(int code);

// The value of every term of order `code` at the normalised point x, in the
// order of the coefficient vector.
Eigen::VectorXd termValues(int code, const Eigen::VectorXd& x);

// The derivative of every term with respect to every variable (terms × variables).
Eigen::MatrixXd termDerivatives(int code, const Eigen::VectorXd& x);

}  // namespace varno::surrogate
