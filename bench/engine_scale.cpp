// How the engine's cost grows with the number of stored designs, through the C
// interface: a TRAVOK search on a 10-variable sphere, and the sharing of host
// designs with their results in batches of 1,000. Each prints the engine time
// (the time spent inside VARNO's calls, not the host's evaluation) per 10,000
// designs, and the total. Shared designs go in with their results, and again
// without, handed out and evaluated batch by batch (the host's evaluation of
// the sphere is then timed too; it is trivial).
//
//   bench_engine_scale [--designs N] [--search-only | --sharing-only]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include "varno.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int variableCount = 10;
constexpr int reportEvery = 10000;
constexpr int shareBatch = 1000;
constexpr double lowerBound = -5.0;
constexpr double upperBound = 5.0;

double sphere(const double* x) {
    double sum = 0.0;
    for (int i = 0; i < variableCount; ++i) sum += x[i] * x[i];
    return sum;
}

void setEnvironment(const char* name, const std::string& value) {
#ifdef _WIN32
    _putenv_s(name, value.c_str());
#else
    setenv(name, value.c_str(), 1);
#endif
}

// A scratch folder holding VARNO_ROOT and the study's working directory.
class Scratch {
public:
    Scratch() : root_(std::filesystem::temp_directory_path() / "varno_engine_scale") {
        std::filesystem::remove_all(root_);
        std::filesystem::create_directories(root_ / "run");
        setEnvironment("VARNO_ROOT", root_.string());
    }
    ~Scratch() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    std::string runFolder() const { return (root_ / "run").string(); }

private:
    std::filesystem::path root_;
};

bool defineVariables() {
    for (int id = 1; id <= variableCount; ++id) {
        // Built by appending: GCC 12 warns falsely on "x" + string.
        std::string name = "x";
        name += std::to_string(id);
        std::string idLine = "type: Continuous\nid: ";
        idLine += std::to_string(id);
        const std::string parameter = idLine + "\nmin: -5\nbaseline: 1.5\nmax: 5";
        const std::string variable = idLine + "\nresolution: 10001\ndistribution: NONE";
        if (!VARNO_defineNewProjectParameter(name.c_str(), parameter.c_str()) ||
            !VARNO_addVariableToStudy(name.c_str(), variable.c_str())) {
            return false;
        }
    }
    return true;
}

// A TRAVOK study minimising the sphere, with a budget of `evaluations`.
bool defineStudy(const std::string& folder, int evaluations) {
    const std::string options = "workingDirectory: " + folder + "\ndeleteResults: yes";
    const std::string level =
        "startAgent: 0\nendAgent: 0\nfilePrefix: s\nrandomSeed: 0.618\nmode: newStudy";
    const std::string method = "method: TRAVOK\nnumEvals: " + std::to_string(evaluations);
    return VARNO_initializeStudySetup(options.c_str()) &&
           VARNO_createNewStudy("scale", "type: optimization") &&
           VARNO_defineNewProjectResponse("f", "type: API") && defineVariables() &&
           VARNO_defineStudyLevelData("s", level.c_str()) &&
           VARNO_defineSearchMethodData("m", method.c_str()) &&
           VARNO_addResponseToStudy("f", "type: objective\nfactor: 1\noption: min_value\n"
                                         "target: 0\nquadWt: 0\nlinearWt: 1\n"
                                         "acceptMin: -1e300\nacceptMax: 1e300") &&
           VARNO_finalizeStudyData();
}

const char* lastMessage() {
    const char* message = VARNO_getLastMessage();
    return message != nullptr ? message : "(no message)";
}

// Engine seconds per `reportEvery` designs, printed as the designs pass each
// multiple of it.
class Progress {
public:
    explicit Progress(const char* title) : title_(title) { std::printf("%s\n", title); }

