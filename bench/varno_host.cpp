#include "varno_host.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

#include <pagmo/population.hpp>

#include "varno.h"

namespace bench {

bool parseOptions(int argc, char** argv, Options& options, const Options& quick) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--quick") {
            options = quick;
        } else if (arg == "--seeds" && i + 1 < argc) {
            options.seeds = std::max(1, std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr, "usage: %s [--quick] [--seeds N]\n", argv[0]);
            return false;
        }
    }
    return true;
}

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

std::string indexed(const char* prefix, int i) {
    std::string text(prefix);
    text += std::to_string(i);
    return text;
}

std::vector<std::string> indexedNames(const char* prefix, int count) {
    std::vector<std::string> names;
    for (int i = 1; i <= count; ++i) names.push_back(indexed(prefix, i));
    return names;
}

std::string lastMessage() {
    const char* message = VARNO_getLastMessage();
    return message != nullptr ? message : "(no message)";
}

void evolveWithinBudget(const pagmo::problem& problem, unsigned size, unsigned seed,
                        pagmo::algorithm algorithm) {
    try {
        pagmo::population population{problem, size, seed};
        population = algorithm.evolve(population);
    } catch (const BudgetExhausted&) {
        // The budget is spent; what was evaluated counts.
    }
}

// --- scratch folder -----------------------------------------------------------

Scratch::Scratch(const char* prefix)
    : root_(std::filesystem::temp_directory_path() / (prefix + std::to_string(getpid()))) {
    std::filesystem::create_directories(root_);
    setenv("VARNO_ROOT", root_.c_str(), 0);
}

Scratch::~Scratch() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

std::string Scratch::freshRunDirectory() const {
    const std::filesystem::path run = root_ / "run";
    std::filesystem::remove_all(run);
    std::filesystem::create_directories(run);
    return run.string();
}

// --- study --------------------------------------------------------------------

double varnoSeed(unsigned seed) {
    const double golden = 0.6180339887498949;
    const double fraction = std::fmod(seed * golden, 1.0);
    return fraction > 0.0 ? fraction : 0.5;
}

std::vector<double> baselinePoint(unsigned seed, const std::vector<double>& lower,
                                  const std::vector<double>& upper) {
    std::mt19937 random(seed * 104729u + 3u);
    std::vector<double> point;
    for (std::size_t i = 0; i < lower.size(); ++i) {
        point.push_back(std::uniform_real_distribution<double>(lower[i], upper[i])(random));
    }
    return point;
}

namespace {

bool defineParameters(const StudyDefinition& study) {
    const std::vector<double> baseline = baselinePoint(study.seed, study.lower, study.upper);
    for (std::size_t i = 0; i < study.lower.size(); ++i) {
        const double lo = study.lower[i], hi = study.upper[i];
        const int id = static_cast<int>(i) + 1;
        const std::string name = indexed("x", id);
        const std::string text = indexed("type: Continuous\nid: ", id) + "\nmin: " + number(lo) +
                                 "\nbaseline: " + number(baseline[i]) + "\nmax: " + number(hi);
        if (!VARNO_defineNewProjectParameter(name.c_str(), text.c_str())) return false;
    }
    return true;
}

bool defineResponses(const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        if (!VARNO_defineNewProjectResponse(name.c_str(), "type: API")) return false;
    }
    return true;
}

bool addVariables(std::size_t dimension, int resolution) {
    for (int id = 1; id <= static_cast<int>(dimension); ++id) {
        const std::string name = indexed("x", id);
        const std::string text = indexed("type: Continuous\nid: ", id) +
                                 "\nresolution: " + std::to_string(resolution) +
                                 "\ndistribution: NONE";
        if (!VARNO_addVariableToStudy(name.c_str(), text.c_str())) return false;
    }
    return true;
}

bool defineStudy(const StudyDefinition& study) {
    const std::string options = "workingDirectory: " + study.folder + "\ndeleteResults: yes";
    const std::string level = "startAgent: 0\nendAgent: 0\nfilePrefix: q\nrandomSeed: " +
                              number(varnoSeed(study.seed)) + "\nmode: newStudy";
    return VARNO_initializeStudySetup(options.c_str()) &&
           VARNO_createNewStudy("s", "type: optimization") && defineParameters(study) &&
           defineResponses(study.responses) && VARNO_defineStudyLevelData("q", level.c_str()) &&
           VARNO_defineSearchMethodData("m", study.method.c_str()) &&
           addVariables(study.lower.size(), study.resolution) && study.addGoals() &&
           VARNO_finalizeStudyData();
}

