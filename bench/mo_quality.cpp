// Multi-objective search quality per evaluation budget: VARNO's MOTRAVOK
// search (through the C interface), pagmo's NSGA-II and MOEA/D and a random
// search on ZDT1-3 and DTLZ2 with the same budgets and seeds. Each run reports
// the hypervolume of the non-dominated set of ALL designs it evaluated
// (reference point 1.1 per objective); the table shows median, best and worst
// over the seeds. Progress goes to stderr, the table to stdout.
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
#include <pagmo/algorithms/moead.hpp>
#include <pagmo/algorithms/nsga2.hpp>
#include <pagmo/population.hpp>
#include <pagmo/problem.hpp>
#include <pagmo/utils/hypervolume.hpp>

#include "hypervolume.h"
#include "mo_problems.h"
#include "varno.h"

namespace {

using bench::MoProblem;
using bench::Point;

// --- settings -------------------------------------------------------------

struct Options {
    int seeds = 10;
    std::vector<int> budgets{1000, 5000};
};

enum Tool { varnoMotravok, nsga2, moead, randomSearch, toolCount };
const char* const toolNames[toolCount] = {"VARNO MOTRAVOK", "pagmo NSGA-II", "pagmo MOEA/D",
                                          "random"};

// Population (and VARNO archive) sizes; both divide every budget.
unsigned populationFor(const MoProblem& problem) { return problem.objectives == 2 ? 40u : 100u; }

constexpr double nsgaCrossover = 0.9, nsgaEtaC = 20.0, nsgaEtaM = 20.0;

const char* moeadWeights(const MoProblem& problem) {
    return problem.objectives == 2 ? "grid" : "low discrepancy";
}

bool parseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--quick") {
            options.seeds = 3;
            options.budgets = {1000};
        } else if (arg == "--seeds" && i + 1 < argc) {
            options.seeds = std::max(1, std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr, "usage: %s [--quick] [--seeds N]\n", argv[0]);
            return false;
        }
    }
    return true;
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

struct BudgetExhausted {};

// Counts and keeps every evaluation of one run; refuses to go past the budget.
class Recorder {
public:
    Recorder(const MoProblem& problem, int budget) : problem_(problem), budget_(budget) {}

    const MoProblem& problem() const { return problem_; }
    bool exhausted() const { return static_cast<int>(evaluated_.size()) >= budget_; }

