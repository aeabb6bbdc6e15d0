// Built-in test problems with known optima, evaluated in-process: an
// objective (or two or three) and inequality constraints g(x) <= 0 over a box.
#pragma once

#include <string>
#include <vector>

namespace varno::tool {

struct ProblemValues {
    std::vector<double> objectives;
    std::vector<double> constraints;  // feasible when every value is <= 0
};

struct Problem {
    std::string name;
    std::string description;
    std::vector<double> lower, upper;
    int objectives = 1;
    std::vector<double> constraintScales;  // normalisation of each constraint
    double penaltyWeight = 0.0;            // weight of the normalised violations
    double bestKnown = 0.0;                // best known objective (single-objective)
    std::vector<double> bestPoint;         // a point with that objective value
    void (*evaluate)(const double* x, ProblemValues& out) = nullptr;

    int dimension() const { return static_cast<int>(lower.size()); }
    int constraintCount() const { return static_cast<int>(constraintScales.size()); }
    // Response names: "f" (or "f1", "f2", ...), then "g1", "g2", ...
    std::vector<std::string> responseNames() const;
    // The response values in the order of responseNames().
    std::vector<double> responses(const double* x) const;
};

const std::vector<Problem>& builtInProblems();
const Problem* findProblem(const std::string& name);

// A study file for the problem: its variables, responses, objectives and
// constraints, and a TRAVOK (or MOTRAVOK) method with the given budget.
std::string problemStudyText(const Problem& problem, int budget, double seed);

// The budget a generated study uses when none is asked for.
int defaultBudget(const Problem& problem);

}  // namespace varno::tool
