#include "mo_problems.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "hypervolume.h"
#include "varno/problems.h"

namespace bench {

namespace {

constexpr double pi = std::numbers::pi;

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

MoProblem fromBuiltIn(const char* name, const char* builtIn, double frontHypervolume) {
    const varno::tool::Problem& source = *varno::tool::findProblem(builtIn);
    return {name, source.dimension(), source.objectives, frontHypervolume, &source};
}

std::vector<MoProblem> makeSuite() {
    const double box2 = referenceLevel * referenceLevel;
    const double box3 = box2 * referenceLevel;
    return {
        fromBuiltIn("ZDT1", "zdt1", box2 - 1.0 / 3.0),
        fromBuiltIn("ZDT2", "zdt2", box2 - 2.0 / 3.0),
        fromBuiltIn("ZDT3", "zdt3", zdt3FrontHypervolume()),
        fromBuiltIn("DTLZ2", "dtlz2", box3 - pi / 6.0),
    };
}

}  // namespace

void MoProblem::evaluate(const double* x, double* f) const {
    varno::tool::ProblemValues values;
    source->evaluate(x, values);
    std::copy(values.objectives.begin(), values.objectives.end(), f);
}

const std::vector<MoProblem>& moProblemSuite() {
    static const std::vector<MoProblem> suite = makeSuite();
    return suite;
}

}  // namespace bench
