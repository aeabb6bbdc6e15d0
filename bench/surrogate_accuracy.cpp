// Prediction error of the Kriging and radial-basis surrogates: RMSE on 1000
// random test points for each test function and each size of optimised
// Latin hypercube. Writes the samples and its results as CSV files into a
// folder (default "surrogate_points"), where surrogate_reference.py fits the
// reference models to the same points and prints the comparison.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "surrogate/surrogate_model.h"
#include "surrogate_problems.h"

namespace {

using namespace varno;

constexpr int testPointCount = 1000;
constexpr int sampleCounts[] = {50, 100, 150};

void writeCsv(const std::string& path, const Eigen::MatrixXd& points, const Eigen::VectorXd& y) {
    std::ofstream out(path);
    out.precision(17);
    for (Eigen::Index i = 0; i < points.rows(); ++i) {
        for (Eigen::Index k = 0; k < points.cols(); ++k) out << points(i, k) << ',';
        out << y(i) << '\n';
    }
}

double rmse(const surrogate::SurrogateModel* model, const Eigen::MatrixXd& points,
            const Eigen::VectorXd& truth) {
    if (!model) return NAN;
    double sum = 0.0;
    for (Eigen::Index i = 0; i < points.rows(); ++i) {
        const double error = model->evaluate(points.row(i).transpose()) - truth(i);
        sum += error * error;
    }
    return std::sqrt(sum / static_cast<double>(points.rows()));
}

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path folder = argc > 1 ? argv[1] : "surrogate_points";
    std::filesystem::create_directories(folder);
    std::ofstream results(folder / "results.csv");
    results << "problem,points,kriging_rmse,rbf_rmse,kriging_build_ms\n";
    std::printf("%-10s %6s %14s %14s %12s\n", "problem", "points", "Kriging RMSE", "RBF RMSE",
                "Kriging ms");
    for (const bench::SurrogateProblem& problem : bench::surrogateProblems()) {
        const Eigen::MatrixXd test = bench::randomPoints(testPointCount, problem.variables, 11);
        const Eigen::VectorXd truth = bench::responsesAt(problem, test);
        writeCsv((folder / (problem.name + "-test.csv")).string(), test, truth);
        for (const int count : sampleCounts) {
            const Eigen::MatrixXd points = bench::hypercubePoints(count, problem.variables, 7);
            const Eigen::VectorXd values = bench::responsesAt(problem, points);
            writeCsv((folder / (problem.name + "-" + std::to_string(count) + ".csv")).string(),
                     points, values);
            const auto start = std::chrono::steady_clock::now();
            const auto kriging =
                surrogate::buildSurrogate(surrogate::SurfaceKind::kriging, points, values, false);
            const double ms =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count();
            const auto rbf = surrogate::buildSurrogate(surrogate::SurfaceKind::radialBasis, points,
                                                       values, false);
            const double krigingError = rmse(kriging.get(), test, truth);
            const double rbfError = rmse(rbf.get(), test, truth);
            std::printf("%-10s %6d %14.6g %14.6g %12.2f\n", problem.name.c_str(), count,
                        krigingError, rbfError, ms);
            results.precision(10);
            results << problem.name << ',' << count << ',' << krigingError << ',' << rbfError << ','
                    << ms << '\n';
        }
    }
    return 0;
}
