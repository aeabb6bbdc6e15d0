#include "surrogate/kriging_opt.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <exception>
#include <nlopt.hpp>
#include <optional>
#include <utility>
#include <vector>

namespace varno::surrogate {

namespace {

// Theta is searched between these bounds (normalised variables span 2).
constexpr double smallestTheta = 1e-4;
constexpr double largestTheta = 1e3;
constexpr int defaultEvaluations = 50;
constexpr double relativeTolerance = 1e-4;
// Candidate starting values besides the fit's own theta, the same for every
// variable, as multiples of 1.5 / n: with that theta two random points of
// [-1, 1]^n correlate by about exp(-1). Far larger thetas make every
// correlation vanish, where the likelihood is flat and a search stalls.
constexpr std::array<double, 4> candidateFactors{0.1, 0.5, 2.0, 10.0};
constexpr std::size_t searchedStarts = 1;
// The cost reported where the correlation matrix cannot be factorised, so
// the search steps back from there.
constexpr double unusableCost = 1e20;

// The objective over log theta, remembering the best point it was asked.
struct Search {
    const KrigingFit& fit;
    std::optional<double> bestCost;
    Eigen::VectorXd best;

    double cost(const Eigen::VectorXd& logTheta, double* gradient) {
        Eigen::VectorXd theta = logTheta.array().exp();
        Eigen::VectorXd g;
        const std::optional<double> value = fit.likelihoodCost(theta, gradient ? &g : nullptr);
        if (gradient) {
            Eigen::Map<Eigen::VectorXd>(gradient, theta.size()) =
                value ? g : Eigen::VectorXd::Zero(theta.size());
        }
        if (!value) return unusableCost;
        if (!bestCost || *value < *bestCost) {
            bestCost = value;
            best = std::move(theta);
        }
        return *value;
    }
};

double searchCost(unsigned n, const double* x, double* gradient, void* data) {
    const Eigen::Map<const Eigen::VectorXd> logTheta(x, n);
    return static_cast<Search*>(data)->cost(logTheta, gradient);
}

// The fit's theta and, with `multiStart`, the candidate starts, most likely
// first, at most `searchedStarts` of them (one search keeps a 150-point,
// 20-variable build near 100 ms).
std::vector<Eigen::VectorXd> startsFor(const KrigingFit& fit, bool multiStart) {
    std::vector<std::pair<double, Eigen::VectorXd>> ranked;
    auto consider = [&](const Eigen::VectorXd& theta) {
        const std::optional<double> cost = fit.likelihoodCost(theta, nullptr);
        ranked.emplace_back(cost ? *cost : unusableCost, theta);
    };
    consider(fit.theta());
    if (multiStart) {
        const Eigen::Index n = fit.theta().size();
        for (const double factor : candidateFactors) {
            consider(Eigen::VectorXd::Constant(n, factor * 1.5 / static_cast<double>(n)));
        }
    }
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<Eigen::VectorXd> starts;
    for (std::size_t i = 0; i < ranked.size() && i < searchedStarts; ++i) {
        starts.push_back(ranked[i].second);
    }
    return starts;
}

void searchFrom(Search& search, const Eigen::VectorXd& start, bool useGradient, int evaluations) {
    const unsigned n = static_cast<unsigned>(start.size());
    nlopt::opt optimiser(useGradient ? nlopt::LD_LBFGS : nlopt::LN_SBPLX, n);
    optimiser.set_lower_bounds(std::log(smallestTheta));
    optimiser.set_upper_bounds(std::log(largestTheta));
    optimiser.set_min_objective(searchCost, &search);
    optimiser.set_maxeval(evaluations);
    optimiser.set_ftol_rel(relativeTolerance);
    const Eigen::VectorXd clamped = start.cwiseMax(smallestTheta).cwiseMin(largestTheta);
    std::vector<double> x(n);
    Eigen::Map<Eigen::VectorXd>(x.data(), n) = clamped.array().log();
    double cost = 0.0;
    try {
        optimiser.optimize(x, cost);
    } catch (const std::exception&) {
        // Round-off limits and failed line searches end a start early; the
        // best point it reached is still remembered.
    }
}

}  // namespace

bool KrigingOpt::optimize(bool multiStart, bool useGradient, int maxEvaluations) {
    const Eigen::Index n = fit_.theta().size();
    if (!fit_.isFitted() || n == 0) return false;
    const int evaluations = maxEvaluations > 0 ? maxEvaluations : defaultEvaluations;
    Search search{fit_, std::nullopt, {}};
    for (const Eigen::VectorXd& start : startsFor(fit_, multiStart)) {
        searchFrom(search, start, useGradient, evaluations);
    }
    return search.bestCost && fit_.setTheta(search.best);
}

}  // namespace varno::surrogate
