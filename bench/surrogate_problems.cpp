#include "surrogate_problems.h"

#include <cmath>
#include <random>

#include "support/latin_hypercube.h"

namespace varno::bench {

namespace {

constexpr double pi = 3.14159265358979323846;

// x in [-1, 1] onto [low, high].
double onto(double x, double low, double high) { return low + (x + 1.0) * 0.5 * (high - low); }

double branin(const Eigen::VectorXd& x) {
    const double x1 = onto(x(0), -5.0, 10.0), x2 = onto(x(1), 0.0, 15.0);
    const double b = 5.1 / (4.0 * pi * pi), c = 5.0 / pi, t = 1.0 / (8.0 * pi);
    const double bowl = x2 - b * x1 * x1 + c * x1 - 6.0;
    return bowl * bowl + 10.0 * (1.0 - t) * std::cos(x1) + 10.0;
}

constexpr double hartmannAlpha[4] = {1.0, 1.2, 3.0, 3.2};
constexpr double hartmannA[4][6] = {{10, 3, 17, 3.5, 1.7, 8},
                                    {0.05, 10, 17, 0.1, 8, 14},
                                    {3, 3.5, 1.7, 10, 17, 8},
                                    {17, 8, 0.05, 10, 0.1, 14}};
constexpr double hartmannP[4][6] = {{1312, 1696, 5569, 124, 8283, 5886},
                                    {2329, 4135, 8307, 3736, 1004, 9991},
                                    {2348, 1451, 3522, 2883, 3047, 6650},
                                    {4047, 8828, 8732, 5743, 1091, 381}};

double hartmann6(const Eigen::VectorXd& x) {
    double sum = 0.0;
    for (int i = 0; i < 4; ++i) {
        double exponent = 0.0;
        for (int j = 0; j < 6; ++j) {
            const double d = onto(x(j), 0.0, 1.0) - 1e-4 * hartmannP[i][j];
            exponent += hartmannA[i][j] * d * d;
        }
        sum += hartmannAlpha[i] * std::exp(-exponent);
    }
    return -sum;
}

double quadraticSineAt(const Eigen::VectorXd& x) {
    double sum = 0.0;
    for (Eigen::Index i = 0; i < x.size(); ++i) {
        const double v = onto(x(i), -2.0, 2.0);
        sum += v * v + 0.5 * std::sin(2.0 * v);
        if (i + 1 < x.size()) sum += 0.3 * v * onto(x(i + 1), -2.0, 2.0);
    }
    return sum;
}

}  // namespace

std::vector<SurrogateProblem> surrogateProblems() {
    return {{"branin", 2, branin}, {"hartmann6", 6, hartmann6}, quadraticSine(10)};
}

SurrogateProblem quadraticSine(int variables) {
    return {"quadsine" + std::to_string(variables), variables, quadraticSineAt};
}

Eigen::MatrixXd hypercubePoints(int samples, int variables, std::uint32_t seed) {
    const auto design = support::LatinHypercubeDesign::optimized(
        samples, variables, std::vector<int>(variables, samples), true, 1.0, seed);
    Eigen::MatrixXd points(samples, variables);
    for (int i = 0; i < samples; ++i) {
        for (int k = 0; k < variables; ++k) {
            points(i, k) = -1.0 + (2.0 * design.level(i, k) + 1.0) / samples;
        }
    }
    return points;
}

Eigen::MatrixXd randomPoints(int samples, int variables, std::uint32_t seed) {
    std::mt19937 generator(seed);
    Eigen::MatrixXd points(samples, variables);
    for (int i = 0; i < samples; ++i) {
        for (int k = 0; k < variables; ++k) {
            points(i, k) = -1.0 + 2.0 * (generator() / 4294967296.0);
        }
    }
    return points;
}

Eigen::VectorXd responsesAt(const SurrogateProblem& problem, const Eigen::MatrixXd& points) {
    Eigen::VectorXd values(points.rows());
    for (Eigen::Index i = 0; i < points.rows(); ++i) {
        values(i) = problem.response(points.row(i).transpose());
    }
    return values;
}

}  // namespace varno::bench
