#include "problems.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <random>

namespace bench {

namespace {

constexpr int analyticDimension = 10;
constexpr double pi = std::numbers::pi;

// --- analytic problems (minimum 0 at z = 0, resp. z = 1 for Rosenbrock) ---

void rosenbrock(const double* z, Evaluation& out) {
    double f = 0.0;
    for (int i = 0; i + 1 < analyticDimension; ++i) {
        const double a = z[i + 1] - z[i] * z[i];
        const double b = 1.0 - z[i];
        f += 100.0 * a * a + b * b;
    }
    out.objective = f;
}

void rastrigin(const double* z, Evaluation& out) {
    double f = 10.0 * analyticDimension;
    for (int i = 0; i < analyticDimension; ++i) f += z[i] * z[i] - 10.0 * std::cos(2.0 * pi * z[i]);
    out.objective = f;
}

void ackley(const double* z, Evaluation& out) {
    double squares = 0.0, cosines = 0.0;
    for (int i = 0; i < analyticDimension; ++i) {
        squares += z[i] * z[i];
        cosines += std::cos(2.0 * pi * z[i]);
    }
    const double n = analyticDimension;
    out.objective = -20.0 * std::exp(-0.2 * std::sqrt(squares / n)) - std::exp(cosines / n) + 20.0 +
                    std::numbers::e;
}

// --- pressure vessel: shell and head thickness (multiples of 1/16 in),
// inner radius, length of the cylindrical section ---

constexpr double plateStep = 0.0625;

double roundedThickness(double x) {
    return plateStep * std::clamp(std::round(x / plateStep), 1.0, 99.0);
}

void pressureVessel(const double* x, Evaluation& out) {
    const double ts = roundedThickness(x[0]), th = roundedThickness(x[1]);
    const double r = x[2], l = x[3];
    out.objective = 0.6224 * ts * r * l + 1.7781 * th * r * r + 3.1661 * ts * ts * l +
                    19.84 * ts * ts * r;
    out.constraints = {-ts + 0.0193 * r, -th + 0.00954 * r,
                       -pi * r * r * l - 4.0 / 3.0 * pi * r * r * r + 1296000.0, l - 240.0};
}

// --- welded beam: weld thickness h, weld length l, bar height t, bar width b ---

constexpr double load = 6000.0, span = 14.0, young = 30e6, shear = 12e6;

double weldShearStress(double h, double l, double t) {
    const double primary = load / (std::sqrt(2.0) * h * l);
    const double moment = load * (span + l / 2.0);
    const double half = (h + t) / 2.0;
    const double radius = std::sqrt(l * l / 4.0 + half * half);
    const double inertia = 2.0 * std::sqrt(2.0) * h * l * (l * l / 12.0 + half * half);
    const double secondary = moment * radius / inertia;
    return std::sqrt(primary * primary + primary * secondary * l / radius + secondary * secondary);
}

double bucklingLoad(double t, double b) {
    const double euler = 4.013 * young * std::sqrt(t * t * std::pow(b, 6) / 36.0) / (span * span);
    return euler * (1.0 - t / (2.0 * span) * std::sqrt(young / (4.0 * shear)));
}

void weldedBeam(const double* x, Evaluation& out) {
    const double h = x[0], l = x[1], t = x[2], b = x[3];
    out.objective = 1.10471 * h * h * l + 0.04811 * t * b * (14.0 + l);
    out.constraints = {weldShearStress(h, l, t) - 13600.0,
                       6.0 * load * span / (b * t * t) - 30000.0,
                       h - b,
                       0.10471 * h * h + 0.04811 * t * b * (14.0 + l) - 5.0,
                       0.125 - h,
                       4.0 * load * std::pow(span, 3) / (young * t * t * t * b) - 0.25,
                       load - bucklingLoad(t, b)};
}

// --- tension/compression spring: wire diameter d, coil diameter D, active
// coils N ---

void tensionSpring(const double* x, Evaluation& out) {
    const double d = x[0], coil = x[1], n = x[2];
    const double d2 = d * d, d4 = d2 * d2;
    out.objective = (n + 2.0) * coil * d2;
    out.constraints = {
        1.0 - coil * coil * coil * n / (71785.0 * d4),
        (4.0 * coil * coil - d * coil) / (12566.0 * (coil * d2 * d - d4)) + 1.0 / (5108.0 * d2) -
            1.0,
        1.0 - 140.45 * d / (coil * coil * n),
        (d + coil) / 1.5 - 1.0};
}

Problem analytic(const char* name, double low, double high, void (*f)(const double*, Evaluation&)) {
    Problem p;
    p.name = name;
    p.lower.assign(analyticDimension, low);
    p.upper.assign(analyticDimension, high);
    p.shifted = true;
    p.evaluate = f;
    return p;
}

Problem constrained(const char* name, std::vector<double> lower, std::vector<double> upper,
                    double optimum, std::vector<double> scales, double weight,
                    void (*f)(const double*, Evaluation&)) {
    Problem p;
    p.name = name;
    p.lower = std::move(lower);
    p.upper = std::move(upper);
    p.optimum = optimum;
    p.scales = std::move(scales);
    p.penaltyWeight = weight;
    p.evaluate = f;
    return p;
}

std::vector<Problem> makeSuite() {
    const double thin = plateStep, thick = 99 * plateStep;
    return {
        analytic("Rosenbrock-10", -5.0, 10.0, rosenbrock),
        analytic("Rastrigin-10", -5.12, 5.12, rastrigin),
        analytic("Ackley-10", -32.768, 32.768, ackley),
        constrained("pressure vessel", {thin, thin, 10.0, 10.0}, {thick, thick, 200.0, 200.0},
                    6059.714335, {plateStep, plateStep, 1296000.0, 240.0}, 1e7, pressureVessel),
        constrained("welded beam", {0.1, 0.1, 0.1, 0.1}, {2.0, 10.0, 10.0, 2.0}, 1.724852,
                    {13600.0, 30000.0, 0.125, 5.0, 0.125, 0.25, load}, 1e4, weldedBeam),
        constrained("tension spring", {0.05, 0.25, 2.0}, {2.0, 1.3, 15.0}, 0.012665,
                    {1.0, 1.0, 1.0, 1.0}, 1e2, tensionSpring),
    };
}

}  // namespace

// The offset moves the optimum by up to 40 % of the half-width of the box.
Instance::Instance(const Problem& problem, unsigned seed) : problem_(&problem) {
    offset_.assign(problem.lower.size(), 0.0);
    if (!problem.shifted) return;
    std::mt19937 random(seed * 7919u + 17u);
    for (std::size_t i = 0; i < offset_.size(); ++i) {
        const double half = 0.5 * (problem.upper[i] - problem.lower[i]);
        offset_[i] = std::uniform_real_distribution<double>(-0.4 * half, 0.4 * half)(random);
    }
}

Evaluation Instance::evaluate(const double* x) const {
    std::vector<double> z(x, x + offset_.size());
    for (std::size_t i = 0; i < z.size(); ++i) z[i] -= offset_[i];
    Evaluation e;
    problem_->evaluate(z.data(), e);
    return e;
}

double Instance::penalised(const Evaluation& e) const {
    double penalty = 0.0;
    for (std::size_t i = 0; i < e.constraints.size(); ++i) {
        const double violation = std::max(0.0, e.constraints[i] / problem_->scales[i]);
        penalty += violation * violation;
    }
    const double value = e.objective + problem_->penaltyWeight * penalty;
    return std::isfinite(value) ? value : std::numeric_limits<double>::max();
}

bool Instance::feasible(const Evaluation& e) {
    return std::isfinite(e.objective) &&
           std::all_of(e.constraints.begin(), e.constraints.end(),
                       [](double g) { return g <= 0.0; });
}

const std::vector<Problem>& problemSuite() {
    static const std::vector<Problem> suite = makeSuite();
    return suite;
}

}  // namespace bench
