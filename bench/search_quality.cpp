// Search quality per evaluation budget: VARNO's TRAVOK search (through the C
// interface), pagmo's SADE, PSO and CMA-ES, NLopt's CRS2 and BOBYQA and a
// random search run on the same problems, budgets and seeds. Each run reports
// the best feasible objective among all designs it evaluated; the table shows
// median, best and worst over the seeds. Progress goes to stderr, the table to
// stdout; --json FILE also writes every run's result for
// search_quality_scipy.py, which adds its columns and prints the gap table.
//
// --travok-only runs TRAVOK alone (search_quality_scipy.py --anchors then takes
// the other tools' runs from an earlier full results file); --problem NAME
// (repeatable) and --budgets A,B,... narrow the table; --levels N sets TRAVOK's
// levels per variable (default 10,000,001: a grid step of 1e-7 of the range,
// so a smooth optimum is reached within the 1e-9 gap that counts as solved).
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <memory>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>
#include <nlopt.hpp>

#include <pagmo/algorithm.hpp>
#include <pagmo/algorithms/cmaes.hpp>
#include <pagmo/algorithms/pso.hpp>
#include <pagmo/algorithms/sade.hpp>
#include <pagmo/problem.hpp>

#include "problems.h"
#include "varno.h"
#include "varno_host.h"

namespace {

using bench::Evaluation;
using bench::Instance;
using bench::Problem;
using bench::VarnoState;

constexpr double none = std::numeric_limits<double>::infinity();

// --- settings -------------------------------------------------------------

enum Tool { varnoTravok, sade, pso, cmaes, crs2, bobyqa, randomSearch, toolCount };
const char* const toolNames[toolCount] = {"VARNO TRAVOK", "pagmo SADE", "pagmo PSO",
                                          "pagmo CMA-ES", "NLopt CRS2", "NLopt BOBYQA",
                                          "random"};

// Population sizes: they divide every budget, so each run spends it exactly.
constexpr unsigned deSize = 25, swarmSize = 25, cmaLambda = 10;
constexpr double cmaSigma0 = 0.3;

// --- evaluation record ----------------------------------------------------

// What a run achieved: the best feasible objective (`none` when no design
// was feasible) and the evaluations it used.
struct RunResult {
    double best = none;
    int evaluations = 0;
};

// Counts and records every evaluation of one run; refuses to go past the
// budget. As a design evaluator: the objective, then the constraints.
class Recorder : public bench::DesignEvaluator {
public:
    Recorder(const Instance& instance, int budget) : instance_(instance), budget_(budget) {}

    const Instance& instance() const { return instance_; }
    bool exhausted() const override { return result_.evaluations >= budget_; }
    const RunResult& result() const { return result_; }

    Evaluation evaluate(const double* x) {
        if (exhausted()) throw bench::BudgetExhausted{};
        Evaluation e = instance_.evaluate(x);
        ++result_.evaluations;
        if (Instance::feasible(e)) result_.best = std::min(result_.best, e.objective);
        return e;
    }

