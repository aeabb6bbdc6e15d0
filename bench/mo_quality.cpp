// Multi-objective search quality per evaluation budget: VARNO's MOTRAVOK
// search (through the C interface), pagmo's NSGA-II and MOEA/D and a random
// search on ZDT1-3 and DTLZ2 with the same budgets and seeds. Each run reports
// the hypervolume of the non-dominated set of ALL designs it evaluated
// (reference point 1.1 per objective); the table shows median, best and worst
// over the seeds. Progress goes to stderr, the table to stdout.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <pagmo/algorithm.hpp>
#include <pagmo/algorithms/moead.hpp>
#include <pagmo/algorithms/nsga2.hpp>
#include <pagmo/problem.hpp>
#include <pagmo/utils/hypervolume.hpp>

#include "hypervolume.h"
#include "mo_problems.h"
#include "varno_host.h"

namespace {

using bench::MoProblem;
using bench::Point;
using bench::VarnoState;

// --- settings -------------------------------------------------------------

enum Tool { varnoMotravok, nsga2, moead, randomSearch, toolCount };
const char* const toolNames[toolCount] = {"VARNO MOTRAVOK", "pagmo NSGA-II", "pagmo MOEA/D",
                                          "random"};

// Population (and VARNO archive) sizes; both divide every budget.
unsigned populationFor(const MoProblem& problem) { return problem.objectives == 2 ? 40u : 100u; }

constexpr double nsgaCrossover = 0.9, nsgaEtaC = 20.0, nsgaEtaM = 20.0;

const char* moeadWeights(const MoProblem& problem) {
    return problem.objectives == 2 ? "grid" : "low discrepancy";
}

Point referencePoint(const MoProblem& problem) {
    return Point(problem.objectives, bench::referenceLevel);
}

// --- evaluation record ----------------------------------------------------

// What a run achieved: the hypervolume of its evaluated non-dominated set,
// that set's size and the evaluations used.
struct RunResult {
    double hypervolume = 0.0;
    int frontSize = 0;
    int evaluations = 0;
};

// Counts and keeps every evaluation of one run; refuses to go past the budget.
// As a design evaluator: the objectives.
class Recorder : public bench::DesignEvaluator {
public:
    Recorder(const MoProblem& problem, int budget) : problem_(problem), budget_(budget) {}

    const MoProblem& problem() const { return problem_; }
    bool exhausted() const override { return static_cast<int>(evaluated_.size()) >= budget_; }

    Point evaluate(const double* x) {
        if (exhausted()) throw bench::BudgetExhausted{};
        std::vector<double> inside(x, x + problem_.dimension);
        for (double& v : inside) v = std::clamp(v, 0.0, 1.0);
        Point f(problem_.objectives);
        problem_.evaluate(inside.data(), f.data());
        evaluated_.push_back(f);
        return f;
    }

    int responses() const override { return problem_.objectives; }
    void respond(const double* x, double* row) override {
        const Point f = evaluate(x);
        std::copy(f.begin(), f.end(), row);
    }

    RunResult result() const {
        const Point reference = referencePoint(problem_);
        const std::vector<Point> front = bench::nonDominated(evaluated_, reference);
        return {bench::hypervolume(front, reference), static_cast<int>(front.size()),
                static_cast<int>(evaluated_.size())};
    }

private:
    const MoProblem& problem_;
    int budget_;
    std::vector<Point> evaluated_;
};

// --- random search ----------------------------------------------------------

RunResult runRandom(const MoProblem& problem, int budget, unsigned seed) {
    Recorder recorder(problem, budget);
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    std::vector<double> x(problem.dimension);
    while (!recorder.exhausted()) {
        for (double& v : x) v = uniform(random);
        recorder.evaluate(x.data());
    }
    return recorder.result();
}

// --- pagmo ----------------------------------------------------------------------

// The problem as pagmo sees it, counted.
struct PagmoProblem {
    std::shared_ptr<Recorder> recorder;

