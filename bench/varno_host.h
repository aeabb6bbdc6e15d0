// Host side shared by the quality benchmarks: options, scratch folder, a study
// defined and run through VARNO's C interface, and the table driver.
#ifndef VARNO_BENCH_VARNO_HOST_H
#define VARNO_BENCH_VARNO_HOST_H

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include <pagmo/algorithm.hpp>
#include <pagmo/problem.hpp>

namespace bench {

// --- settings -------------------------------------------------------------

struct Options {
    int seeds = 10;
    std::vector<int> budgets;
};

// Reads --quick (switches to `quick`) and --seeds N; false after printing usage.
bool parseOptions(int argc, char** argv, Options& options, const Options& quick);

// --- text -------------------------------------------------------------------

// `value` with all 17 significant digits.
std::string number(double value);

// "<prefix><i>" (built by appending: GCC 12 warns falsely on "x" + string).
std::string indexed(const char* prefix, int i);

// "<prefix>1" .. "<prefix><count>".
std::vector<std::string> indexedNames(const char* prefix, int count);

std::string lastMessage();

// --- evaluation budget --------------------------------------------------------

struct BudgetExhausted {};

// Evolves a population of `size` until the algorithm ends or the problem
// throws BudgetExhausted; what was evaluated counts either way.
void evolveWithinBudget(const pagmo::problem& problem, unsigned size, unsigned seed,
                        pagmo::algorithm algorithm);

// The host side of the design cycle: evaluates designs within a budget.
class DesignEvaluator {
public:
    virtual ~DesignEvaluator() = default;
    virtual int responses() const = 0;
    virtual bool exhausted() const = 0;
    // Writes the raw responses of design `x` to `row`.
    virtual void respond(const double* x, double* row) = 0;
};

// --- VARNO through the C interface ---------------------------------------------

// A scratch folder for the study files, removed at the end.
class Scratch {
public:
    explicit Scratch(const char* prefix);
    ~Scratch();
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    std::string freshRunDirectory() const;

private:
    std::filesystem::path root_;
};

// The generator seed in (0, 1) of a benchmark seed.
double varnoSeed(unsigned seed);

// The random baseline of a study's variables for `seed`, uniform in the box.
std::vector<double> baselinePoint(unsigned seed, const std::vector<double>& lower,
                                  const std::vector<double>& upper);

// Continuous variables x1..xn with the random baseline of baselinePoint, API responses, and the
// goals added by `addGoals`.
struct StudyDefinition {
    std::string folder;
    unsigned seed = 0;
    std::string method;
    std::vector<double> lower, upper;
    std::vector<std::string> responses;
    std::function<bool()> addGoals;
    int resolution = 10001;  // levels of every continuous variable
};

// Adds `name` as a minimised objective with linear weight 1.
bool addObjective(const std::string& name);

enum class VarnoState { ok, unavailable, failed };

struct StudyOutcome {
    VarnoState state = VarnoState::ok;
    std::string message;
};

// Defines the study and runs its design cycle until it completes or the
// evaluator's budget is spent; ends the study.
StudyOutcome runStudy(const StudyDefinition& study, DesignEvaluator& evaluator);

// Keeps a study's unavailable or failed state in `cellState`; failures go to stderr.
void noteStudy(VarnoState& cellState, const StudyOutcome& outcome, int seed);

// --- table ------------------------------------------------------------------

// Right-aligns `text` in `width` columns, counting UTF-8 characters.
std::string pad(const std::string& text, std::size_t width);

// The column header: "budget", then a column per tool.
void printToolHeader(std::span<const char* const> tools, std::size_t width);

// A line per statistic, the budget on the first; `text(column, statistic)`
// fills each of `columns` columns.
void printStatisticRows(int budget, const std::vector<std::string>& statistics, std::size_t columns,
                        std::size_t width,
                        const std::function<std::string(std::size_t, const std::string&)>& text);

// The library writes a note to stdout at the end of each study; while the
// runs go on stdout is discarded, so that it holds only the table. (Failures
// are read from the message log.)
class QuietStdout {
public:
    QuietStdout();
    ~QuietStdout();
    QuietStdout(const QuietStdout&) = delete;
    QuietStdout& operator=(const QuietStdout&) = delete;

private:
    int saved_;
};

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start);

// Runs `runCells(problem, budget)` for every problem and budget with stdout
// discarded, reporting progress on stderr; returns table[problem][budget].
template <class Suite, class RunCells>
auto runTable(const Suite& suite, const std::vector<int>& budgets, Clock::time_point start,
              RunCells runCells) {
    std::vector<std::vector<decltype(runCells(suite.front(), 0))>> table;
    const std::size_t total = suite.size() * budgets.size();
    std::size_t done = 0;
    const QuietStdout quiet;
    for (const auto& problem : suite) {
        table.emplace_back();
        for (int budget : budgets) {
            table.back().push_back(runCells(problem, budget));
            std::fprintf(stderr, "[%zu/%zu] %s, budget %d: done (%.1f s)\n", ++done, total,
                         problem.name.c_str(), budget, secondsSince(start));
        }
    }
    return table;
}

// False when a cell of column `tool` found VARNO unavailable.
template <class Table>
bool varnoAvailable(const Table& table, std::size_t tool) {
    for (const auto& row : table) {
        for (const auto& cells : row) {
            if (cells[tool].state == VarnoState::unavailable) return false;
        }
    }
    return true;
}

// Prints each problem's header and its rows per budget, then the total time.
template <class Suite, class Table, class Header, class Rows>
void printTable(const Suite& suite, const std::vector<int>& budgets, const Table& table,
                Clock::time_point start, Header header, Rows rows) {
    for (std::size_t p = 0; p < suite.size(); ++p) {
        header(suite[p]);
        for (std::size_t b = 0; b < budgets.size(); ++b) rows(suite[p], budgets[b], table[p][b]);
    }
    std::printf("\nTotal time %.1f s\n", secondsSince(start));
}

}  // namespace bench

#endif
