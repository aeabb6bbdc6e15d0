// Search quality per evaluation budget: VARNO's TRAVOK search (through the C
// interface), pagmo's SADE, PSO and CMA-ES and a random search run on the same
// problems, budgets and seeds. Each run reports the best feasible objective
// among all designs it evaluated; the table shows median, best and worst over
// the seeds. Progress goes to stderr, the table to stdout.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include <pagmo/algorithm.hpp>
#include <pagmo/algorithms/cmaes.hpp>
#include <pagmo/algorithms/pso.hpp>
#include <pagmo/algorithms/sade.hpp>
#include <pagmo/population.hpp>
#include <pagmo/problem.hpp>

#include "problems.h"
#include "varno.h"

namespace {

using bench::Evaluation;
using bench::Instance;
using bench::Problem;

constexpr double none = std::numeric_limits<double>::infinity();

// --- settings -------------------------------------------------------------

struct Options {
    int seeds = 10;
    std::vector<int> budgets{250, 500, 2000};
};

enum Tool { varnoTravok, sade, pso, cmaes, randomSearch, toolCount };
const char* const toolNames[toolCount] = {"VARNO TRAVOK", "pagmo SADE", "pagmo PSO",
                                          "pagmo CMA-ES", "random"};

// Population sizes: they divide every budget, so each run spends it exactly.
constexpr unsigned deSize = 25, swarmSize = 25, cmaLambda = 10;
constexpr double cmaSigma0 = 0.3;

bool parseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--quick") {
            options.seeds = 3;
            options.budgets = {250, 500};
        } else if (arg == "--seeds" && i + 1 < argc) {
            options.seeds = std::max(1, std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr, "usage: %s [--quick] [--seeds N]\n", argv[0]);
            return false;
        }
    }
    return true;
}

// --- evaluation record ----------------------------------------------------

// What a run achieved: the best feasible objective (`none` when no design
// was feasible) and the evaluations it used.
struct RunResult {
    double best = none;
    int evaluations = 0;
};

struct BudgetExhausted {};

// Counts and records every evaluation of one run; refuses to go past the
// budget.
class Recorder {
public:
    Recorder(const Instance& instance, int budget) : instance_(instance), budget_(budget) {}

    const Instance& instance() const { return instance_; }
    bool exhausted() const { return result_.evaluations >= budget_; }
    const RunResult& result() const { return result_; }

    Evaluation evaluate(const double* x) {
        if (exhausted()) throw BudgetExhausted{};
        Evaluation e = instance_.evaluate(x);
        ++result_.evaluations;
        if (Instance::feasible(e)) result_.best = std::min(result_.best, e.objective);
        return e;
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
            return pagmo::algorithm{pagmo::sade(generationsFor(budget, deSize), 2u, 1u, 0.0, 0.0,
                                                false, seed)};
        case pso:
            return pagmo::algorithm{pagmo::pso(generationsFor(budget, swarmSize), 0.7298, 2.05,
                                               2.05, 0.5, 5u, 2u, 4u, false, seed)};
        default:
            return pagmo::algorithm{pagmo::cmaes(generationsFor(budget, cmaLambda), -1, -1, -1,
                                                 -1, cmaSigma0, 0.0, 0.0, false, true, seed)};
    }
}

unsigned populationSize(Tool tool) {
    return tool == sade ? deSize : tool == pso ? swarmSize : cmaLambda;
}

RunResult runPagmo(Tool tool, const Instance& instance, int budget, unsigned seed) {
    auto recorder = std::make_shared<Recorder>(instance, budget);
    try {
        pagmo::problem problem{PagmoProblem{recorder}};
        pagmo::population population{problem, populationSize(tool), seed};
        pagmo::algorithm algorithm = pagmoAlgorithm(tool, budget, seed * 31u + tool);
        population = algorithm.evolve(population);
    } catch (const BudgetExhausted&) {
        // The budget is spent; what was evaluated counts.
    }
    return recorder->result();
}

// --- VARNO through the C interface -------------------------------------------------

enum class VarnoState { ok, unavailable, failed };

struct VarnoRun {
    VarnoState state = VarnoState::ok;
    RunResult result;
    std::string message;
};

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

// "<prefix><i>" (built by appending: GCC 12 warns falsely on "x" + string).
std::string indexed(const char* prefix, int i) {
    std::string text(prefix);
    text += std::to_string(i);
    return text;
}

