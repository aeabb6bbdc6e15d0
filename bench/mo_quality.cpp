// Multi-objective search quality per evaluation budget: VARNO's MOTRAVOK
// search (through the C interface, optionally a second column with extra
// method keys), pagmo's NSGA-II and MOEA/D and a random search, with the same
// budgets and seeds, on the unconstrained ZDT and DTLZ problems and the
// constrained BNH, TNK, SRN and OSY. Each run is judged by the feasible
// non-dominated set of ALL designs it evaluated: its hypervolume (reference
// point 1.1 per normalised objective) and its IGD+ to the true front; the
// table shows medians over the seeds. Progress goes to stderr, the table to
// stdout.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
#include <random>
#include <sstream>
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
#include "varno.h"
#include "varno_host.h"

namespace {

using bench::MoProblem;
using bench::Point;
using bench::VarnoState;

// --- settings -------------------------------------------------------------

enum Tool { varnoMotravok, varnoWith, nsga2, moead, randomSearch, toolCount };
const char* const toolNames[toolCount] = {"VARNO MOTRAVOK", "VARNO +keys", "pagmo NSGA-II",
                                          "pagmo MOEA/D", "random"};

struct Settings {
    int seeds = 10;
    std::vector<int> budgets{500, 2000, 5000};
    std::vector<std::string> problems;  // empty: all
    std::string extraKeys;              // method keys of the second VARNO column
    bool varnoOnly = false;
    bool anchorsOnly = false;
    bool trace = false;

    bool runs(Tool tool) const {
        if (tool == varnoWith) return !extraKeys.empty() && !anchorsOnly;
        if (tool == varnoMotravok) return !anchorsOnly;
        return !varnoOnly;
    }
};

std::vector<std::string> split(const std::string& text) {
    std::vector<std::string> parts;
    std::stringstream stream(text);
    for (std::string part; std::getline(stream, part, ',');) {
        if (!part.empty()) parts.push_back(part);
    }
    return parts;
}

bool parseSettings(int argc, char** argv, Settings& settings) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--quick") {
            settings.seeds = 3;
            settings.budgets = {2000};
        } else if (arg == "--seeds" && hasValue) {
            settings.seeds = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--budgets" && hasValue) {
            settings.budgets.clear();
            for (const std::string& b : split(argv[++i]))
                settings.budgets.push_back(std::atoi(b.c_str()));
        } else if (arg == "--problems" && hasValue) {
            settings.problems = split(argv[++i]);
        } else if (arg == "--with" && hasValue) {
            settings.extraKeys = argv[++i];
        } else if (arg == "--varno-only") {
            settings.varnoOnly = true;
        } else if (arg == "--anchors-only") {
            settings.anchorsOnly = true;
        } else if (arg == "--trace") {
            settings.trace = true;
        } else {
            std::fprintf(
                stderr,
                "usage: %s [--quick] [--seeds N] [--budgets B1,B2,..] [--problems P1,P2,..]\n"
                "       [--with 'key: value\\nkey: value'] [--varno-only | --anchors-only]\n"
                "       [--trace]\n"
                "  --with adds a VARNO column whose method block has these extra keys;\n"
                "  --varno-only leaves out the pagmo and random columns, --anchors-only\n"
                "  the VARNO ones (the two halves of one table can run apart); --trace prints\n"
                "  the distance g from the Pareto set and the f1 extent of the evaluated\n"
                "  front at each tenth of the budget.\n",
                argv[0]);
            return false;
        }
    }
    return !settings.budgets.empty() &&
           std::all_of(settings.budgets.begin(), settings.budgets.end(),
                       [](int b) { return b > 0; });
}

// Population (and VARNO archive) sizes.
unsigned populationFor(const MoProblem& problem) { return problem.objectives == 2 ? 40u : 100u; }

constexpr double nsgaCrossover = 0.9, nsgaEtaC = 20.0, nsgaEtaM = 20.0;

// pagmo's NSGA-II and MOEA/D take no constraints: they see each objective
// plus 1 + 10 x (summed scaled violation) at an infeasible point.
constexpr double penaltyStep = 1.0, penaltyWeight = 10.0;

const char* moeadWeights(const MoProblem& problem) {
    return problem.objectives == 2 ? "grid" : "low discrepancy";
}

Point referencePoint(const MoProblem& problem) {
    return Point(static_cast<std::size_t>(problem.objectives), bench::referenceLevel);
}

constexpr int traceSteps = 10;

// --- evaluation record ----------------------------------------------------

