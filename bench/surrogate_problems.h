// Test functions and sample sets of the surrogate benchmarks: Branin (2-D),
// Hartmann-6 and a 10-D quadratic with sines, sampled by optimised Latin
// hypercubes and evaluated on random test points, all over [-1, 1]^n.
#pragma once

#include <Eigen/Dense>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace varno::bench {

struct SurrogateProblem {
    std::string name;
    int variables = 0;
    // The response at normalised x (each variable mapped from [-1, 1] onto
    // the function's own box).
    std::function<double(const Eigen::VectorXd&)> response;
};

std::vector<SurrogateProblem> surrogateProblems();
// A quadratic-plus-sine function of any dimension, for timing.
SurrogateProblem quadraticSine(int variables);

// An optimised Latin hypercube of `samples` points, one row each, with
// every level at the middle of its cell in [-1, 1].
Eigen::MatrixXd hypercubePoints(int samples, int variables, std::uint32_t seed);
// Uniform random points in [-1, 1]^variables, the same on every platform.
Eigen::MatrixXd randomPoints(int samples, int variables, std::uint32_t seed);
Eigen::VectorXd responsesAt(const SurrogateProblem& problem, const Eigen::MatrixXd& points);

}  // namespace varno::bench