std::string lastMessage() {
    const char* message = VARNO_getLastMessage();
    return message != nullptr ? message : "(no message)";
}

// A scratch folder for the study files, removed at the end.
class Scratch {
public:
    Scratch()
        : root_(std::filesystem::temp_directory_path() /
                ("varno_search_quality_" + std::to_string(getpid()))) {
        std::filesystem::create_directories(root_);
        setenv("VARNO_ROOT", root_.c_str(), 0);
    }
    ~Scratch() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    std::string freshRunDirectory() const {
        const std::filesystem::path run = root_ / "run";
        std::filesystem::remove_all(run);
        std::filesystem::create_directories(run);
        return run.string();
    }

private:
    std::filesystem::path root_;
};

// The generator seed in (0, 1) of a benchmark seed.
double varnoSeed(unsigned seed) {
    const double golden = 0.6180339887498949;
    const double fraction = std::fmod(seed * golden, 1.0);
    return fraction > 0.0 ? fraction : 0.5;
}

bool defineParameters(const Problem& problem, unsigned seed) {
    std::mt19937 random(seed * 104729u + 3u);
    for (int i = 0; i < problem.dimension(); ++i) {
        const double lo = problem.lower[i], hi = problem.upper[i];
        const double baseline = std::uniform_real_distribution<double>(lo, hi)(random);
        const std::string name = indexed("x", i + 1);
        const std::string text = indexed("type: Continuous\nid: ", i + 1) + "\nmin: " +
                                 number(lo) + "\nbaseline: " + number(baseline) +
                                 "\nmax: " + number(hi);
        if (!VARNO_defineNewProjectParameter(name.c_str(), text.c_str())) return false;
    }
    return true;
}

bool defineResponses(const Problem& problem) {
    if (!VARNO_defineNewProjectResponse("f", "type: API")) return false;
    for (int j = 0; j < problem.constraintCount(); ++j) {
        const std::string name = indexed("g", j + 1);
        if (!VARNO_defineNewProjectResponse(name.c_str(), "type: API")) return false;
    }
    return true;
}

bool addVariables(const Problem& problem) {
    for (int i = 0; i < problem.dimension(); ++i) {
        const std::string name = indexed("x", i + 1);
        const std::string text = indexed("type: Continuous\nid: ", i + 1) +
                                 "\nresolution: 10001\ndistribution: NONE";
        if (!VARNO_addVariableToStudy(name.c_str(), text.c_str())) return false;
    }
    return true;
}

// The objective, and each constraint as g <= 0 with the problem's scale as
// normalisation and its penalty weight as quadratic weight.
bool addGoals(const Problem& problem) {
    if (!VARNO_addResponseToStudy("f", "type: objective\nfactor: 1\noption: min_value\ntarget: 0\n"
                                       "quadWt: 0\nlinearWt: 1\nacceptMin: -1e300\n"
                                       "acceptMax: 1e300")) {
        return false;
    }
    for (int j = 0; j < problem.constraintCount(); ++j) {
        const std::string name = indexed("g", j + 1);
        const std::string text = "type: constraint\nfactor: " + number(problem.scales[j]) +
                                 "\noption: less_equal\ntarget: 0\nquadWt: " +
                                 number(problem.penaltyWeight) +
                                 "\nlinearWt: 0\nacceptMin: -1e300\nacceptMax: 1e300";
        if (!VARNO_addResponseToStudy(name.c_str(), text.c_str())) return false;
    }
    return true;
}

bool defineStudy(const Problem& problem, int budget, unsigned seed, const std::string& folder) {
    const std::string options = "workingDirectory: " + folder + "\ndeleteResults: yes";
    const std::string level = "startAgent: 0\nendAgent: 0\nfilePrefix: q\nrandomSeed: " +
                              number(varnoSeed(seed)) + "\nmode: newStudy";
    const std::string method = "method: TRAVOK\nnumEvals: " + std::to_string(budget);
    return VARNO_initializeStudySetup(options.c_str()) &&
           VARNO_createNewStudy("s", "type: optimization") && defineParameters(problem, seed) &&
           defineResponses(problem) && VARNO_defineStudyLevelData("q", level.c_str()) &&
           VARNO_defineSearchMethodData("m", method.c_str()) && addVariables(problem) &&
           addGoals(problem) && VARNO_finalizeStudyData();
}