    void add(double seconds, int designs) {
        sinceReport_ += seconds;
        total_ += seconds;
        designs_ += designs;
        while (designs_ >= nextReport_) {
            std::printf("  %7d designs: %8.3f s per %d (total %8.3f s)\n", nextReport_,
                        sinceReport_, reportEvery, total_);
            std::fflush(stdout);
            sinceReport_ = 0.0;
            nextReport_ += reportEvery;
        }
    }
    void finish() const {
        std::printf("  %s: %d designs, engine time %.3f s\n\n", title_, designs_, total_);
    }

private:
    const char* title_;
    double sinceReport_ = 0.0;
    double total_ = 0.0;
    int designs_ = 0;
    int nextReport_ = reportEvery;
};

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The design cycle until `designs` designs are evaluated or the study ends.
bool runSearch(const std::string& folder, int designs) {
    if (!defineStudy(folder, designs)) return false;
    Progress progress("TRAVOK, 10-variable sphere");
    for (;;) {
        int* ids = nullptr;
        double** values = nullptr;
        auto start = Clock::now();
        const int count = VARNO_getNextSetOfDesignsFromStudy(&ids, &values);
        double engine = secondsSince(start);
        if (count <= 0) break;
        std::vector<std::vector<double>> rows(static_cast<std::size_t>(count));
        std::vector<double*> rowPointers;
        for (int i = 0; i < count; ++i) {
            rows[i].assign(1, sphere(values[i]));
            rowPointers.push_back(rows[i].data());
        }
        start = Clock::now();
        const int updated =
            VARNO_updateResultsForDesignSet(count, ids, nullptr, rowPointers.data(), nullptr);
        VARNO_freePtr(ids);
        VARNO_freePtr(values);
        engine += secondsSince(start);
        progress.add(engine, count);
        if (updated != 1) return false;
        if (VARNO_isStudyComplete()) break;
    }
    progress.finish();
    return true;
}

// Hands out the shared designs still without results and returns theirs.
bool evaluateShared() {
    int* ids = nullptr;
    double** values = nullptr;
    const int count = VARNO_getNextSetOfDesignsFromStudy(&ids, &values);
    std::vector<std::vector<double>> rows(static_cast<std::size_t>(std::max(count, 0)));
    std::vector<double*> rowPointers;
    for (int i = 0; i < count; ++i) {
        rows[i].assign(1, sphere(values[i]));
        rowPointers.push_back(rows[i].data());
    }
    const int updated =
        VARNO_updateResultsForDesignSet(count, ids, nullptr, rowPointers.data(), nullptr);
    VARNO_freePtr(ids);
    VARNO_freePtr(values);
    return count == shareBatch && updated == 1;
}

// Random real-valued designs shared batch by batch: with their sphere values,
// or without, each batch then handed out and its results returned.
bool runSharing(const std::string& folder, int designs, bool withResults) {
    if (!defineStudy(folder, 2 * designs)) return false;
    Progress progress(withResults ? "Sharing designs with results, batches of 1000"
                                  : "Sharing designs, then evaluating them, batches of 1000");
    std::mt19937 random(2024);
    std::uniform_real_distribution<double> value(lowerBound, upperBound);
    for (int shared = 0; shared < designs; shared += shareBatch) {
        std::vector<std::vector<double>> points(shareBatch), results(shareBatch);
        std::vector<double*> pointRows, resultRows;
        for (int i = 0; i < shareBatch; ++i) {
            for (int j = 0; j < variableCount; ++j) points[i].push_back(value(random));
            results[i].assign(1, sphere(points[i].data()));
            pointRows.push_back(points[i].data());
            resultRows.push_back(results[i].data());
        }
        std::vector<int> kinds(shareBatch, 2);
        const auto start = Clock::now();
        const int ok =
            VARNO_shareDesigns("host", shareBatch, kinds.data(), variableCount, pointRows.data(), 1,
                               withResults ? resultRows.data() : nullptr, nullptr, nullptr);
        const bool evaluated = withResults || evaluateShared();
        progress.add(secondsSince(start), shareBatch);
        if (ok != 1 || !evaluated) return false;
    }
    progress.finish();
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int designs = 100000;
    bool search = true, sharing = true;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--designs" && i + 1 < argc) {
            designs = std::max(reportEvery, std::atoi(argv[++i]));
        } else if (arg == "--search-only") {
            sharing = false;
        } else if (arg == "--sharing-only") {
            search = false;
        } else {
            std::fprintf(stderr, "usage: %s [--designs N] [--search-only | --sharing-only]\n",
                         argv[0]);
            return 2;
        }
    }
    const Scratch scratch;
    bool ok = true;
    if (search) {
        ok = runSearch(scratch.runFolder(), designs);
        if (!ok) std::fprintf(stderr, "search failed: %s\n", lastMessage());
        VARNO_endStudy();
    }
    for (bool withResults : {true, false}) {
        if (!ok || !sharing) break;
        ok = runSharing(scratch.runFolder(), designs, withResults);
        if (!ok) std::fprintf(stderr, "sharing failed: %s\n", lastMessage());
        VARNO_endStudy();
    }
    return ok ? 0 : 1;
}
