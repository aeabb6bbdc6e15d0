// Multi-objective test problems for the search-quality benchmark: ZDT1-3 with
// 30 variables and DTLZ2 with 3 objectives and 12 variables, all over [0, 1]^n
// and minimised. Every tool evaluates the same code.
#ifndef VARNO_BENCH_MO_PROBLEMS_H
#define VARNO_BENCH_MO_PROBLEMS_H

#include <string>
#include <vector>

namespace varno::tool {
struct Problem;
}

namespace bench {

struct MoProblem {
    std::string name;
    int dimension = 0;
    int objectives = 0;
    // Hypervolume of the true Pareto front for the benchmark's reference point.
    double frontHypervolume = 0.0;
    const varno::tool::Problem* source = nullptr;  // the built-in problem evaluated

    // The objective values at x, written to f.
    void evaluate(const double* x, double* f) const;
};

// ZDT1, ZDT2, ZDT3 and DTLZ2.
const std::vector<MoProblem>& moProblemSuite();

// The reference point: 1.1 in every objective.
constexpr double referenceLevel = 1.1;

}  // namespace bench

#endif