    int responses() const override { return 1 + instance_.problem().constraintCount(); }
    void respond(const double* x, double* row) override {
        const Evaluation e = evaluate(x);
        row[0] = e.objective;
        std::copy(e.constraints.begin(), e.constraints.end(), row + 1);
    }

private:
    const Instance& instance_;
    int budget_;
    RunResult result_;
};

// --- random search ----------------------------------------------------------

RunResult runRandom(const Instance& instance, int budget, unsigned seed) {
    const Problem& problem = instance.problem();
    Recorder recorder(instance, budget);
    std::mt19937 random(seed);
    std::vector<double> x(problem.lower.size());
    while (!recorder.exhausted()) {
        for (std::size_t i = 0; i < x.size(); ++i) {
            std::uniform_real_distribution<double> uniform(problem.lower[i], problem.upper[i]);
            x[i] = uniform(random);
        }
        recorder.evaluate(x.data());
    }
    return recorder.result();
}

// --- NLopt ------------------------------------------------------------------------

// The penalised objective as NLopt sees it, counted; stops NLopt at the budget.
double nloptObjective(const std::vector<double>& x, std::vector<double>& /*gradient*/, void* data) {
    auto& recorder = *static_cast<Recorder*>(data);
    if (recorder.exhausted()) throw nlopt::forced_stop();
    return recorder.instance().penalised(recorder.evaluate(x.data()));
}

std::vector<double> uniformPoint(const Problem& problem, std::mt19937& random) {
    std::vector<double> x(problem.lower.size());
    for (std::size_t i = 0; i < x.size(); ++i) {
        x[i] = std::uniform_real_distribution<double>(problem.lower[i], problem.upper[i])(random);
    }
    return x;
}

// One NLopt start from `x` with what is left of the budget; ends quietly on
// convergence, the budget or a failure.
void nloptStart(nlopt::algorithm algorithm, Recorder& recorder, int budget, std::vector<double> x) {
    const Problem& problem = recorder.instance().problem();
    nlopt::opt opt(algorithm, static_cast<unsigned>(problem.dimension()));
    opt.set_lower_bounds(problem.lower);
    opt.set_upper_bounds(problem.upper);
    opt.set_min_objective(nloptObjective, &recorder);
    opt.set_maxeval(budget - recorder.result().evaluations);
    opt.set_xtol_rel(1e-10);
    double value = 0.0;
    try {
        opt.optimize(x, value);
    } catch (const std::exception&) {
        // Forced stop at the budget, or a round-off stop: what was evaluated counts.
    }
}

// Both start from the random baseline VARNO gets (CRS2 adds it to its random
// population) and restart from uniform random points until the budget is spent.
RunResult runNlopt(Tool tool, const Instance& instance, int budget, unsigned seed) {
    const Problem& problem = instance.problem();
    const nlopt::algorithm algorithm = tool == crs2 ? nlopt::GN_CRS2_LM : nlopt::LN_BOBYQA;
    Recorder recorder(instance, budget);
    nlopt::srand(seed * 31u + tool);
    std::mt19937 random(seed * 31u + tool);
    std::vector<double> start = bench::baselinePoint(seed, problem.lower, problem.upper);
    while (!recorder.exhausted()) {
        const int before = recorder.result().evaluations;
        nloptStart(algorithm, recorder, budget, start);
        if (recorder.result().evaluations == before) break;  // it cannot start: give up
        start = uniformPoint(problem, random);
    }
    return recorder.result();
}

// --- pagmo ----------------------------------------------------------------------

// The problem as pagmo sees it: the penalised objective, counted.
struct PagmoProblem {
    std::shared_ptr<Recorder> recorder;