    Point evaluate(const double* x) {
        if (exhausted()) throw BudgetExhausted{};
        std::vector<double> inside(x, x + problem_.dimension);
        for (double& v : inside) v = std::clamp(v, 0.0, 1.0);
        Point f(problem_.objectives);
        problem_.evaluate(inside.data(), f.data());
        evaluated_.push_back(f);
        return f;
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
    try {
        pagmo::problem udp{PagmoProblem{recorder}};
        pagmo::population population{udp, populationFor(problem), seed};
        pagmo::algorithm algorithm = pagmoAlgorithm(tool, problem, budget, seed * 31u + tool);
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
                ("varno_mo_quality_" + std::to_string(getpid()))) {
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

bool defineParameters(const MoProblem& problem, unsigned seed) {
    std::mt19937 random(seed * 104729u + 3u);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    for (int i = 0; i < problem.dimension; ++i) {
        const std::string name = indexed("x", i + 1);
        const std::string text = indexed("type: Continuous\nid: ", i + 1) +
                                 "\nmin: 0\nbaseline: " + number(uniform(random)) + "\nmax: 1";
        if (!VARNO_defineNewProjectParameter(name.c_str(), text.c_str())) return false;
    }
    return true;
}

bool defineResponses(const MoProblem& problem) {
    for (int k = 0; k < problem.objectives; ++k) {
        const std::string name = indexed("f", k + 1);
        if (!VARNO_defineNewProjectResponse(name.c_str(), "type: API")) return false;
    }
    return true;
}

bool addVariables(const MoProblem& problem) {
    for (int i = 0; i < problem.dimension; ++i) {
        const std::string name = indexed("x", i + 1);
        const std::string text = indexed("type: Continuous\nid: ", i + 1) +
                                 "\nresolution: 10001\ndistribution: NONE";
        if (!VARNO_addVariableToStudy(name.c_str(), text.c_str())) return false;
    }
    return true;
}

bool addObjectives(const MoProblem& problem) {
    for (int k = 0; k < problem.objectives; ++k) {
        const std::string name = indexed("f", k + 1);
        if (!VARNO_addResponseToStudy(name.c_str(),
                                      "type: objective\nfactor: 1\noption: min_value\ntarget: 0\n"
                                      "quadWt: 0\nlinearWt: 1\nacceptMin: -1e300\n"
                                      "acceptMax: 1e300")) {
            return false;
        }
    }
    return true;
}

bool defineStudy(const MoProblem& problem, int budget, unsigned seed, const std::string& folder) {
    const std::string options = "workingDirectory: " + folder + "\ndeleteResults: yes";
    const std::string level = "startAgent: 0\nendAgent: 0\nfilePrefix: q\nrandomSeed: " +
                              number(varnoSeed(seed)) + "\nmode: newStudy";
    const std::string method = "method: MOTRAVOK\nnumEvals: " + std::to_string(budget) +
                               "\narchiveSize: " + std::to_string(populationFor(problem)) +
                               "\nshutOff: 0";
    return VARNO_initializeStudySetup(options.c_str()) &&
           VARNO_createNewStudy("s", "type: optimization") && defineParameters(problem, seed) &&
           defineResponses(problem) && VARNO_defineStudyLevelData("q", level.c_str()) &&
           VARNO_defineSearchMethodData("m", method.c_str()) && addVariables(problem) &&
           addObjectives(problem) && VARNO_finalizeStudyData();
}

double finiteResponse(double value) {
    if (std::isnan(value)) return 1e300;
    return std::clamp(value, -1e300, 1e300);
}

// Evaluates one set; designs past the budget go back as failed evaluations.
// Returns the update's result.
int evaluateSet(Recorder& recorder, int count, int* ids, double** values) {
    const int objectives = recorder.problem().objectives;
    std::vector<std::vector<double>> rows(count, std::vector<double>(objectives, 0.0));
    std::vector<double*> rowPointers;
    std::vector<int> flags(count, 0);
    for (int i = 0; i < count; ++i) {
        rowPointers.push_back(rows[i].data());
        if (recorder.exhausted()) {
            flags[i] = 1;
            continue;
        }
        const Point f = recorder.evaluate(values[i]);
        for (int k = 0; k < objectives; ++k) rows[i][k] = finiteResponse(f[k]);
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

VarnoRun runVarno(const Scratch& scratch, const MoProblem& problem, int budget, unsigned seed) {
    Recorder recorder(problem, budget);
    VarnoRun run;
    if (defineStudy(problem, budget, seed, scratch.freshRunDirectory())) {
        run = designCycle(recorder);
    } else {
        run.state = VarnoState::failed;
        run.message = lastMessage();
    }
    VARNO_endStudy();
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
        sphere.points.push_back({r * std::cos(a) * std::cos(b), r * std::cos(a) * std::sin(b),
                                 r * std::sin(a)});
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
        std::printf("  %-26s pagmo %.12f, ours %.12f, relative difference %.1e\n", set.name,
                    theirs, raw, difference);
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

std::string pad(const std::string& text, std::size_t width) {
    return std::string(width > text.size() ? width - text.size() : 0, ' ') + text;
}

constexpr std::size_t columnWidth = 16;

void printProblemHeader(const MoProblem& problem) {
    std::printf("\n%s: %d variables, %d objectives, hypervolume of the true front %.4f\n",
                problem.name.c_str(), problem.dimension, problem.objectives,
                problem.frontHypervolume);
    std::string line = pad("budget", 7) + pad("", 12);
    for (const char* name : toolNames) line += pad(name, columnWidth);
    std::printf("%s\n", line.c_str());
}

void printBudgetRows(int budget, const std::vector<Cell>& cells) {
    bool first = true;
    for (const std::string statistic : {"median", "best", "worst", "front", "evals"}) {
        std::string line = pad(first ? std::to_string(budget) : "", 7) + "  " + statistic;
        line += std::string(10 - statistic.size(), ' ');
        for (const Cell& cell : cells) line += pad(cellText(cell, statistic), columnWidth);
        std::printf("%s\n", line.c_str());
        first = false;
    }
}

void printPreamble(const Options& options, bool varnoAvailable) {
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

// The library writes a note to stdout at the end of each study; while the
// runs go on stdout is discarded, so that it holds only the table.
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

std::vector<Cell> runCells(const Scratch& scratch, const MoProblem& problem, int budget,
                           int seeds) {
    std::vector<Cell> cells(toolCount);
    for (int s = 1; s <= seeds; ++s) {
        const auto seed = static_cast<unsigned>(s);
        VarnoRun varno = runVarno(scratch, problem, budget, seed);
        if (varno.state != VarnoState::ok) {
            cells[varnoMotravok].state = varno.state;
            if (varno.state == VarnoState::failed) {
                std::fprintf(stderr, "  VARNO seed %d: %s\n", s, varno.message.c_str());
            }
        }
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
    Options options;
    if (!parseOptions(argc, argv, options)) return 2;
    std::printf("Hypervolume check against pagmo::hypervolume (reference point 1.1):\n");
    const double difference = checkHypervolume();
    std::printf("Hypervolume check: %s (largest relative difference %.1e)\n",
                difference < 1e-9 ? "PASS" : "FAIL", difference);
    const Scratch scratch;
    const auto start = Clock::now();
    const auto& suite = bench::moProblemSuite();
    std::vector<std::vector<std::vector<Cell>>> table;
    bool varnoAvailable = true;
    const std::size_t total = suite.size() * options.budgets.size();
    std::size_t done = 0;
    {
        const QuietStdout quiet;
        for (const MoProblem& problem : suite) {
            table.emplace_back();
            for (int budget : options.budgets) {
                table.back().push_back(runCells(scratch, problem, budget, options.seeds));
                if (table.back().back()[varnoMotravok].state == VarnoState::unavailable) {
                    varnoAvailable = false;
                }
                std::fprintf(stderr, "[%zu/%zu] %s, budget %d: done (%.1f s)\n", ++done, total,
                             problem.name.c_str(), budget, secondsSince(start));
            }
        }
    }
    printPreamble(options, varnoAvailable);
    for (std::size_t p = 0; p < suite.size(); ++p) {
        printProblemHeader(suite[p]);
        for (std::size_t b = 0; b < options.budgets.size(); ++b) {
            printBudgetRows(options.budgets[b], table[p][b]);
        }
    }
    std::printf("\nTotal time %.1f s\n", secondsSince(start));
    return difference < 1e-9 ? 0 : 1;
}
