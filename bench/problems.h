// Test problems with known optima for the search-quality benchmark. Every
// tool evaluates the same code: an objective and inequality constraints
// g(x) <= 0 over a box.
#ifndef VARNO_BENCH_PROBLEMS_H
#define VARNO_BENCH_PROBLEMS_H

#include <string>
#include <vector>

namespace varno::tool {
struct Problem;
}

namespace bench {

// One evaluation: the objective and the raw constraint values (feasible when
// every value is <= 0).
struct Evaluation {
    double objective = 0.0;
    std::vector<double> constraints;
};

// A problem definition. The functions of the analytic problems take the point
// already shifted, z = x - offset.
struct Problem {
    std::string name;
    std::vector<double> lower, upper;
    double optimum = 0.0;                          // best known objective
    bool shifted = false;                          // optimum moved by a random offset per seed
    std::vector<double> scales;                    // normalisation of each constraint
    double penaltyWeight = 0.0;                    // quadratic penalty on normalised violations
    const varno::tool::Problem* source = nullptr;  // the built-in problem evaluated

    int dimension() const { return static_cast<int>(lower.size()); }
    int constraintCount() const { return static_cast<int>(scales.size()); }
};

// A problem as one seed sees it: the definition plus that seed's offset.
class Instance {
public:
    Instance(const Problem& problem, unsigned seed);

    const Problem& problem() const { return *problem_; }
    Evaluation evaluate(const double* x) const;
    // Objective plus the quadratic penalty, the same for every tool.
    double penalised(const Evaluation& e) const;
    static bool feasible(const Evaluation& e);

private:
    const Problem* problem_;
    std::vector<double> offset_;
};

// Rosenbrock, Rastrigin, Ackley and Griewank in 10-D, Branin (2-D) and
// Hartmann-6; pressure vessel, welded beam and tension spring.
const std::vector<Problem>& problemSuite();

}  // namespace bench

#endif