double finiteResponse(double value) {
    if (std::isnan(value)) return 1e300;
    return std::clamp(value, -1e300, 1e300);
}

// Evaluates one set; designs past the budget go back as failed evaluations.
// Returns the update's result.
int evaluateSet(Recorder& recorder, int count, int* ids, double** values) {
    const int responses = 1 + recorder.instance().problem().constraintCount();
    std::vector<std::vector<double>> rows(count, std::vector<double>(responses, 0.0));
    std::vector<double*> rowPointers;
    std::vector<int> flags(count, 0);
    for (int i = 0; i < count; ++i) {
        rowPointers.push_back(rows[i].data());
        if (recorder.exhausted()) {
            flags[i] = 1;
            continue;
        }
        const Evaluation e = recorder.evaluate(values[i]);
        rows[i][0] = finiteResponse(e.objective);
        for (std::size_t j = 0; j < e.constraints.size(); ++j) {
            rows[i][j + 1] = finiteResponse(e.constraints[j]);
        }
    }
    return VARNO_updateResultsForDesignSet(count, ids, flags.data(), rowPointers.data(), nullptr);
}

// The design cycle until the study completes or the budget is spent.
VarnoRun designCycle(Recorder& recorder) {
    VarnoRun run;
    for (bool first = true;; first = false) {
        int* ids = nullptr;
        double** values = nullptr;
        const int count = VARNO_getNextSetOfDesignsFromStudy(&ids, &values);
        if (count <= 0) {
            if (first) {
                run.message = lastMessage();
                const bool missing = run.message.find("not available in this build") !=
                                     std::string::npos;
                run.state = missing ? VarnoState::unavailable : VarnoState::failed;
            }
            break;
        }
        const int updated = evaluateSet(recorder, count, ids, values);
        VARNO_freePtr(ids);
        VARNO_freePtr(values);
        if (updated != 1) {
            run.state = VarnoState::failed;
            run.message = lastMessage();
            break;
        }
        if (VARNO_isStudyComplete() || recorder.exhausted()) break;
    }
    run.result = recorder.result();
    return run;
}

VarnoRun runVarno(const Scratch& scratch, const Instance& instance, int budget, unsigned seed) {
    Recorder recorder(instance, budget);
    VarnoRun run;
    if (defineStudy(instance.problem(), budget, seed, scratch.freshRunDirectory())) {
        run = designCycle(recorder);
    } else {
        run.state = VarnoState::failed;
        run.message = lastMessage();
    }
    VARNO_endStudy();
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

// Right-aligns `text` in `width` columns, counting UTF-8 characters.
std::string pad(const std::string& text, std::size_t width) {
    const auto chars = static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
    return std::string(width > chars ? width - chars : 0, ' ') + text;
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
    std::string line = pad("budget", 7) + pad("", 12);
    for (const char* name : toolNames) line += pad(name, columnWidth);
    std::printf("%s\n", line.c_str());
}

void printBudgetRows(const Problem& problem, int budget, const std::vector<Cell>& cells) {
    std::vector<std::string> statistics{"median", "best", "worst"};
    if (problem.constraintCount() > 0) statistics.push_back("feasible");
    statistics.push_back("evals");
    bool first = true;
    for (const std::string& statistic : statistics) {
        std::string line = pad(first ? std::to_string(budget) : "", 7) + "  " + statistic;
        line += std::string(10 > statistic.size() ? 10 - statistic.size() : 0, ' ');
        for (const Cell& cell : cells) line += pad(cellText(cell, statistic), columnWidth);
        std::printf("%s\n", line.c_str());
        first = false;
    }
}

void printPreamble(const Options& options, bool varnoAvailable) {
    std::printf(
        "Search quality per evaluation budget: best FEASIBLE objective found within the budget\n"
        "(median / best / worst over seeds 1..%d; \u2014 = no feasible design; 'evals' = the\n"
        "evaluations the runs used (min..max when they differ), counted around the problem).\n"
        "Rosenbrock, Rastrigin and Ackley are shifted by a fixed random offset per seed (the\n"
        "same for every tool; up to 40%% of the half-width), so no tool starts at the optimum.\n"
        "Constraints g(x) <= 0: pagmo's SADE, PSO and CMA-ES have no constraint handling, so\n"
        "they minimise f + w * sum(max(0, g_i/s_i)^2); VARNO gets each constraint as a study\n"
        "constraint (less_equal 0, factor s_i, quadWt w), the same penalty; random search\n"
        "needs none. Vessel thicknesses: continuous, rounded to multiples of 0.0625 inside\n"
        "the objective for every tool.\n"
        "Settings: SADE pop %u, gen = budget/%u - 1, variant 2 (rand/1/exp), jDE adaptation;\n"
        "PSO swarm %u, gen = budget/%u - 1, constriction (variant 5), omega 0.7298,\n"
        "eta1 = eta2 = 2.05, max_vel 0.5, lbest ring of 4; CMA-ES lambda %u,\n"
        "gen = budget/%u - 1, sigma0 %.1f of the box width, default learning rates, bounds\n"
        "enforced; all with ftol = xtol = 0 (the budget is the only stop). Random search:\n"
        "uniform in the box (std::mt19937). VARNO: TRAVOK, resolution 10001, random baseline.\n",
        options.seeds, deSize, deSize, swarmSize, swarmSize, cmaLambda, cmaLambda, cmaSigma0);
    if (!varnoAvailable) std::printf("VARNO TRAVOK: n/a (not available in this build)\n");
}

// The library writes a note to stdout at the end of each study; while the
// runs go on stdout is discarded, so that it holds only the table. (Failures
// are read from the message log.)
class QuietStdout {
public:
    QuietStdout() : saved_(dup(STDOUT_FILENO)) {
        std::fflush(stdout);
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) {
            dup2(null, STDOUT_FILENO);
            close(null);
        }
    }
    ~QuietStdout() {
        std::fflush(stdout);
        dup2(saved_, STDOUT_FILENO);
        close(saved_);
    }
    QuietStdout(const QuietStdout&) = delete;
    QuietStdout& operator=(const QuietStdout&) = delete;

private:
    int saved_;
};

