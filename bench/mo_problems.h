// Multi-objective test problems for the search-quality benchmark, all
// minimised: the unconstrained ZDT1-4, ZDT6, DTLZ1 and DTLZ2 and the
// constrained BNH, TNK, SRN and OSY. Every tool sees the unit box [0, 1]^n
// (mapped onto the problem's bounds) and the objectives normalised by the
// ideal and nadir points of the true front, so that one reference point (1.1
// per objective) and one reference front serve every problem. Every tool
// evaluates the same code.
#ifndef VARNO_BENCH_MO_PROBLEMS_H
#define VARNO_BENCH_MO_PROBLEMS_H

#include <string>
#include <vector>

#include "hypervolume.h"

namespace bench {

// Objectives f and constraints g (feasible when every g <= 0) at the point x
// in the problem's own bounds.
using RawProblem = void (*)(const double* x, double* f, double* g);

struct MoProblem {
    std::string name;
    int objectives = 0;
    std::vector<double> lower, upper;
    std::vector<double> constraintScales;  // one per constraint
    std::vector<double> ideal, nadir;      // of the true front
    RawProblem raw = nullptr;
    // Distance of x from the Pareto set (g - 1 of the ZDT problems, g of DTLZ);
    // null for the constrained problems.
    double (*distance)(const double* x) = nullptr;
    // Normalised points of the true front (dense), and its hypervolume.
    std::vector<Point> referenceFront;
    double frontHypervolume = 0.0;

    int dimension() const { return static_cast<int>(lower.size()); }
    int constraints() const { return static_cast<int>(constraintScales.size()); }
    // The point of the problem's box at the unit-box point u.
    std::vector<double> mapped(const double* u) const;
    // Normalised objectives into f and raw constraints into g at the unit-box
    // point u; returns the summed constraint violation (each excess over its
    // scale), 0 when feasible.
    double evaluate(const double* u, double* f, double* g) const;
};

const std::vector<MoProblem>& moProblemSuite();

// The reference point: 1.1 in every normalised objective.
constexpr double referenceLevel = 1.1;

}  // namespace bench

#endif
