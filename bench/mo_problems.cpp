#include "mo_problems.h"

#include <cmath>
#include <numbers>

#include "hypervolume.h"

namespace bench {

namespace {

constexpr int zdtDimension = 30;
constexpr int dtlzObjectives = 3, dtlzDimension = 12;
constexpr double pi = std::numbers::pi;

double zdtG(const double* x) {
    double sum = 0.0;
    for (int i = 1; i < zdtDimension; ++i) sum += x[i];
    return 1.0 + 9.0 * sum / (zdtDimension - 1);
}

void zdt1(const double* x, double* f) {
    const double g = zdtG(x);
    f[0] = x[0];
    f[1] = g * (1.0 - std::sqrt(x[0] / g));
}

void zdt2(const double* x, double* f) {
    const double g = zdtG(x), r = x[0] / g;
    f[0] = x[0];
    f[1] = g * (1.0 - r * r);
}

void zdt3(const double* x, double* f) {
    const double g = zdtG(x), r = x[0] / g;
    f[0] = x[0];
    f[1] = g * (1.0 - std::sqrt(r) - r * std::sin(10.0 * pi * x[0]));
}

void dtlz2(const double* x, double* f) {
    double g = 0.0;
    for (int i = dtlzObjectives - 1; i < dtlzDimension; ++i) g += (x[i] - 0.5) * (x[i] - 0.5);
    const double a = 0.5 * pi * x[0], b = 0.5 * pi * x[1];
    f[0] = (1.0 + g) * std::cos(a) * std::cos(b);
    f[1] = (1.0 + g) * std::cos(a) * std::sin(b);
    f[2] = (1.0 + g) * std::sin(a);
}

// ZDT3's front is disconnected: its hypervolume is taken from a dense sample
// of g = 1 (error below 1e-6).
double zdt3FrontHypervolume() {
    constexpr int samples = 1000000;
    std::vector<Point> points;
    points.reserve(samples + 1);
    for (int i = 0; i <= samples; ++i) {
        const double f1 = static_cast<double>(i) / samples;
        points.push_back({f1, 1.0 - std::sqrt(f1) - f1 * std::sin(10.0 * pi * f1)});
    }
    return hypervolume(points, {referenceLevel, referenceLevel});
}

std::vector<MoProblem> makeSuite() {
    const double box2 = referenceLevel * referenceLevel;
    const double box3 = box2 * referenceLevel;
    return {
        {"ZDT1", zdtDimension, 2, box2 - 1.0 / 3.0, zdt1},
        {"ZDT2", zdtDimension, 2, box2 - 2.0 / 3.0, zdt2},
        {"ZDT3", zdtDimension, 2, zdt3FrontHypervolume(), zdt3},
        {"DTLZ2", dtlzDimension, dtlzObjectives, box3 - pi / 6.0, dtlz2},
    };
}

}  // namespace

const std::vector<MoProblem>& moProblemSuite() {
    static const std::vector<MoProblem> suite = makeSuite();
    return suite;
}

}  // namespace bench
