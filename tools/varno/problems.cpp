#include "problems.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace varno::tool {

namespace {

constexpr int analyticDimension = 10;
constexpr int zdtDimension = 30;
constexpr int dtlzDimension = 12;
constexpr double pi = std::numbers::pi;

// --- single-objective analytic problems, minimum 0 ---

void rosenbrock(const double* x, ProblemValues& out) {
    double f = 0.0;
    for (int i = 0; i + 1 < analyticDimension; ++i) {
        const double a = x[i + 1] - x[i] * x[i], b = 1.0 - x[i];
        f += 100.0 * a * a + b * b;
    }
    out.objectives = {f};
}

void rastrigin(const double* x, ProblemValues& out) {
    double f = 10.0 * analyticDimension;
    for (int i = 0; i < analyticDimension; ++i) f += x[i] * x[i] - 10.0 * std::cos(2.0 * pi * x[i]);
    out.objectives = {f};
}

void ackley(const double* x, ProblemValues& out) {
    double squares = 0.0, cosines = 0.0;
    for (int i = 0; i < analyticDimension; ++i) {
        squares += x[i] * x[i];
        cosines += std::cos(2.0 * pi * x[i]);
    }
    const double n = analyticDimension;
    out.objectives = {-20.0 * std::exp(-0.2 * std::sqrt(squares / n)) - std::exp(cosines / n) +
                      20.0 + std::numbers::e};
}

// --- pressure vessel: shell and head thickness (multiples of 1/16 in),
// inner radius, length of the cylindrical section ---

constexpr double plateStep = 0.0625;

double roundedThickness(double x) {
    return plateStep * std::clamp(std::round(x / plateStep), 1.0, 99.0);
}

void pressureVessel(const double* x, ProblemValues& out) {
    const double ts = roundedThickness(x[0]), th = roundedThickness(x[1]), r = x[2], l = x[3];
    out.objectives = {0.6224 * ts * r * l + 1.7781 * th * r * r + 3.1661 * ts * ts * l +
                      19.84 * ts * ts * r};
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

void weldedBeam(const double* x, ProblemValues& out) {
    const double h = x[0], l = x[1], t = x[2], b = x[3];
    out.objectives = {1.10471 * h * h * l + 0.04811 * t * b * (14.0 + l)};
    out.constraints = {weldShearStress(h, l, t) - 13600.0,
                       6.0 * load * span / (b * t * t) - 30000.0,
                       h - b,
                       0.10471 * h * h + 0.04811 * t * b * (14.0 + l) - 5.0,
                       0.125 - h,
                       4.0 * load * std::pow(span, 3) / (young * t * t * t * b) - 0.25,
                       load - bucklingLoad(t, b)};
}

// --- tension/compression spring: wire diameter d, coil diameter D, active coils N ---

void tensionSpring(const double* x, ProblemValues& out) {
    const double d = x[0], coil = x[1], n = x[2];
    const double d2 = d * d, d4 = d2 * d2;
    out.objectives = {(n + 2.0) * coil * d2};
    out.constraints = {1.0 - coil * coil * coil * n / (71785.0 * d4),
                       (4.0 * coil * coil - d * coil) / (12566.0 * (coil * d2 * d - d4)) +
                           1.0 / (5108.0 * d2) - 1.0,
                       1.0 - 140.45 * d / (coil * coil * n), (d + coil) / 1.5 - 1.0};
}

// --- two-objective ZDT problems over [0, 1]^30: f1 = x1, f2 = g h(f1, g) ---

double zdtG(const double* x) {
    double sum = 0.0;
    for (int i = 1; i < zdtDimension; ++i) sum += x[i];
    return 1.0 + 9.0 * sum / (zdtDimension - 1);
}

void zdt1(const double* x, ProblemValues& out) {
    const double g = zdtG(x);
    out.objectives = {x[0], g * (1.0 - std::sqrt(x[0] / g))};
}

void zdt2(const double* x, ProblemValues& out) {
    const double g = zdtG(x), ratio = x[0] / g;
    out.objectives = {x[0], g * (1.0 - ratio * ratio)};
}

void zdt3(const double* x, ProblemValues& out) {
    const double g = zdtG(x), ratio = x[0] / g;
    out.objectives = {x[0], g * (1.0 - std::sqrt(ratio) - ratio * std::sin(10.0 * pi * x[0]))};
}

// --- DTLZ2 with three objectives over [0, 1]^12: the front is the unit sphere's octant ---

void dtlz2(const double* x, ProblemValues& out) {
    double g = 0.0;
    for (int i = 2; i < dtlzDimension; ++i) g += (x[i] - 0.5) * (x[i] - 0.5);
    const double a = x[0] * pi / 2.0, b = x[1] * pi / 2.0;
    out.objectives = {(1.0 + g) * std::cos(a) * std::cos(b), (1.0 + g) * std::cos(a) * std::sin(b),
                      (1.0 + g) * std::sin(a)};
}

Problem box(const char* name, const char* description, std::vector<double> lower,
            std::vector<double> upper, void (*f)(const double*, ProblemValues&)) {
    Problem p;
    p.name = name;
    p.description = description;
    p.lower = std::move(lower);
    p.upper = std::move(upper);
    p.evaluate = f;
    return p;
}

Problem analytic(const char* name, const char* description, double low, double high,
                 double atOptimum, void (*f)(const double*, ProblemValues&)) {
    Problem p = box(name, description, std::vector<double>(analyticDimension, low),
                    std::vector<double>(analyticDimension, high), f);
    p.bestPoint.assign(analyticDimension, atOptimum);
    return p;
}

Problem constrained(Problem p, double best, std::vector<double> point, std::vector<double> scales,
                    double weight) {
    p.bestKnown = best;
    p.bestPoint = std::move(point);
    p.constraintScales = std::move(scales);
    p.penaltyWeight = weight;
    return p;
}

Problem multiObjective(const char* name, const char* description, int dimension, int objectives,
                       std::vector<double> point, void (*f)(const double*, ProblemValues&)) {
    Problem p = box(name, description, std::vector<double>(dimension, 0.0),
                    std::vector<double>(dimension, 1.0), f);
    p.objectives = objectives;
    p.bestPoint = std::move(point);
    return p;
}

std::vector<double> zdtFrontPoint() {
    std::vector<double> x(zdtDimension, 0.0);
    x[0] = 0.25;
    return x;
}

std::vector<Problem> makeProblems() {
    const double thin = plateStep, thick = 99 * plateStep;
    return {
        analytic("rosenbrock", "Rosenbrock valley, 10-D, minimum 0 at x = 1", -5.0, 10.0, 1.0,
                 rosenbrock),
        analytic("rastrigin", "Rastrigin, 10-D, minimum 0 at x = 0", -5.12, 5.12, 0.0, rastrigin),
        analytic("ackley", "Ackley, 10-D, minimum 0 at x = 0", -32.768, 32.768, 0.0, ackley),
        constrained(box("pressure-vessel", "pressure vessel cost, 4 constraints, best 6059.714",
                        {thin, thin, 10.0, 10.0}, {thick, thick, 200.0, 200.0}, pressureVessel),
                    6059.714335, {0.8125, 0.4375, 42.0984456, 176.6365958},
                    {plateStep, plateStep, 1296000.0, 240.0}, 1e7),
        constrained(box("welded-beam", "welded beam cost, 7 constraints, best 1.724852",
                        {0.1, 0.1, 0.1, 0.1}, {2.0, 10.0, 10.0, 2.0}, weldedBeam),
                    1.724852, {0.20573, 3.470489, 9.036624, 0.20573},
                    {13600.0, 30000.0, 0.125, 5.0, 0.125, 0.25, load}, 1e4),
        constrained(box("tension-spring", "spring weight, 4 constraints, best 0.012665",
                        {0.05, 0.25, 2.0}, {2.0, 1.3, 15.0}, tensionSpring),
                    0.012665, {0.051689, 0.356718, 11.288966}, {1.0, 1.0, 1.0, 1.0}, 1e2),
        multiObjective("zdt1", "ZDT1, 30-D, 2 objectives, convex front f2 = 1 - sqrt(f1)",
                       zdtDimension, 2, zdtFrontPoint(), zdt1),
        multiObjective("zdt2", "ZDT2, 30-D, 2 objectives, concave front f2 = 1 - f1^2",
                       zdtDimension, 2, zdtFrontPoint(), zdt2),
        multiObjective("zdt3", "ZDT3, 30-D, 2 objectives, disconnected front", zdtDimension, 2,
                       zdtFrontPoint(), zdt3),
        multiObjective("dtlz2", "DTLZ2, 12-D, 3 objectives, front on the unit sphere",
                       dtlzDimension, 3, std::vector<double>(dtlzDimension, 0.5), dtlz2),
    };
}

}  // namespace

std::vector<std::string> Problem::responseNames() const {
    std::vector<std::string> names;
    if (objectives == 1) names.push_back("f");
    for (int k = 1; objectives > 1 && k <= objectives; ++k) {
        names.push_back("f" + std::to_string(k));
    }
    for (int k = 1; k <= constraintCount(); ++k) names.push_back("g" + std::to_string(k));
    return names;
}

std::vector<double> Problem::responses(const double* x) const {
    ProblemValues values;
    evaluate(x, values);
    std::vector<double> all = values.objectives;
    all.insert(all.end(), values.constraints.begin(), values.constraints.end());
    return all;
}

const std::vector<Problem>& builtInProblems() {
    static const std::vector<Problem> problems = makeProblems();
    return problems;
}

const Problem* findProblem(const std::string& name) {
    for (const Problem& problem : builtInProblems()) {
        if (problem.name == name) return &problem;
    }
    return nullptr;
}

}  // namespace varno::tool