double finiteResponse(double value) {
    if (std::isnan(value)) return 1e300;
    return std::clamp(value, -1e300, 1e300);
}

// Evaluates one set; designs past the budget go back as failed evaluations.
// Returns the update's result.
int evaluateSet(DesignEvaluator& evaluator, int count, int* ids, double** values) {
    const int responses = evaluator.responses();
    std::vector<std::vector<double>> rows(count, std::vector<double>(responses, 0.0));
    std::vector<double*> rowPointers;
    std::vector<int> flags(count, 0);
    for (int i = 0; i < count; ++i) {
        rowPointers.push_back(rows[i].data());
        if (evaluator.exhausted()) {
            flags[i] = 1;
            continue;
        }
        evaluator.respond(values[i], rows[i].data());
        for (double& value : rows[i]) value = finiteResponse(value);
    }
    return VARNO_updateResultsForDesignSet(count, ids, flags.data(), rowPointers.data(), nullptr);
}

// The design cycle until the study completes or the budget is spent.
StudyOutcome designCycle(DesignEvaluator& evaluator) {
    StudyOutcome outcome;
    for (bool first = true;; first = false) {
        int* ids = nullptr;
        double** values = nullptr;
        const int count = VARNO_getNextSetOfDesignsFromStudy(&ids, &values);
        if (count <= 0) {
            if (first) {
                outcome.message = lastMessage();
                const bool missing = outcome.message.find("not available in this build") !=
                                     std::string::npos;
                outcome.state = missing ? VarnoState::unavailable : VarnoState::failed;
            }
            break;
        }
        const int updated = evaluateSet(evaluator, count, ids, values);
        VARNO_freePtr(ids);
        VARNO_freePtr(values);
        if (updated != 1) {
            outcome.state = VarnoState::failed;
            outcome.message = lastMessage();
            break;
        }
        if (VARNO_isStudyComplete() || evaluator.exhausted()) break;
    }
    return outcome;
}

}  // namespace

bool addObjective(const std::string& name) {
    return VARNO_addResponseToStudy(name.c_str(),
                                    "type: objective\nfactor: 1\noption: min_value\ntarget: 0\n"
                                    "quadWt: 0\nlinearWt: 1\nacceptMin: -1e300\n"
                                    "acceptMax: 1e300");
}

StudyOutcome runStudy(const StudyDefinition& study, DesignEvaluator& evaluator) {
    StudyOutcome outcome;
    if (defineStudy(study)) {
        outcome = designCycle(evaluator);
    } else {
        outcome.state = VarnoState::failed;
        outcome.message = lastMessage();
    }
    VARNO_endStudy();
    return outcome;
}

void noteStudy(VarnoState& cellState, const StudyOutcome& outcome, int seed) {
    if (outcome.state == VarnoState::ok) return;
    cellState = outcome.state;
    if (outcome.state == VarnoState::failed) {
        std::fprintf(stderr, "  VARNO seed %d: %s\n", seed, outcome.message.c_str());
    }
}

// --- table ----------------------------------------------------------------------

std::string pad(const std::string& text, std::size_t width) {
    const auto chars = static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
    return std::string(width > chars ? width - chars : 0, ' ') + text;
}

void printToolHeader(std::span<const char* const> tools, std::size_t width) {
    std::string line = pad("budget", 7) + pad("", 12);
    for (const char* name : tools) line += pad(name, width);
    std::printf("%s\n", line.c_str());
}

void printStatisticRows(int budget, const std::vector<std::string>& statistics, std::size_t columns,
                        std::size_t width,
                        const std::function<std::string(std::size_t, const std::string&)>& text) {
    bool first = true;
    for (const std::string& statistic : statistics) {
        std::string line = pad(first ? std::to_string(budget) : "", 7) + "  " + statistic;
        line += std::string(10 > statistic.size() ? 10 - statistic.size() : 0, ' ');
        for (std::size_t c = 0; c < columns; ++c) line += pad(text(c, statistic), width);
        std::printf("%s\n", line.c_str());
        first = false;
    }
}

QuietStdout::QuietStdout() : saved_(dup(STDOUT_FILENO)) {
    std::fflush(stdout);
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0) {
        dup2(null, STDOUT_FILENO);
        close(null);
    }
}

QuietStdout::~QuietStdout() {
    std::fflush(stdout);
    dup2(saved_, STDOUT_FILENO);
    close(saved_);
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace bench