// --- driver ---------------------------------------------------------------------------------

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::vector<Cell> runCells(const Scratch& scratch, const Problem& problem, int budget,
                           int seeds) {
    std::vector<Cell> cells(toolCount);
    for (int s = 1; s <= seeds; ++s) {
        const auto seed = static_cast<unsigned>(s);
        const Instance instance(problem, seed);
        VarnoRun varno = runVarno(scratch, instance, budget, seed);
        if (varno.state != VarnoState::ok) {
            cells[varnoTravok].state = varno.state;
            if (varno.state == VarnoState::failed) {
                std::fprintf(stderr, "  VARNO seed %d: %s\n", s, varno.message.c_str());
            }
        }
        cells[varnoTravok].runs.push_back(varno.result);
        for (Tool tool : {sade, pso, cmaes}) {
            cells[tool].runs.push_back(runPagmo(tool, instance, budget, seed));
        }
        cells[randomSearch].runs.push_back(runRandom(instance, budget, seed));
    }
    return cells;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseOptions(argc, argv, options)) return 2;
    const Scratch scratch;
    const auto start = Clock::now();
    const auto& suite = bench::problemSuite();
    std::vector<std::vector<std::vector<Cell>>> table;
    bool varnoAvailable = true;
    const std::size_t total = suite.size() * options.budgets.size();
    std::size_t done = 0;
    {
        const QuietStdout quiet;
        for (const Problem& problem : suite) {
            table.emplace_back();
            for (int budget : options.budgets) {
                table.back().push_back(runCells(scratch, problem, budget, options.seeds));
                const VarnoState state = table.back().back()[varnoTravok].state;
                if (state == VarnoState::unavailable) varnoAvailable = false;
                std::fprintf(stderr, "[%zu/%zu] %s, budget %d: done (%.1f s)\n", ++done, total,
                             problem.name.c_str(), budget, secondsSince(start));
            }
        }
    }
    printPreamble(options, varnoAvailable);
    for (std::size_t p = 0; p < suite.size(); ++p) {
        printProblemHeader(suite[p]);
        for (std::size_t b = 0; b < options.budgets.size(); ++b) {
            printBudgetRows(suite[p], options.budgets[b], table[p][b]);
        }
    }
    std::printf("\nTotal time %.1f s\n", secondsSince(start));
    return 0;
}
