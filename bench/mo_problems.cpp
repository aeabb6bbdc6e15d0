#include "mo_problems.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace bench {

namespace {

constexpr double pi = std::numbers::pi;
constexpr int zdtDimension = 30, zdtShortDimension = 10;
constexpr int dtlz1Dimension = 7, dtlz2Dimension = 12;

// --- ZDT: f1 = x1, f2 = g h(f1, g) -------------------------------------------

double zdtSum(const double* x, int n) {
    double sum = 0.0;
    for (int i = 1; i < n; ++i) sum += x[i];
    return sum;
}

double zdtDistance(const double* x) { return 9.0 * zdtSum(x, zdtDimension) / (zdtDimension - 1); }

double zdt4Distance(const double* x) {
    double sum = 10.0 * (zdtShortDimension - 1);
    for (int i = 1; i < zdtShortDimension; ++i)
        sum += x[i] * x[i] - 10.0 * std::cos(4.0 * pi * x[i]);
    return sum;
}

double zdt6Distance(const double* x) {
    return 9.0 * std::pow(zdtSum(x, zdtShortDimension) / (zdtShortDimension - 1), 0.25);
}

void zdt1(const double* x, double* f, double*) {
    const double g = 1.0 + zdtDistance(x);
    f[0] = x[0];
    f[1] = g * (1.0 - std::sqrt(x[0] / g));
}

void zdt2(const double* x, double* f, double*) {
    const double g = 1.0 + zdtDistance(x), ratio = x[0] / g;
    f[0] = x[0];
    f[1] = g * (1.0 - ratio * ratio);
}

void zdt3(const double* x, double* f, double*) {
    const double g = 1.0 + zdtDistance(x), ratio = x[0] / g;
    f[0] = x[0];
    f[1] = g * (1.0 - std::sqrt(ratio) - ratio * std::sin(10.0 * pi * x[0]));
}

void zdt4(const double* x, double* f, double*) {
    const double g = 1.0 + zdt4Distance(x);
    f[0] = x[0];
    f[1] = g * (1.0 - std::sqrt(x[0] / g));
}

double zdt6First(double x) {
    return 1.0 - std::exp(-4.0 * x) * std::pow(std::sin(6.0 * pi * x), 6);
}

void zdt6(const double* x, double* f, double*) {
    const double g = 1.0 + zdt6Distance(x), ratio = zdt6First(x[0]) / g;
    f[0] = zdt6First(x[0]);
    f[1] = g * (1.0 - ratio * ratio);
}

// --- DTLZ with three objectives ----------------------------------------------------

double dtlz1Distance(const double* x) {
    double sum = dtlz1Dimension - 2;
    for (int i = 2; i < dtlz1Dimension; ++i) {
        sum += (x[i] - 0.5) * (x[i] - 0.5) - std::cos(20.0 * pi * (x[i] - 0.5));
    }
    return 100.0 * sum;
}

void dtlz1(const double* x, double* f, double*) {
    const double half = 0.5 * (1.0 + dtlz1Distance(x));
    f[0] = half * x[0] * x[1];
    f[1] = half * x[0] * (1.0 - x[1]);
    f[2] = half * (1.0 - x[0]);
}

double dtlz2Distance(const double* x) {
    double g = 0.0;
    for (int i = 2; i < dtlz2Dimension; ++i) g += (x[i] - 0.5) * (x[i] - 0.5);
    return g;
}

void dtlz2(const double* x, double* f, double*) {
    const double r = 1.0 + dtlz2Distance(x), a = x[0] * pi / 2.0, b = x[1] * pi / 2.0;
    f[0] = r * std::cos(a) * std::cos(b);
    f[1] = r * std::cos(a) * std::sin(b);
    f[2] = r * std::sin(a);
}

// --- constrained two-objective problems (g <= 0) ----------------------------------------

void bnh(const double* x, double* f, double* g) {
    f[0] = 4.0 * x[0] * x[0] + 4.0 * x[1] * x[1];
    f[1] = (x[0] - 5.0) * (x[0] - 5.0) + (x[1] - 5.0) * (x[1] - 5.0);
    g[0] = (x[0] - 5.0) * (x[0] - 5.0) + x[1] * x[1] - 25.0;
    g[1] = 7.7 - (x[0] - 8.0) * (x[0] - 8.0) - (x[1] + 3.0) * (x[1] + 3.0);
}

void tnk(const double* x, double* f, double* g) {
    f[0] = x[0];
    f[1] = x[1];
    const double angle = x[1] > 0.0 ? std::atan(x[0] / x[1]) : pi / 2.0;
    g[0] = 1.0 + 0.1 * std::cos(16.0 * angle) - x[0] * x[0] - x[1] * x[1];
    g[1] = (x[0] - 0.5) * (x[0] - 0.5) + (x[1] - 0.5) * (x[1] - 0.5) - 0.5;
}

void srn(const double* x, double* f, double* g) {
    f[0] = 2.0 + (x[0] - 2.0) * (x[0] - 2.0) + (x[1] - 1.0) * (x[1] - 1.0);
    f[1] = 9.0 * x[0] - (x[1] - 1.0) * (x[1] - 1.0);
    g[0] = x[0] * x[0] + x[1] * x[1] - 225.0;
    g[1] = x[0] - 3.0 * x[1] + 10.0;
}

void osy(const double* x, double* f, double* g) {
    const auto sq = [](double v) { return v * v; };
    f[0] = -(25.0 * sq(x[0] - 2.0) + sq(x[1] - 2.0) + sq(x[2] - 1.0) + sq(x[3] - 4.0) +
             sq(x[4] - 1.0));
    f[1] = 0.0;
    for (int i = 0; i < 6; ++i) f[1] += sq(x[i]);
    g[0] = 2.0 - x[0] - x[1];
    g[1] = x[0] + x[1] - 6.0;
    g[2] = x[1] - x[0] - 2.0;
    g[3] = x[0] - 3.0 * x[1] - 2.0;
    g[4] = sq(x[2] - 3.0) + x[3] - 4.0;
    g[5] = 4.0 - sq(x[4] - 3.0) - x[5];
}

// --- true fronts -------------------------------------------------------------------------

// The non-dominated points of a 2-D set (sort by f1, keep falling f2).
std::vector<Point> front2d(std::vector<Point> points) {
    std::sort(points.begin(), points.end());
    std::vector<Point> front;
    double lowest = std::numeric_limits<double>::infinity();
    for (const Point& p : points) {
        if (p[1] < lowest) {
            front.push_back(p);
            lowest = p[1];
        }
    }
    return front;
}

// Raw objectives of Pareto-optimal decision vectors, filtered to the feasible
// non-dominated ones.
std::vector<Point> frontOf(RawProblem raw, const std::vector<std::vector<double>>& xs,
                           int constraints) {
    std::vector<Point> points;
    std::vector<double> g(static_cast<std::size_t>(constraints));
    for (const std::vector<double>& x : xs) {
        Point f(2);
        raw(x.data(), f.data(), g.data());
        if (std::all_of(g.begin(), g.end(), [](double v) { return v <= 1e-9; }))
            points.push_back(f);
    }
    return front2d(std::move(points));
}

constexpr int samples = 100000;

double step(int i, double from, double to) { return from + (to - from) * i / samples; }

std::vector<Point> curveFront(double (*h)(double)) {
    std::vector<Point> points;
    for (int i = 0; i <= samples; ++i) points.push_back({step(i, 0, 1), h(step(i, 0, 1))});
    return front2d(std::move(points));
}

std::vector<Point> zdt6Front() {
    std::vector<Point> points;
    for (int i = 0; i <= samples; ++i) {
        const double f1 = zdt6First(step(i, 0, 1));
        points.push_back({f1, 1.0 - f1 * f1});
    }
    return front2d(std::move(points));
}

std::vector<Point> bnhFront() {
    std::vector<std::vector<double>> xs;
    for (int i = 0; i <= samples; ++i) {
        xs.push_back({step(i, 0, 3), step(i, 0, 3)});
        xs.push_back({step(i, 3, 5), 3.0});
    }
    return frontOf(bnh, xs, 2);
}

std::vector<Point> tnkFront() {
    std::vector<std::vector<double>> xs;
    for (int i = 0; i <= samples; ++i) {
        const double angle = step(i, 0, pi / 2), r = std::sqrt(1.0 + 0.1 * std::cos(16.0 * angle));
        xs.push_back({r * std::sin(angle), r * std::cos(angle)});
    }
    return frontOf(tnk, xs, 2);
}

// SRN's front lies on the line x1 = -2.5 (where the two objectives trade at
// the same rate through x1 and x2) and on the two constraint boundaries.
std::vector<Point> srnFront() {
    std::vector<std::vector<double>> xs;
    const double radius = 15.0;
    for (int i = 0; i <= samples; ++i) {
        xs.push_back({-2.5, step(i, -20, 20)});
        xs.push_back({step(i, -20, 20), (step(i, -20, 20) + 10.0) / 3.0});
        const double angle = step(i, 0, 2 * pi);
        xs.push_back({radius * std::cos(angle), radius * std::sin(angle)});
    }
    return frontOf(srn, xs, 2);
}

// The five segments of OSY's Pareto set (x4 = x6 = 0).
std::vector<Point> osyFront() {
    std::vector<std::vector<double>> xs;
    for (int i = 0; i <= samples; ++i) {
        const double t = step(i, 0, 1);
        xs.push_back({5.0, 1.0, 1.0 + 4.0 * t, 0.0, 5.0, 0.0});
        xs.push_back({5.0, 1.0, 1.0 + 4.0 * t, 0.0, 1.0, 0.0});
        const double x1 = 4.056 + 0.944 * t;
        xs.push_back({x1, (x1 - 2.0) / 3.0, 1.0, 0.0, 1.0, 0.0});
        xs.push_back({0.0, 2.0, 1.0 + 2.732 * t, 0.0, 1.0, 0.0});
        xs.push_back({t, 2.0 - t, 1.0, 0.0, 1.0, 0.0});
    }
    return frontOf(osy, xs, 6);
}

// Points of the simplex sum = 1 in 3-D on a grid of `divisions`.
std::vector<Point> simplex(int divisions) {
    std::vector<Point> points;
    for (int i = 0; i <= divisions; ++i) {
        for (int j = 0; i + j <= divisions; ++j) {
            points.push_back({static_cast<double>(i) / divisions,
                              static_cast<double>(j) / divisions,
                              static_cast<double>(divisions - i - j) / divisions});
        }
    }
    return points;
}

std::vector<Point> sphere(int divisions) {
    std::vector<Point> points = simplex(divisions);
    for (Point& p : points) {
        const double norm = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
        for (double& v : p) v /= norm;
    }
    return points;
}

constexpr int referencePoints2d = 1000;

// Normalises by the front's own range, keeps about a thousand evenly spread
// points for IGD+ and takes the hypervolume of the dense front.
MoProblem withFront(MoProblem problem, std::vector<Point> dense) {
    const std::size_t m = dense.front().size();
    problem.objectives = static_cast<int>(m);
    problem.ideal.assign(m, std::numeric_limits<double>::infinity());
    problem.nadir.assign(m, -std::numeric_limits<double>::infinity());
    for (const Point& p : dense) {
        for (std::size_t k = 0; k < m; ++k) {
            problem.ideal[k] = std::min(problem.ideal[k], p[k]);
            problem.nadir[k] = std::max(problem.nadir[k], p[k]);
        }
    }
    for (Point& p : dense) {
        for (std::size_t k = 0; k < m; ++k) {
            p[k] = (p[k] - problem.ideal[k]) / (problem.nadir[k] - problem.ideal[k]);
        }
    }
    const Point reference(m, referenceLevel);
    if (m == 2) {
        problem.frontHypervolume = hypervolume(dense, reference);
        const std::size_t stride = std::max<std::size_t>(1, dense.size() / referencePoints2d);
        for (std::size_t i = 0; i < dense.size(); i += stride) {
            problem.referenceFront.push_back(dense[i]);
        }
    } else {
        problem.referenceFront = std::move(dense);
    }
    return problem;
}

MoProblem unitBox(const char* name, int n, RawProblem raw, double (*distance)(const double*)) {
    MoProblem p;
    p.name = name;
    p.lower.assign(static_cast<std::size_t>(n), 0.0);
    p.upper.assign(static_cast<std::size_t>(n), 1.0);
    p.raw = raw;
    p.distance = distance;
    return p;
}

MoProblem constrained(const char* name, std::vector<double> lower, std::vector<double> upper,
                      std::vector<double> scales, RawProblem raw) {
    MoProblem p;
    p.name = name;
    p.lower = std::move(lower);
    p.upper = std::move(upper);
    p.constraintScales = std::move(scales);
    p.raw = raw;
    return p;
}

std::vector<MoProblem> makeSuite() {
    const double cube = referenceLevel * referenceLevel * referenceLevel;
    MoProblem zdt4Problem = unitBox("ZDT4", zdtShortDimension, zdt4, zdt4Distance);
    for (std::size_t i = 1; i < zdt4Problem.lower.size(); ++i) {
        zdt4Problem.lower[i] = -5.0;
        zdt4Problem.upper[i] = 5.0;
    }
    std::vector<Point> dtlz1Front = simplex(40);
    for (Point& p : dtlz1Front) {
        for (double& v : p) v *= 0.5;
    }
    MoProblem dtlz1Problem =
        withFront(unitBox("DTLZ1", dtlz1Dimension, dtlz1, dtlz1Distance), dtlz1Front);
    dtlz1Problem.frontHypervolume = cube - 1.0 / 6.0;
    MoProblem dtlz2Problem =
        withFront(unitBox("DTLZ2", dtlz2Dimension, dtlz2, dtlz2Distance), sphere(40));
    dtlz2Problem.frontHypervolume = cube - pi / 6.0;
    const auto zdt3Curve = [](double f1) {
        return 1.0 - std::sqrt(f1) - f1 * std::sin(10.0 * pi * f1);
    };
    return {
        withFront(unitBox("ZDT1", zdtDimension, zdt1, zdtDistance),
                  curveFront([](double f1) { return 1.0 - std::sqrt(f1); })),
        withFront(unitBox("ZDT2", zdtDimension, zdt2, zdtDistance),
                  curveFront([](double f1) { return 1.0 - f1 * f1; })),
        withFront(unitBox("ZDT3", zdtDimension, zdt3, zdtDistance), curveFront(zdt3Curve)),
        withFront(zdt4Problem, curveFront([](double f1) { return 1.0 - std::sqrt(f1); })),
        withFront(unitBox("ZDT6", zdtShortDimension, zdt6, zdt6Distance), zdt6Front()),
        dtlz1Problem,
        dtlz2Problem,
        withFront(constrained("BNH", {0, 0}, {5, 3}, {25, 7.7}, bnh), bnhFront()),
        withFront(constrained("TNK", {0, 0}, {pi, pi}, {1, 0.5}, tnk), tnkFront()),
        withFront(constrained("SRN", {-20, -20}, {20, 20}, {225, 10}, srn), srnFront()),
        withFront(
            constrained("OSY", {0, 0, 1, 0, 1, 0}, {10, 10, 5, 6, 5, 10}, {2, 6, 2, 2, 4, 4}, osy),
            osyFront()),
    };
}

}  // namespace

std::vector<double> MoProblem::mapped(const double* u) const {
    std::vector<double> x(lower.size());
    for (std::size_t i = 0; i < x.size(); ++i) {
        x[i] = lower[i] + std::clamp(u[i], 0.0, 1.0) * (upper[i] - lower[i]);
    }
    return x;
}

double MoProblem::evaluate(const double* u, double* f, double* g) const {
    const std::vector<double> x = mapped(u);
    raw(x.data(), f, g);
    for (int k = 0; k < objectives; ++k) {
        const auto kk = static_cast<std::size_t>(k);
        f[k] = (f[k] - ideal[kk]) / (nadir[kk] - ideal[kk]);
    }
    double violation = 0.0;
    for (int j = 0; j < constraints(); ++j) {
        violation += std::max(0.0, g[j] / constraintScales[static_cast<std::size_t>(j)]);
    }
    return violation;
}

const std::vector<MoProblem>& moProblemSuite() {
    static const std::vector<MoProblem> suite = makeSuite();
    return suite;
}

}  // namespace bench
