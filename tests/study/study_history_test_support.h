// A small TRAVOK or MOTRAVOK study for the history tests and the host that
// runs it: the sphere in three variables, defined through the C interface.
#pragma once

#include <string>
#include <vector>

#include "test_support.h"
#include "varno.h"

namespace varno::testing {

// The objectives of the study: one (TRAVOK) or two (MOTRAVOK).
inline const char* const objectiveNames[] = {"f", "g"};

// The study in `folder` with the run `mode`, the evaluation budget and extra
// runtime options, as a host defines and finalises it; `upper` is every
// variable's upper bound, `factor` the objectives' factor ("baseline": taken
// from design 1). Every text is made when the study is built, so that calling
// it allocates only in the library.
struct HistoryStudy {
    std::string options;
    std::vector<SetUpCall> calls;

    HistoryStudy(const std::string& folder, const std::string& mode, int budget,
                 const std::string& runtime, const std::string& upper = "5.0", int objectives = 1,
                 const std::string& factor = "1")
        : options("workingDirectory: " + folder) {
        const std::string method =
            objectives == 1 ? "TRAVOK" : "MOTRAVOK\narchiveSize: 20\nbreedingSize: 10\nshutOff: 0";
        const std::string goal = "type: objective\nfactor: " + factor +
                                 "\noption: min_value\ntarget: 0\nquadWt: 0\nlinearWt: 1\n"
                                 "acceptMin: -1e300\nacceptMax: 1e300";
        const auto variable = [](int i) { return "type: Continuous\nid: " + std::to_string(i); };
        const auto name = [](int i) { return "x" + std::to_string(i); };
        calls.push_back({VARNO_createNewStudy, "search", "type: optimization"});
        for (int i = 1; i <= 3; ++i) {
            calls.push_back({VARNO_defineNewProjectParameter, name(i),
                             variable(i) + "\nmin: -5\nbaseline: 1\nmax: " + upper});
        }
        for (int k = 0; k < objectives; ++k) {
            calls.push_back({VARNO_defineNewProjectResponse, objectiveNames[k], "type: API"});
        }
        calls.push_back(
            {VARNO_defineStudyLevelData, "S",
             "startAgent: 0\nendAgent: 0\nfilePrefix: s\nrandomSeed: 0.25\nmode: " + mode});
        calls.push_back({VARNO_defineSearchMethodData, "m",
                         "method: " + method + "\nnumEvals: " + std::to_string(budget)});
        calls.push_back({VARNO_defineStudyRuntimeOptions, "o", runtime});
        for (int i = 1; i <= 3; ++i) {
            calls.push_back({VARNO_addVariableToStudy, name(i),
                             variable(i) + "\nresolution: 1001\ndistribution: NONE"});
        }
        for (int k = 0; k < objectives; ++k) {
            calls.push_back({VARNO_addResponseToStudy, objectiveNames[k], goal});
        }
    }

    // False when a call fails.
    bool operator()() const {
        if (VARNO_initializeStudySetup(options.c_str()) != 1) return false;
        for (const SetUpCall& call : calls) {
            if (call.function(call.name.c_str(), call.text.c_str()) != 1) return false;
        }
        return VARNO_finalizeStudyData() == 1;
    }
};

inline bool historyStudy(const std::string& folder, const std::string& mode, int budget,
                         const std::string& options, const std::string& upper = "5.0",
                         int objectives = 1, const std::string& factor = "1") {
    return HistoryStudy(folder, mode, budget, options, upper, objectives, factor)();
}

// True when the message log holds `text`.
inline bool logHas(const std::string& text) {
    char* log = VARNO_getMessageLog();
    const bool found = log != nullptr && std::string(log).find(text) != std::string::npos;
    VARNO_freePtr(log);
    return found;
}

inline double sphere(const double* x) {
    return 1.0 + (x[0] - 1.2) * (x[0] - 1.2) + (x[1] + 0.7) * (x[1] + 0.7) + x[2] * x[2];
}

// A second objective that conflicts with the sphere.
inline double distanceToCorner(const double* x) {
    return (x[0] + 5.0) * (x[0] + 5.0) + (x[1] - 5.0) * (x[1] - 5.0) + x[2] * x[2];
}

// The host's side of the design cycle, one set at a time.
// The host answers both objectives; a single-objective study reads the first.
struct HistoryHost {
    std::vector<int> ids;
    std::vector<std::vector<double>> designs;
    std::vector<std::size_t> setEnds;  // designs answered when each whole set was done
    int* setIds = nullptr;
    double** setValues = nullptr;
    int setSize = 0;

    bool get() {
        setSize = VARNO_getNextSetOfDesignsFromStudy(&setIds, &setValues);
        return setSize > 0;
    }
    // Returns the result of member `k` of the set; true when it is accepted.
    bool answer(std::size_t k) {
        ids.push_back(setIds[k]);
        designs.emplace_back(setValues[k], setValues[k] + 3);
        double row[2] = {sphere(setValues[k]), distanceToCorner(setValues[k])};
        double* rows = row;
        return VARNO_updateResultsForDesignSet(1, &setIds[k], nullptr, &rows, nullptr) == 1;
    }
    void release() {
        VARNO_freePtr(setIds);
        VARNO_freePtr(setValues);
        setIds = nullptr;
        setValues = nullptr;
    }
    // Whole sets until at least `evaluations` are done or the study ends.
    static HistoryHost run(std::size_t evaluations) {
        HistoryHost host;
        while (host.ids.size() < evaluations && host.get()) {
            for (int k = 0; k < host.setSize; ++k) host.answer(static_cast<std::size_t>(k));
            host.release();
            host.setEnds.push_back(host.ids.size());
            if (VARNO_isStudyComplete()) break;
        }
        return host;
    }
};

}  // namespace varno::testing