// The state of the evaluated front at one tenth of the budget.
struct TracePoint {
    double distance = 0.0;  // median g over the front
    double extent = 0.0;    // largest minus smallest f1 over the front
};

// What a run achieved with the feasible non-dominated set of all it evaluated.
struct RunResult {
    double hypervolume = 0.0;
    double igdPlus = 0.0;
    int frontSize = 0;
    int evaluations = 0;
    std::vector<TracePoint> trace;
};

double median(std::vector<double> values) {
    if (values.empty()) return std::numeric_limits<double>::quiet_NaN();
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

// Indices of the non-dominated points among the first `count`.
std::vector<std::size_t> frontIndices(const std::vector<Point>& points, std::size_t count) {
    std::vector<std::size_t> front;
    for (std::size_t i = 0; i < count; ++i) {
        bool dominated = false;
        for (std::size_t j = 0; j < front.size() && !dominated; ++j) {
            dominated = bench::dominates(points[front[j]], points[i]) ||
                        points[front[j]] == points[i];
        }
        if (dominated) continue;
        std::erase_if(front, [&](std::size_t j) { return bench::dominates(points[i], points[j]); });
        front.push_back(i);
    }
    return front;
}

// Counts and keeps every evaluation of one run; refuses to go past the budget.
// As a design evaluator: the objectives, then the constraints.
class Recorder : public bench::DesignEvaluator {
public:
    Recorder(const MoProblem& problem, int budget) : problem_(problem), budget_(budget) {}

    const MoProblem& problem() const { return problem_; }
    bool exhausted() const override { return evaluations_ >= budget_; }

    // The normalised objectives and raw constraints at the unit-box point u;
    // returns the summed scaled violation.
    double evaluate(const double* u, double* f, double* g) {
        if (exhausted()) throw bench::BudgetExhausted{};
        ++evaluations_;
        const double violation = problem_.evaluate(u, f, g);
        if (violation > 0.0) return violation;
        feasible_.emplace_back(f, f + problem_.objectives);
        if (problem_.distance != nullptr) {
            distances_.push_back(problem_.distance(problem_.mapped(u).data()));
        }
        feasibleAt_.push_back(evaluations_);
        return violation;
    }

    // The objectives with the penalty of an infeasible point.
    Point penalised(const double* u) {
        Point f(static_cast<std::size_t>(problem_.objectives));
        std::vector<double> g(static_cast<std::size_t>(problem_.constraints()));
        const double violation = evaluate(u, f.data(), g.data());
        if (violation > 0.0) {
            for (double& v : f) v += penaltyStep + penaltyWeight * violation;
        }
        return f;
    }

    int responses() const override { return problem_.objectives + problem_.constraints(); }
    void respond(const double* u, double* row) override {
        evaluate(u, row, row + problem_.objectives);
    }

    RunResult result(bool trace) const {
        const Point reference = referencePoint(problem_);
        const std::vector<Point> boxed = bench::nonDominated(feasible_, reference);
        std::vector<Point> front;
        for (std::size_t i : frontIndices(feasible_, feasible_.size()))
            front.push_back(feasible_[i]);
        RunResult run{bench::hypervolume(boxed, reference),
                      bench::igdPlus(front, problem_.referenceFront),
                      static_cast<int>(boxed.size()),
                      evaluations_,
                      {}};
        if (trace && problem_.distance != nullptr) run.trace = traced();
        return run;
    }

private:
    std::vector<TracePoint> traced() const {
        std::vector<TracePoint> trace;
        for (int step = 1; step <= traceSteps; ++step) {
            const int upTo = evaluations_ * step / traceSteps;
            const auto count = static_cast<std::size_t>(
                std::upper_bound(feasibleAt_.begin(), feasibleAt_.end(), upTo) -
                feasibleAt_.begin());
            std::vector<double> distances;
            double low = 1e300, high = -1e300;
            for (std::size_t i : frontIndices(feasible_, count)) {
                distances.push_back(distances_[i]);
                low = std::min(low, feasible_[i][0]);
                high = std::max(high, feasible_[i][0]);
            }
            trace.push_back({median(distances), distances.empty() ? 0.0 : high - low});
        }
        return trace;
    }

    const MoProblem& problem_;
    int budget_;
    int evaluations_ = 0;
    std::vector<Point> feasible_;
    std::vector<double> distances_;
    std::vector<int> feasibleAt_;  // the evaluation count at each feasible point
};

// --- random search ----------------------------------------------------------

void runRandom(Recorder& recorder, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    std::vector<double> x(static_cast<std::size_t>(recorder.problem().dimension()));
    while (!recorder.exhausted()) {
        for (double& v : x) v = uniform(random);
        recorder.penalised(x.data());
    }
}

// --- pagmo ----------------------------------------------------------------------

// The problem as pagmo sees it, counted.
struct PagmoProblem {
    std::shared_ptr<Recorder> recorder;

    pagmo::vector_double fitness(const pagmo::vector_double& x) const {
        return recorder->penalised(x.data());
    }
    std::pair<pagmo::vector_double, pagmo::vector_double> get_bounds() const {
        const std::size_t n = recorder ? static_cast<std::size_t>(recorder->problem().dimension())
                                       : 1u;
        return {pagmo::vector_double(n, 0.0), pagmo::vector_double(n, 1.0)};
    }
    pagmo::vector_double::size_type get_nobj() const {
        return recorder
                   ? static_cast<pagmo::vector_double::size_type>(recorder->problem().objectives)
                   : 2u;
    }
    std::string get_name() const { return "counted multi-objective problem"; }
};

pagmo::algorithm pagmoAlgorithm(Tool tool, const MoProblem& problem, int budget, unsigned seed) {
    const unsigned population = populationFor(problem);
    const unsigned generations = (static_cast<unsigned>(budget) + population - 1) / population - 1u;
    if (tool == nsga2) {
        return pagmo::algorithm{pagmo::nsga2(generations, nsgaCrossover, nsgaEtaC,
                                             1.0 / problem.dimension(), nsgaEtaM, seed)};
    }
    return pagmo::algorithm{pagmo::moead(generations, moeadWeights(problem), "tchebycheff", 20u,
                                         1.0, 0.5, 20.0, 0.9, 2u, true, seed)};
}

void runPagmo(Tool tool, const std::shared_ptr<Recorder>& recorder, int budget, unsigned seed) {
    const MoProblem& problem = recorder->problem();
    bench::evolveWithinBudget(pagmo::problem{PagmoProblem{recorder}}, populationFor(problem), seed,
                              pagmoAlgorithm(tool, problem, budget, seed * 31u + tool));
}

// --- VARNO through the C interface -------------------------------------------------

// Each objective, and each constraint as g <= 0 with the problem's scale as
// normalisation.
bool addGoals(const MoProblem& problem) {
    for (const std::string& name : bench::indexedNames("f", problem.objectives)) {
        if (!bench::addObjective(name)) return false;
    }
    for (int j = 0; j < problem.constraints(); ++j) {
        const std::string name = bench::indexed("g", j + 1);
        const std::string text =
            "type: constraint\nfactor: " +
            bench::number(problem.constraintScales[static_cast<std::size_t>(j)]) +
            "\noption: less_equal\ntarget: 0\nquadWt: 1\nlinearWt: 0\nacceptMin: -1e300\n"
            "acceptMax: 1e300";
        if (!VARNO_addResponseToStudy(name.c_str(), text.c_str())) return false;
    }
    return true;
}

bench::StudyOutcome runVarno(const bench::Scratch& scratch, Recorder& recorder, int budget,
                             unsigned seed, const std::string& extraKeys) {
    const MoProblem& problem = recorder.problem();
    const std::vector<double> lower(static_cast<std::size_t>(problem.dimension()), 0.0);
    const std::vector<double> upper(lower.size(), 1.0);
    std::string method = "method: MOTRAVOK\nnumEvals: " + std::to_string(budget) +
                         "\narchiveSize: " + std::to_string(populationFor(problem)) +
                         "\nshutOff: 0";
    if (!extraKeys.empty()) method += "\n" + extraKeys;
    std::vector<std::string> responses = bench::indexedNames("f", problem.objectives);
    for (const std::string& g : bench::indexedNames("g", problem.constraints())) {
        responses.push_back(g);
    }
    const bench::StudyDefinition study{
        scratch.freshRunDirectory(), seed, method, lower, upper, responses, [&problem] {
            return addGoals(problem);
        }};
    return bench::runStudy(study, recorder);
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

using Cells = std::vector<Cell>;

std::string formatted(const char* format, double value) {
    if (std::isinf(value)) return "inf";
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

double medianOf(const Cell& cell, double RunResult::*field) {
    std::vector<double> values;
    for (const RunResult& run : cell.runs) values.push_back(run.*field);
    return median(values);
}

std::string cellText(const Cell& cell, const std::string& statistic) {
    if (cell.state == VarnoState::unavailable) return "n/a";
    if (cell.state == VarnoState::failed) return "error";
    if (cell.runs.empty()) return "-";
    if (statistic == "evals") return evaluationRange(cell.runs);
    if (statistic == "hv") return formatted("%.4f", medianOf(cell, &RunResult::hypervolume));
    if (statistic == "igd+") return formatted("%.4g", medianOf(cell, &RunResult::igdPlus));
    std::vector<double> sizes;
    for (const RunResult& run : cell.runs) sizes.push_back(run.frontSize);
    return formatted("%.0f", median(sizes));
}

constexpr std::size_t columnWidth = 16;

std::vector<Tool> shownTools(const Settings& settings) {
    std::vector<Tool> tools;
    for (int t = 0; t < toolCount; ++t) {
        if (settings.runs(static_cast<Tool>(t))) tools.push_back(static_cast<Tool>(t));
    }
    return tools;
}

void printPreamble(const Settings& settings, bool varnoAvailable) {
    std::printf(
        "\nMulti-objective search quality per evaluation budget. Each run is judged by the\n"
        "feasible non-dominated set of ALL designs it evaluated within the budget, objectives\n"
        "normalised by the ideal and nadir points of the true front: 'hv' = its hypervolume\n"
        "(reference point 1.1 per objective, exact; larger is better), 'igd+' = its IGD+ to\n"
        "the true front (about 1000 points; smaller is better), medians over seeds 1..%d;\n"
        "'front' = median size of the set inside the reference box; 'evals' = evaluations\n"
        "used (min..max when they differ), counted around the problem.\n"
        "Settings: population (and VARNO archive) 40 for 2 objectives, 100 for 3;\n"
        "gen = ceil(budget/population) - 1. NSGA-II: cr %.1f, eta_c %.0f, m = 1/n, eta_m %.0f.\n"
        "MOEA/D: weights grid (2 obj.) / low discrepancy (3 obj.), Tchebycheff, 20 neighbours,\n"
        "CR 1, F 0.5, eta_m 20, realb 0.9, limit 2, diversity preserved. pagmo sees an\n"
        "infeasible point's objectives plus %.0f + %.0f x its summed scaled violation. Random\n"
        "search: uniform in [0,1]^n. VARNO: MOTRAVOK, shutOff 0, resolution 10001, random\n"
        "baseline, constraints g <= 0 scaled like the violation%s%s.\n",
        settings.seeds, nsgaCrossover, nsgaEtaC, nsgaEtaM, penaltyStep, penaltyWeight,
        settings.extraKeys.empty() ? "" : "; 'VARNO +keys' adds the method keys: ",
        settings.extraKeys.c_str());
    if (!settings.anchorsOnly && !varnoAvailable)
        std::printf("VARNO MOTRAVOK: n/a (not available in this build)\n");
}

void printProblemHeader(const MoProblem& problem, const Settings& settings) {
    std::printf("\n%s: %d variables, %d objectives, %d constraints, true front hypervolume %.4f\n",
                problem.name.c_str(), problem.dimension(), problem.objectives,
                problem.constraints(), problem.frontHypervolume);
    std::vector<const char*> names;
    for (Tool tool : shownTools(settings)) names.push_back(toolNames[tool]);
    bench::printToolHeader(names, columnWidth);
}

void printBudgetRows(int budget, const Cells& cells, const Settings& settings) {
    const std::vector<Tool> tools = shownTools(settings);
    bench::printStatisticRows(budget, {"hv", "igd+", "front", "evals"}, tools.size(), columnWidth,
                              [&](std::size_t c, const std::string& statistic) {
                                  return cellText(cells[static_cast<std::size_t>(tools[c])],
                                                  statistic);
                              });
}

// The tool with the smallest median IGD+ among those run (ties: the first).
Tool bestByIgd(const Cells& cells, const Settings& settings) {
    Tool best = toolCount;
    double bestValue = std::numeric_limits<double>::infinity();
    for (Tool tool : shownTools(settings)) {
        const Cell& cell = cells[static_cast<std::size_t>(tool)];
        if (cell.runs.empty() || cell.state != VarnoState::ok) continue;
        const double value = medianOf(cell, &RunResult::igdPlus);
        if (best == toolCount || value < bestValue) {
            best = tool;
            bestValue = value;
        }
    }
    return best;
}

// Per budget, the rows whose best median IGD+ is a VARNO column's.
void printSummary(const std::vector<MoProblem>& problems,
                  const std::vector<std::vector<Cells>>& table, const Settings& settings) {
    std::printf("\nBest median IGD+ per budget (row winners):\n");
    for (std::size_t b = 0; b < settings.budgets.size(); ++b) {
        std::string line;
        int varnoWins = 0;
        for (std::size_t p = 0; p < problems.size(); ++p) {
            const Tool best = bestByIgd(table[p][b], settings);
            varnoWins += best == varnoMotravok || best == varnoWith;
            line +=
                " " + problems[p].name + ":" + (best == toolCount ? "-" : toolNames[best]) + ";";
        }
        std::printf("  %5d: VARNO best in %d of %zu rows.%s\n", settings.budgets[b], varnoWins,
                    problems.size(), line.c_str());
    }
}

// Medians over the seeds of the trace of one tool.
void printTrace(const MoProblem& problem, int budget, const Cells& cells,
                const Settings& settings) {
    if (problem.distance == nullptr) return;
    for (Tool tool : shownTools(settings)) {
        const Cell& cell = cells[static_cast<std::size_t>(tool)];
        if (cell.runs.empty() || cell.runs.front().trace.empty() || tool == randomSearch) continue;
        for (const char* quantity : {"g", "f1 extent"}) {
            std::string line = "  trace " + problem.name + " " + std::to_string(budget) + " " +
                               toolNames[tool] + " " + quantity + ":";
            for (int step = 0; step < traceSteps; ++step) {
                std::vector<double> values;
                for (const RunResult& run : cell.runs) {
                    const TracePoint& point = run.trace[static_cast<std::size_t>(step)];
                    values.push_back(quantity[0] == 'g' ? point.distance : point.extent);
                }
                line += ' ';
                line += formatted("%.3g", median(values));
            }
            std::printf("%s\n", line.c_str());
        }
    }
}

// --- driver ---------------------------------------------------------------------------------

Cells runCells(const bench::Scratch& scratch, const MoProblem& problem, int budget,
               const Settings& settings) {
    Cells cells(toolCount);
    for (int s = 1; s <= settings.seeds; ++s) {
        const auto seed = static_cast<unsigned>(s);
        for (Tool tool : shownTools(settings)) {
            auto recorder = std::make_shared<Recorder>(problem, budget);
            if (tool == varnoMotravok || tool == varnoWith) {
                const std::string keys = tool == varnoWith ? settings.extraKeys : "";
                bench::noteStudy(cells[tool].state,
                                 runVarno(scratch, *recorder, budget, seed, keys), s);
            } else if (tool == randomSearch) {
                runRandom(*recorder, seed);
            } else {
                runPagmo(tool, recorder, budget, seed);
            }
            cells[tool].runs.push_back(recorder->result(settings.trace));
        }
    }
    return cells;
}

}  // namespace

int main(int argc, char** argv) {
    Settings settings;
    if (!parseSettings(argc, argv, settings)) return 2;
    std::vector<MoProblem> problems;
    for (const MoProblem& problem : bench::moProblemSuite()) {
        const bool asked = settings.problems.empty() ||
                           std::find(settings.problems.begin(), settings.problems.end(),
                                     problem.name) != settings.problems.end();
        if (asked) problems.push_back(problem);
    }
    if (problems.empty()) {
        std::fprintf(stderr,
                     "no problem of that name (ZDT1-4, ZDT6, DTLZ1, DTLZ2, BNH, TNK, SRN, OSY)\n");
        return 2;
    }
    std::printf("Hypervolume check against pagmo::hypervolume (reference point 1.1):\n");
    const double difference = checkHypervolume();
    std::printf("Hypervolume check: %s (largest relative difference %.1e)\n",
                difference < 1e-9 ? "PASS" : "FAIL", difference);
    const bench::Scratch scratch("varno_mo_quality_");
    const auto start = bench::Clock::now();
    const auto table = bench::runTable(problems, settings.budgets, start,
                                       [&](const MoProblem& problem, int budget) {
                                           return runCells(scratch, problem, budget, settings);
                                       });
    printPreamble(settings, bench::varnoAvailable(table, varnoMotravok));
    for (std::size_t p = 0; p < problems.size(); ++p) {
        printProblemHeader(problems[p], settings);
        for (std::size_t b = 0; b < settings.budgets.size(); ++b) {
            printBudgetRows(settings.budgets[b], table[p][b], settings);
        }
        if (settings.trace) {
            for (std::size_t b = 0; b < settings.budgets.size(); ++b) {
                printTrace(problems[p], settings.budgets[b], table[p][b], settings);
            }
        }
    }
    printSummary(problems, table, settings);
    std::printf("\nTotal time %.1f s\n", bench::secondsSince(start));
    return difference < 1e-9 ? 0 : 1;
}
