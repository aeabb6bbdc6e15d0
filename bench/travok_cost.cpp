// The engine's own time per handed-out design in a TRAVOK search: a smooth
// 10-variable problem, 500 evaluations, the host's evaluation free. Prints
// the mean milliseconds per design over the whole run and over its last
// hundred designs, where the surrogates fit the most designs.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "varno.h"

namespace {

constexpr int variables = 10;
constexpr int budget = 500;

bool define(const std::string& directory) {
    bool ok = VARNO_initializeStudySetup(("workingDirectory: " + directory).c_str()) == 1 &&
              VARNO_createNewStudy("cost", "type: optimization") == 1;
    for (int i = 1; ok && i <= variables; ++i) {
        const std::string name = "x" + std::to_string(i);
        const std::string id = "type: Continuous\nid: " + std::to_string(i);
        ok = VARNO_defineNewProjectParameter(name.c_str(),
                                             (id + "\nmin: -5\nbaseline: 4\nmax: 5").c_str()) == 1;
    }
    ok = ok && VARNO_defineNewProjectResponse("f", "type: API") == 1 &&
         VARNO_defineStudyLevelData("S", "startAgent: 0\nendAgent: 0\nfilePrefix: cost\n"
                                         "randomSeed: 0.5\nmode: newStudy") == 1 &&
         VARNO_defineSearchMethodData(
             "m", ("method: TRAVOK\nnumEvals: " + std::to_string(budget)).c_str()) == 1;
    for (int i = 1; ok && i <= variables; ++i) {
        const std::string name = "x" + std::to_string(i);
        const std::string id = "type: Continuous\nid: " + std::to_string(i);
        ok = VARNO_addVariableToStudy(
                 name.c_str(), (id + "\nresolution: 10001\ndistribution: NONE").c_str()) == 1;
    }
    return ok &&
           VARNO_addResponseToStudy("f", "type: objective\nfactor: 1\noption: min_value\ntarget: "
                                         "0\nquadWt: 0\nlinearWt: 1\nacceptMin: -1e300\n"
                                         "acceptMax: 1e300") == 1 &&
           VARNO_finalizeStudyData() == 1;
}

// A smooth valley with coupled variables.
double valley(const double* x) {
    double sum = 0.0;
    for (int i = 0; i < variables; ++i) {
        const double next = i + 1 < variables ? x[i + 1] : 0.0;
        sum += (x[i] - 0.3 * i) * (x[i] - 0.3 * i) + 0.5 * (x[i] - next) * (x[i] - next);
    }
    return sum;
}

}  // namespace

int main() {
    const std::filesystem::path directory =
        std::filesystem::temp_directory_path() / "varno-travok-cost";
    std::filesystem::create_directories(directory);
    if (!std::getenv("VARNO_ROOT")) std::printf("set VARNO_ROOT first\n");
    if (!define(directory.string())) return 1;
    using Clock = std::chrono::steady_clock;
    double total = 0.0;
    double late = 0.0;
    int handed = 0;
    int lateCount = 0;
    double best = 1e300;
    for (;;) {
        int* ids = nullptr;
        double** values = nullptr;
        const auto begin = Clock::now();
        const int count = VARNO_getNextSetOfDesignsFromStudy(&ids, &values);
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - begin).count();
        if (count == 0) break;
        total += ms;
        if (handed >= budget - 100) {
            late += ms;
            lateCount += count;
        }
        handed += count;
        std::vector<std::vector<double>> responses(static_cast<std::size_t>(count));
        std::vector<double*> rows;
        for (int k = 0; k < count; ++k) {
            responses[static_cast<std::size_t>(k)] = {valley(values[k])};
            best = std::min(best, responses[static_cast<std::size_t>(k)][0]);
            rows.push_back(responses[static_cast<std::size_t>(k)].data());
        }
        VARNO_updateResultsForDesignSet(count, ids, nullptr, rows.data(), nullptr);
        VARNO_freePtr(ids);
        VARNO_freePtr(values);
        if (VARNO_isStudyComplete()) break;
    }
    VARNO_endStudy();
    std::filesystem::remove_all(directory);
    std::printf("designs %d, best %.6g\n", handed, best);
    std::printf("engine ms per design: all %.2f, last hundred %.2f\n", total / handed,
                lateCount > 0 ? late / lateCount : 0.0);
    return 0;
}