    pagmo::vector_double fitness(const pagmo::vector_double& x) const {
        return recorder->evaluate(x.data());
    }
    std::pair<pagmo::vector_double, pagmo::vector_double> get_bounds() const {
        const std::size_t n = recorder ? recorder->problem().dimension : 1;
        return {pagmo::vector_double(n, 0.0), pagmo::vector_double(n, 1.0)};
    }
    pagmo::vector_double::size_type get_nobj() const {
        return recorder ? recorder->problem().objectives : 2u;
    }
    std::string get_name() const { return "counted multi-objective problem"; }
};

pagmo::algorithm pagmoAlgorithm(Tool tool, const MoProblem& problem, int budget, unsigned seed) {
    const unsigned generations = static_cast<unsigned>(budget) / populationFor(problem) - 1u;
    if (tool == nsga2) {
        return pagmo::algorithm{pagmo::nsga2(generations, nsgaCrossover, nsgaEtaC,
                                             1.0 / problem.dimension, nsgaEtaM, seed)};
    }
    return pagmo::algorithm{pagmo::moead(generations, moeadWeights(problem), "tchebycheff", 20u,
                                         1.0, 0.5, 20.0, 0.9, 2u, true, seed)};
}

RunResult runPagmo(Tool tool, const MoProblem& problem, int budget, unsigned seed) {
    auto recorder = std::make_shared<Recorder>(problem, budget);
    bench::evolveWithinBudget(pagmo::problem{PagmoProblem{recorder}}, populationFor(problem), seed,
                              pagmoAlgorithm(tool, problem, budget, seed * 31u + tool));
    return recorder->result();
}

// --- VARNO through the C interface -------------------------------------------------

struct VarnoRun {
    bench::StudyOutcome study;
    RunResult result;
};

bool addObjectives(const MoProblem& problem) {
    for (const std::string& name : bench::indexedNames("f", problem.objectives)) {
        if (!bench::addObjective(name)) return false;
    }
    return true;
}

VarnoRun runVarno(const bench::Scratch& scratch, const MoProblem& problem, int budget,
                  unsigned seed) {
    Recorder recorder(problem, budget);
    const std::vector<double> lower(problem.dimension, 0.0), upper(problem.dimension, 1.0);
    const std::string method = "method: MOTRAVOK\nnumEvals: " + std::to_string(budget) +
                               "\narchiveSize: " + std::to_string(populationFor(problem)) +
                               "\nshutOff: 0";
    const bench::StudyDefinition study{scratch.freshRunDirectory(),
                                       seed,
                                       method,
                                       lower,
                                       upper,
                                       bench::indexedNames("f", problem.objectives),
                                       [&problem] { return addObjectives(problem); }};
    VarnoRun run{bench::runStudy(study, recorder), {}};
    run.result = recorder.result();
    return run;
}

// --- hypervolume check against pagmo -------------------------------------------------

struct CheckSet {
    const char* name;
    std::vector<Point> points;
};

// Random sets with dominated points, ties and duplicates, and a DTLZ2-like
// noisy sphere.
std::vector<CheckSet> checkSets() {
    std::mt19937 random(2024u);
    std::uniform_real_distribution<double> uniform(0.0, 1.1);
    std::uniform_int_distribution<int> level(1, 10);
    CheckSet cube{"3-D uniform, 400 points", {}}, grid{"3-D grid ties, 300 points", {}};
    CheckSet sphere{"3-D sphere, 600 points", {}}, plane{"2-D uniform, 400 points", {}};
    for (int i = 0; i < 400; ++i) {
        cube.points.push_back({uniform(random), uniform(random), uniform(random)});
    }
    for (int i = 0; i < 300; ++i) {
        grid.points.push_back({0.1 * level(random), 0.1 * level(random), 0.1 * level(random)});
    }
    for (int i = 0; i < 600; ++i) {
        const double a = uniform(random) / 1.1 * 1.5707963, b = uniform(random) / 1.1 * 1.5707963;
        const double r = 1.0 + 0.05 * uniform(random) / 1.1;
        sphere.points.push_back(
            {r * std::cos(a) * std::cos(b), r * std::cos(a) * std::sin(b), r * std::sin(a)});
    }
    for (int i = 0; i < 400; ++i) plane.points.push_back({uniform(random), uniform(random)});
    return {cube, grid, sphere, plane};
}

// Compares this benchmark's hypervolume (of the raw set and of its
// non-dominated set) with pagmo's on the non-dominated set; returns the
// largest relative difference.
double checkHypervolume() {
    double worst = 0.0;
    for (const CheckSet& set : checkSets()) {
        const Point reference(set.points.front().size(), bench::referenceLevel);
        const std::vector<Point> front = bench::nonDominated(set.points, reference);
        const double theirs = pagmo::hypervolume(front, true).compute(reference);
        const double raw = bench::hypervolume(set.points, reference);
        const double filtered = bench::hypervolume(front, reference);
        const double difference =
            std::max(std::abs(raw - theirs), std::abs(filtered - theirs)) / theirs;
        std::printf("  %-26s pagmo %.12f, ours %.12f, relative difference %.1e\n", set.name, theirs,
                    raw, difference);
        worst = std::max(worst, difference);
    }
    return worst;
}

// --- statistics and table -----------------------------------------------------------

// The runs of one tool on one problem and budget, one per seed.
struct Cell {
    std::vector<RunResult> runs;
    VarnoState state = VarnoState::ok;
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

std::string formatted(const char* format, double value) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string evaluationRange(const std::vector<RunResult>& runs) {
    int low = std::numeric_limits<int>::max(), high = 0;
    for (const RunResult& run : runs) {
        low = std::min(low, run.evaluations);
        high = std::max(high, run.evaluations);
    }
    if (low == high) return std::to_string(high);
    return std::to_string(low) + ".." + std::to_string(high);
}

std::string cellText(const Cell& cell, const std::string& statistic) {
    if (cell.state == VarnoState::unavailable) return "n/a";
    if (cell.state == VarnoState::failed) return "error";
    if (cell.runs.empty()) return "-";
    if (statistic == "evals") return evaluationRange(cell.runs);
    std::vector<double> values;
    for (const RunResult& run : cell.runs) {
        values.push_back(statistic == "front" ? run.frontSize : run.hypervolume);
    }
    if (statistic == "front") return formatted("%.0f", median(values));
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    if (statistic == "best") return formatted("%.4f", *high);
    if (statistic == "worst") return formatted("%.4f", *low);
    return formatted("%.4f", median(values));
}

constexpr std::size_t columnWidth = 16;

void printProblemHeader(const MoProblem& problem) {
    std::printf("\n%s: %d variables, %d objectives, hypervolume of the true front %.4f\n",
                problem.name.c_str(), problem.dimension, problem.objectives,
                problem.frontHypervolume);
    bench::printToolHeader(toolNames, columnWidth);
}

void printBudgetRows(const MoProblem&, int budget, const std::vector<Cell>& cells) {
    bench::printStatisticRows(budget, {"median", "best", "worst", "front", "evals"}, cells.size(),
                              columnWidth, [&cells](std::size_t c, const std::string& statistic) {
                                  return cellText(cells[c], statistic);
                              });
}

void printPreamble(const bench::Options& options, bool varnoAvailable) {
    std::printf(
        "\nMulti-objective search quality per evaluation budget: hypervolume (larger is better)\n"
        "of the non-dominated set of ALL designs a run evaluated within the budget, reference\n"
        "point 1.1 per objective, exact (2-D sweep, 3-D slicing); median / best / worst over\n"
        "seeds 1..%d; 'front' = median size of that set inside the reference box; 'evals' =\n"
        "evaluations used (min..max when they differ), counted around the problem.\n"
        "Settings: population (and VARNO archive) 40 for 2 objectives, 100 for 3;\n"
        "gen = budget/population - 1. NSGA-II: cr %.1f, eta_c %.0f, m = 1/n, eta_m %.0f.\n"
        "MOEA/D: weights grid (2 obj.) / low discrepancy (3 obj.), Tchebycheff, 20 neighbours,\n"
        "CR 1, F 0.5, eta_m 20, realb 0.9, limit 2, diversity preserved. Random search:\n"
        "uniform in [0,1]^n. VARNO: MOTRAVOK, shutOff 0, resolution 10001, random baseline.\n",
        options.seeds, nsgaCrossover, nsgaEtaC, nsgaEtaM);
    if (!varnoAvailable) std::printf("VARNO MOTRAVOK: n/a (not available in this build)\n");
}

// --- driver ---------------------------------------------------------------------------------

std::vector<Cell> runCells(const bench::Scratch& scratch, const MoProblem& problem, int budget,
                           int seeds) {
    std::vector<Cell> cells(toolCount);
    for (int s = 1; s <= seeds; ++s) {
        const auto seed = static_cast<unsigned>(s);
        VarnoRun varno = runVarno(scratch, problem, budget, seed);
        bench::noteStudy(cells[varnoMotravok].state, varno.study, s);
        cells[varnoMotravok].runs.push_back(varno.result);
        for (Tool tool : {nsga2, moead}) {
            cells[tool].runs.push_back(runPagmo(tool, problem, budget, seed));
        }
        cells[randomSearch].runs.push_back(runRandom(problem, budget, seed));
    }
    return cells;
}

}  // namespace

int main(int argc, char** argv) {
    bench::Options options{10, {1000, 5000}};
    if (!bench::parseOptions(argc, argv, options, {3, {1000}})) return 2;
    std::printf("Hypervolume check against pagmo::hypervolume (reference point 1.1):\n");
    const double difference = checkHypervolume();
    std::printf("Hypervolume check: %s (largest relative difference %.1e)\n",
                difference < 1e-9 ? "PASS" : "FAIL", difference);
    const bench::Scratch scratch("varno_mo_quality_");
    const auto start = bench::Clock::now();
    const auto& suite = bench::moProblemSuite();
    const auto table =
        bench::runTable(suite, options.budgets, start, [&](const MoProblem& problem, int budget) {
            return runCells(scratch, problem, budget, options.seeds);
        });
    printPreamble(options, bench::varnoAvailable(table, varnoMotravok));
    bench::printTable(suite, options.budgets, table, start, printProblemHeader, printBudgetRows);
    return difference < 1e-9 ? 0 : 1;
}