    pagmo::vector_double fitness(const pagmo::vector_double& x) const {
        const Evaluation e = recorder->evaluate(x.data());
        return {recorder->instance().penalised(e)};
    }
    std::pair<pagmo::vector_double, pagmo::vector_double> get_bounds() const {
        if (!recorder) return {{0.0}, {1.0}};
        const Problem& p = recorder->instance().problem();
        return {p.lower, p.upper};
    }
    std::string get_name() const { return "counted benchmark problem"; }
};

unsigned generationsFor(int budget, unsigned size) {
    const int generations = budget / static_cast<int>(size) - 1;
    return static_cast<unsigned>(std::max(0, generations));
}

pagmo::algorithm pagmoAlgorithm(Tool tool, int budget, unsigned seed) {
    switch (tool) {
        case sade:
            return pagmo::algorithm{
                pagmo::sade(generationsFor(budget, deSize), 2u, 1u, 0.0, 0.0, false, seed)};
        case pso:
            return pagmo::algorithm{pagmo::pso(generationsFor(budget, swarmSize), 0.7298, 2.05,
                                               2.05, 0.5, 5u, 2u, 4u, false, seed)};
        default:
            return pagmo::algorithm{pagmo::cmaes(generationsFor(budget, cmaLambda), -1, -1, -1, -1,
                                                 cmaSigma0, 0.0, 0.0, false, true, seed)};
    }
}

unsigned populationSize(Tool tool) {
    return tool == sade ? deSize : tool == pso ? swarmSize : cmaLambda;
}

RunResult runPagmo(Tool tool, const Instance& instance, int budget, unsigned seed) {
    auto recorder = std::make_shared<Recorder>(instance, budget);
    bench::evolveWithinBudget(pagmo::problem{PagmoProblem{recorder}}, populationSize(tool), seed,
                              pagmoAlgorithm(tool, budget, seed * 31u + tool));
    return recorder->result();
}

// --- VARNO through the C interface -------------------------------------------------

struct VarnoRun {
    bench::StudyOutcome study;
    RunResult result;
};

// The objective, and each constraint as g <= 0 with the problem's scale as
// normalisation and its penalty weight as quadratic weight.
bool addGoals(const Problem& problem) {
    if (!bench::addObjective("f")) return false;
    for (int j = 0; j < problem.constraintCount(); ++j) {
        const std::string name = bench::indexed("g", j + 1);
        const std::string text =
            "type: constraint\nfactor: " + bench::number(problem.scales[j]) +
            "\noption: less_equal\ntarget: 0\nquadWt: " + bench::number(problem.penaltyWeight) +
            "\nlinearWt: 0\nacceptMin: -1e300\nacceptMax: 1e300";
        if (!VARNO_addResponseToStudy(name.c_str(), text.c_str())) return false;
    }
    return true;
}

VarnoRun runVarno(const bench::Scratch& scratch, const Instance& instance, int budget,
                  unsigned seed, int levels) {
    const Problem& problem = instance.problem();
    Recorder recorder(instance, budget);
    std::vector<std::string> responses = bench::indexedNames("g", problem.constraintCount());
    responses.insert(responses.begin(), "f");
    const bench::StudyDefinition study{scratch.freshRunDirectory(),
                                       seed,
                                       "method: TRAVOK\nnumEvals: " + std::to_string(budget),
                                       problem.lower,
                                       problem.upper,
                                       std::move(responses),
                                       [&problem] { return addGoals(problem); },
                                       levels};
    VarnoRun run{bench::runStudy(study, recorder), {}};
    run.result = recorder.result();
    return run;
}

// --- statistics and table -----------------------------------------------------------

// The runs of one tool on one problem and budget, one per seed.
struct Cell {
    std::vector<RunResult> runs;
    VarnoState state = VarnoState::ok;
};

struct Summary {
    double median = none, best = none, worst = none;
    int feasible = 0, minEvaluations = 0, maxEvaluations = 0;
};

Summary summarise(const std::vector<RunResult>& runs) {
    std::vector<double> values;
    Summary s;
    s.minEvaluations = std::numeric_limits<int>::max();
    for (const RunResult& run : runs) {
        values.push_back(run.best);
        if (run.best < none) ++s.feasible;
        s.minEvaluations = std::min(s.minEvaluations, run.evaluations);
        s.maxEvaluations = std::max(s.maxEvaluations, run.evaluations);
    }
    if (values.empty()) return s;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    s.median = n % 2 == 1 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
    s.best = values.front();
    s.worst = values.back();
    return s;
}

std::string formatValue(double value) {
    if (!(value < none)) return "\u2014";
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

constexpr std::size_t columnWidth = 14;

std::string cellText(const Cell& cell, const std::string& statistic) {
    if (cell.state == VarnoState::unavailable) return "n/a";
    if (cell.state == VarnoState::failed) return "error";
    const Summary s = summarise(cell.runs);
    if (statistic == "median") return formatValue(s.median);
    if (statistic == "best") return formatValue(s.best);
    if (statistic == "worst") return formatValue(s.worst);
    if (statistic == "feasible") {
        return std::to_string(s.feasible) + "/" + std::to_string(cell.runs.size());
    }
    if (s.minEvaluations == s.maxEvaluations) return std::to_string(s.maxEvaluations);
    return std::to_string(s.minEvaluations) + ".." + std::to_string(s.maxEvaluations);
}

void printProblemHeader(const Problem& problem) {
    std::printf("\n%s: %d variables, %d constraints, best known %s%s\n", problem.name.c_str(),
                problem.dimension(), problem.constraintCount(),
                formatValue(problem.optimum).c_str(),
                problem.shifted ? " (optimum shifted per seed)" : "");
    bench::printToolHeader(toolNames, columnWidth);
}

void printBudgetRows(const Problem& problem, int budget, const std::vector<Cell>& cells) {
    std::vector<std::string> statistics{"median", "best", "worst"};
    if (problem.constraintCount() > 0) statistics.push_back("feasible");
    statistics.push_back("evals");
    bench::printStatisticRows(budget, statistics, cells.size(), columnWidth,
                              [&cells](std::size_t c, const std::string& statistic) {
                                  return cellText(cells[c], statistic);
                              });
}

void printPreamble(const bench::Options& options, bool varnoAvailable, int levels) {
    std::printf(
        "Search quality per evaluation budget: best FEASIBLE objective found within the budget\n"
        "(median / best / worst over seeds 1..%d; \u2014 = no feasible design; 'evals' = the\n"
        "evaluations the runs used (min..max when they differ), counted around the problem).\n"
        "Rosenbrock, Rastrigin, Ackley and Griewank are shifted by a fixed random offset per\n"
        "seed (the same for every tool; up to 40%% of the half-width), so no tool starts at the\n"
        "optimum; Branin and Hartmann-6 are not.\n"
        "Constraints g(x) <= 0: pagmo's SADE, PSO and CMA-ES have no constraint handling, so\n"
        "they minimise f + w * sum(max(0, g_i/s_i)^2); VARNO gets each constraint as a study\n"
        "constraint (less_equal 0, factor s_i, quadWt w), the same penalty; random search\n"
        "needs none. Vessel thicknesses: continuous, rounded to multiples of 0.0625 inside\n"
        "the objective for every tool.\n"
        "Settings: SADE pop %u, gen = budget/%u - 1, variant 2 (rand/1/exp), jDE adaptation;\n"
        "PSO swarm %u, gen = budget/%u - 1, constriction (variant 5), omega 0.7298,\n"
        "eta1 = eta2 = 2.05, max_vel 0.5, lbest ring of 4; CMA-ES lambda %u,\n"
        "gen = budget/%u - 1, sigma0 %.1f of the box width, default learning rates, bounds\n"
        "enforced; all with ftol = xtol = 0 (the budget is the only stop). NLopt (penalised\n"
        "objective): CRS2-LM with its default population and BOBYQA with its default initial\n"
        "step, both with xtol_rel 1e-10, start from VARNO's random baseline and restart from\n"
        "uniform random points until the budget is spent. Random search: uniform in the box\n"
        "(std::mt19937). VARNO: TRAVOK, resolution %d, random baseline.\n",
        options.seeds, deSize, deSize, swarmSize, swarmSize, cmaLambda, cmaLambda, cmaSigma0,
        levels);
    if (!varnoAvailable) std::printf("VARNO TRAVOK: n/a (not available in this build)\n");
}

// --- driver ---------------------------------------------------------------------------------

std::vector<Cell> runCells(const bench::Scratch& scratch, const Problem& problem, int budget,
                           int seeds, bool travokOnly, int levels) {
    std::vector<Cell> cells(toolCount);
    if (travokOnly) {
        for (int t = sade; t < toolCount; ++t)
            cells[static_cast<std::size_t>(t)].state = VarnoState::unavailable;
    }
    for (int s = 1; s <= seeds; ++s) {
        const auto seed = static_cast<unsigned>(s);
        const Instance instance(problem, seed);
        VarnoRun varno = runVarno(scratch, instance, budget, seed, levels);
        bench::noteStudy(cells[varnoTravok].state, varno.study, s);
        cells[varnoTravok].runs.push_back(varno.result);
        if (travokOnly) continue;
        for (Tool tool : {sade, pso, cmaes}) {
            cells[tool].runs.push_back(runPagmo(tool, instance, budget, seed));
        }
        for (Tool tool : {crs2, bobyqa}) {
            cells[tool].runs.push_back(runNlopt(tool, instance, budget, seed));
        }
        cells[randomSearch].runs.push_back(runRandom(instance, budget, seed));
    }
    return cells;
}

// --- results file ---------------------------------------------------------------------------

// The options this benchmark reads besides those of bench::parseOptions.
struct Selection {
    std::string json;  // "--json FILE"; "" when absent
    bool travokOnly = false;
    int levels = 10'000'001;            // "--levels N"
    std::vector<std::string> problems;  // every problem when empty
    std::vector<int> budgets;           // the default budgets when empty
};

std::vector<int> budgetList(const std::string& text) {
    std::vector<int> budgets;
    std::stringstream items(text);
    for (std::string item; std::getline(items, item, ',');) budgets.push_back(std::stoi(item));
    return budgets;
}

// Removes this benchmark's own options from the arguments.
Selection takeSelection(int& argc, char** argv) {
    Selection selection;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool valued = i + 1 < argc;
        if (arg == "--json" && valued) {
            selection.json = argv[++i];
        } else if (arg == "--problem" && valued) {
            selection.problems.emplace_back(argv[++i]);
        } else if (arg == "--budgets" && valued) {
            selection.budgets = budgetList(argv[++i]);
        } else if (arg == "--levels" && valued) {
            selection.levels = std::stoi(argv[++i]);
        } else if (arg == "--travok-only") {
            selection.travokOnly = true;
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    return selection;
}

std::vector<Problem> selectedProblems(const std::vector<std::string>& names) {
    std::vector<Problem> chosen;
    for (const Problem& problem : bench::problemSuite()) {
        if (names.empty() || std::find(names.begin(), names.end(), problem.name) != names.end()) {
            chosen.push_back(problem);
        }
    }
    return chosen;
}

// A run's best feasible objective; null when none was feasible.
nlohmann::json bestOf(const RunResult& run) {
    return run.best < none ? nlohmann::json(run.best) : nlohmann::json(nullptr);
}

nlohmann::json problemJson(const Problem& problem, const std::vector<int>& budgets,
                           const std::vector<std::vector<Cell>>& rows) {
    nlohmann::json runs = nlohmann::json::object();
    for (std::size_t b = 0; b < budgets.size(); ++b) {
        nlohmann::json perTool = nlohmann::json::object();
        for (std::size_t t = 0; t < rows[b].size(); ++t) {
            const Cell& cell = rows[b][t];
            if (cell.state != VarnoState::ok) continue;
            nlohmann::json bests = nlohmann::json::array();
            for (const RunResult& run : cell.runs) bests.push_back(bestOf(run));
            perTool[toolNames[t]] = bests;
        }
        runs[std::to_string(budgets[b])] = perTool;
    }
    return {{"name", problem.name}, {"optimum", problem.optimum}, {"runs", runs}};
}

// Every run's best feasible objective per problem, budget and tool.
void writeJson(const std::string& path, const bench::Options& options,
               const std::vector<Problem>& suite,
               const std::vector<std::vector<std::vector<Cell>>>& table) {
    nlohmann::json problems = nlohmann::json::array();
    for (std::size_t p = 0; p < suite.size(); ++p) {
        problems.push_back(problemJson(suite[p], options.budgets, table[p]));
    }
    const nlohmann::json results{
        {"seeds", options.seeds},
        {"budgets", options.budgets},
        {"tools", std::vector<std::string>(toolNames, toolNames + toolCount)},
        {"problems", problems}};
    std::ofstream(path) << results.dump(1) << "\n";
}

}  // namespace

int main(int argc, char** argv) {
    bench::Options options{10, {250, 500, 2000}};
    const Selection selection = takeSelection(argc, argv);
    if (!bench::parseOptions(argc, argv, options, {3, {250, 500}})) return 2;
    if (!selection.budgets.empty()) options.budgets = selection.budgets;
    const bench::Scratch scratch("varno_search_quality_");
    const auto start = bench::Clock::now();
    const std::vector<Problem> suite = selectedProblems(selection.problems);
    if (suite.empty()) {
        std::fprintf(stderr, "no problem of that name\n");
        return 2;
    }
    const auto table =
        bench::runTable(suite, options.budgets, start, [&](const Problem& problem, int budget) {
            return runCells(scratch, problem, budget, options.seeds, selection.travokOnly,
                            selection.levels);
        });
    printPreamble(options, bench::varnoAvailable(table, varnoTravok), selection.levels);
    bench::printTable(suite, options.budgets, table, start, printProblemHeader, printBudgetRows);
    if (!selection.json.empty()) writeJson(selection.json, options, suite, table);
    return 0;
}
