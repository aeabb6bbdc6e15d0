// Helpers shared by the surrogate tests: random points, the lines of a text
// and gradients checked against central differences.
#pragma once

#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <Eigen/Dense>
#include <gtest/gtest.h>

namespace varno::surrogate {

// A matrix of values drawn uniformly from [-1, 1] by a generator seeded with `seed`.
inline Eigen::MatrixXd randomPoints(int rows, int columns, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    Eigen::MatrixXd points(rows, columns);
    for (double& value : points.reshaped()) value = unit(random);
    return points;
}

inline std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Each component of `gradient` against the central difference of `f` at `x`
// with step `h`.
template <class Function>
void expectCentralDifferences(const Function& f, const Eigen::VectorXd& gradient,
                              const Eigen::VectorXd& x, double h, double tolerance) {
    for (Eigen::Index k = 0; k < x.size(); ++k) {
        const Eigen::VectorXd step = Eigen::VectorXd::Unit(x.size(), k) * h;
        EXPECT_NEAR(gradient(k), (f(x + step) - f(x - step)) / (2 * h), tolerance) << k;
    }
}

}  // namespace varno::surrogate
