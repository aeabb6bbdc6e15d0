#include "study/design_cycle.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "frame/call_frame.h"
#include "frame/message_log.h"
#include "frame/message_writer.h"
#include "frame/text_format.h"
#include "frame/tracked_allocator.h"
#include "study/design_results.h"
#include "study/doe_analysis_study.h"
#include "study/doe_study.h"
#include "study/result_rows.h"
#include "study/robust_design_study.h"
#include "study/robustness_study.h"
#include "study/study.h"
#include "study/study_checkpoint.h"
#include "study/study_history.h"

namespace varno {

namespace {

constexpr int budgetOfOtherStudies = 10000;

CyclePath choosePath(Study& study) {
    const int type = study.agent().method_used;
    if (study.cycle.sharedWaiting > 0 || type == search::studyDesignSweep) return CyclePath::shared;
    if (search::isHybridSearch(type)) return CyclePath::engine;
    if (search::isArrayStudy(type)) return CyclePath::arraySet;
    return CyclePath::unsupported;
}

// The out arrays of a set: ids and pointers to the members' values, which
// stay the engine's until the next set is handed out.
int handOutMembers(Study& study, int** designIds, double*** designValues) {
    std::vector<design::Design>& members = study.cycle.handedOut;
    study.cycle.handedOutHasResults.assign(members.size(), false);
    if (members.empty()) return 0;
    auto ids = trackedArray<int>(members.size(), "desIds");
    auto values = trackedArray<double*>(members.size(), "desList");
    for (std::size_t i = 0; i < members.size(); ++i) {
        ids[i] = members[i].id;
        values[i] = members[i].reals.data();
    }
    *designIds = ids.release();
    *designValues = values.release();
    return static_cast<int>(members.size());
}

// The shared path: the shared designs still without results go out.
int handOutShared(Study& study, int** designIds, double*** designValues) {
    CycleState& cycle = study.cycle;
    cycle.handedOut.clear();
    for (const SharedDesign& shared : cycle.shared) {
        if (!shared.hasResults) cycle.handedOut.push_back(shared.design);
    }
    if (search::isHybridSearch(study.agent().method_used) && !cycle.initialSetDone)
        --cycle.cycleCounter;
    return handOutMembers(study, designIds, designValues);
}

int remainingBudget(Study& study) {
    const int remaining = evaluationsLeft(study);
    if (remaining <= 0) study.agent().ncycles = study.cycle.cycleCounter;
    return remaining;
}

// The search goes on until its evaluation budget is spent, beyond the planned
// number of cycles.
void extendCyclesToTheBudget(Study& study) {
    if (!search::isHybridSearch(study.agent().method_used)) return;
    search::Agent& agent = study.agent();
    if (study.cycle.cycleCounter >= agent.ncycles - 1) agent.ncycles = study.cycle.cycleCounter + 2;
}

void releaseOutArrays(int** designIds, double*** designValues) {
    ffree(*designIds);
    ffree(*designValues);
    *designIds = nullptr;
    *designValues = nullptr;
}

// --- the engine path ------------------------------------------------------------

// The study variables' baseline values, when the study uses its baseline.
std::vector<double> baselineValues(const Study& study) {
    std::vector<double> values;
    if (!study.setup.options.useBaseline) return values;
    for (const model::StudyVariable& variable : study.project.dvar.front().data) {
        values.push_back(variable.baseline);
    }
    return values;
}

search::EngineRequest engineRequest(Study& study) {
    return search::EngineRequest{
        study.agent(),
        study.store,
        *study.encoding,
        *study.search,
        study.engine,
        study.cycle.cycleCounter,
        baselineValues(study),
        [&study](design::Design& design) {
            return scoreDesign(study, design, studyOrderValues(design));
        },
        [](const std::string& text) { writeMessage("outptr", "note", text); },
        &study.performance()};
}

// The engine's next set: the new designs of the initial population or of a
// bred generation.
int handOutEngineDesigns(Study& study, int** designIds, double*** designValues) {
    CycleState& cycle = study.cycle;
    cycle.cycleBegun = true;
    if (!study.search) {
        reportNotAvailable("VARNO_getNextSetOfDesignsFromStudy");
        return 0;
    }
    search::EngineRequest request = engineRequest(study);
    cycle.handedOut = search::produceDesigns(request);
    if (study.engine.finished) library().studyComplete = 1;
    return handOutMembers(study, designIds, designValues);
}

// Once every design of an engine set has results, the search takes them.
void finishEngineSet(Study& study) {
    search::EngineRequest request = engineRequest(study);
    search::acceptResults(request, study.cycle.handedOut);
    study.cycle.initialSetDone = study.engine.initialSetDone;
    recordCycleProgress(study);
    saveHistory(study);
    saveCheckpoint(study);
    if (study.engine.finished) library().studyComplete = 1;
}

// --- results ----------------------------------------------------------------

// While a goal still takes its normalisation from the baseline design, every
// set of results must hold design 1.
bool needsBaseline(Study& study) {
    const model::PerformanceDefinition& performance = study.performance();
    for (std::size_t i = 0; i < performance.size(); ++i) {
        const bool goal = performance.goals[i].flag == model::kindObjective ||
                          performance.goals[i].flag == model::kindConstraint;
        if (goal && performance.goals[i].norm < 0.0) return true;
    }
    return false;
}

// Moves the first entry of design 1 to the front of all four host arrays.
bool bringBaselineToFront(int nDesigns, int* ids, int* errorFlags, double** values, char** names) {
    const int* found = std::find(ids, ids + nDesigns, 1);
    if (found == ids + nDesigns) return false;
    const auto at = static_cast<std::size_t>(found - ids);
    std::swap(ids[0], ids[at]);
    if (errorFlags != nullptr) std::swap(errorFlags[0], errorFlags[at]);
    std::swap(values[0], values[at]);
    if (names != nullptr) std::swap(names[0], names[at]);
    return true;
}

// One returned result as the host gave it.
struct HostResult {
    int id = 0;
    int errorFlag = 0;
    const double* values = nullptr;
    char** names = nullptr;
    int index = 0;
};

// A failed evaluation may come without values; any other result needs them.
bool usable(const HostResult& result) { return result.values != nullptr || result.errorFlag == 1; }

std::vector<double> resultValues(Study& study, const HostResult& result) {
    const std::size_t count = study.performance().size();
    if (result.values == nullptr) return std::vector<double>(count, 0.0);
    return std::vector<double>(result.values, result.values + count);
}

void takeSharedResult(Study& study, const HostResult& result) {
    for (SharedDesign& shared : study.cycle.shared) {
        if (shared.design.id != result.id) continue;
        if (shared.hasResults) {
            appendToMessageLog(formatText("The design %d already had results. The new results "
                                          "will replace the old results in the system.",
                                          result.id));
        }
        shared.design.name = designName(result.names, result.index, shared.design.name);
        shared.values = resultValues(study, result);
        shared.errorFlag = result.errorFlag;
        shared.hasResults = true;
        return;
    }
    appendToMessageLog(formatText("The design %d could not be located in the list shared "
                                  "earlier. The results provided for this design will be "
                                  "ignored.",
                                  result.id));
}

void takeHandedOutResult(Study& study, const HostResult& result) {
    CycleState& cycle = study.cycle;
    for (std::size_t m = 0; m < cycle.handedOut.size(); ++m) {
        design::Design& member = cycle.handedOut[m];
        if (member.id != result.id) continue;
        if (cycle.handedOutHasResults[m]) {
            // Stored and counted once already: taking it again would spend the
            // budget twice on one evaluation.
            appendToMessageLog(formatText("The design %d already has results in this set. The "
                                          "repeated results are ignored.",
                                          result.id));
            return;
        }
        member.name = designName(result.names, result.index, member.name);
        recordResults(study, member, resultValues(study, result), result.errorFlag);
        storeEvaluated(study, member);
        cycle.handedOutHasResults[m] = true;
        if (study.setup.options.saveHistoryForEachEval) saveHistory(study);
        return;
    }
    appendToMessageLog(formatText("The design %d could not be located in the list of designs "
                                  "that were provided in the "
                                  "VARNO_getNextSetOfDesignsFromStudy. This design will be "
                                  "ignored.",
                                  result.id));
}

// True when every design waits no more; otherwise, in verbose mode, names the
// first one still without results.
bool allResultsIn(Study& study, const std::vector<int>& missingIds) {
    if (missingIds.empty()) return true;
    if (study.verbose) {
        appendToMessageLog(formatText("The results for design %d have not been shared yet. "
                                      "Waiting for the results before moving on to the next "
                                      "cycle.",
                                      missingIds.front()));
    }
    return false;
}

std::vector<int> sharedWithoutResults(const CycleState& cycle) {
    std::vector<int> ids;
    for (const SharedDesign& shared : cycle.shared) {
        if (!shared.hasResults) ids.push_back(shared.design.id);
    }
    return ids;
}

std::vector<int> handedOutWithoutResults(const CycleState& cycle) {
    std::vector<int> ids;
    for (std::size_t m = 0; m < cycle.handedOut.size(); ++m) {
        if (!cycle.handedOutHasResults[m]) ids.push_back(cycle.handedOut[m].id);
    }
    return ids;
}

// The one set of an array study is complete: its analysis runs once.
void finishArraySet(Study& study) {
    if (isRRStudy(study)) writeRRResults(study);
    if (isRobustDesignStudy(study)) {
        analyseRobustDesign(study);
    } else if (study.agent().method_used == search::studyDoe) {
        finishDoeStudy(study);
    }
    library().studyComplete = 1;
}

void finishSharedSet(Study& study) {
    if (!allResultsIn(study, sharedWithoutResults(study.cycle))) return;
    mergeSharedDesigns(study);
    saveHistory(study);
    Library& lib = library();
    lib.designSetPending = 0;
    if (study.agent().method_used == search::studyDesignSweep) lib.studyComplete = 1;
    if (isExistingDesignsDoe(study)) {
        finishExistingDesignsDoe(study);
        finishArraySet(study);
    }
}

}  // namespace

namespace {

// The next set along the study's path: its size, with the out arrays filled
// when it is not empty.
int nextSet(Study& study, int** designIds, double*** designValues) {
    CycleState& cycle = study.cycle;
    search::Agent& agent = study.agent();
    if (agent.type != search::agentOptimization && cycle.cycleCounter >= 1) {
        appendToMessageLog("No more designs to evaluate for this study. Only Optimization studies "
                           "allow multiple cycles.");
        return 0;
    }
    cycle.firstCycle = cycle.cycleCounter == 0;
    cycle.sharedWaiting = waitingCount(cycle.shared);
    if (agent.type == search::agentOptimization && cycle.firstCycle && cycle.cycleBegun) {
        agent.data.evaluationsDone += cycle.sharedWaiting;
        cycle.sharedWaiting = 0;
    }
    cycle.path = choosePath(study);
    int yielded = 0;
    switch (cycle.path) {
        case CyclePath::shared: yielded = handOutShared(study, designIds, designValues); break;
        case CyclePath::engine:
            yielded = handOutEngineDesigns(study, designIds, designValues);
            if (yielded == 0 && !study.search) return 0;
            break;
        case CyclePath::arraySet:
            if (agent.method_used != search::studyDoe && !isRRStudy(study) &&
                !isRobustDesignStudy(study)) {
                reportNotAvailable("VARNO_getNextSetOfDesignsFromStudy");
                return 0;
            }
            collectDoeDesigns(study);
            yielded = handOutMembers(study, designIds, designValues);
            // Every design of the array already has results: nothing is left to do.
            if (yielded == 0) finishArraySet(study);
            break;
        case CyclePath::unsupported:
            appendToMessageLog("The study type used is not currenly supported via the API.");
            return 0;
    }
    if (yielded == 0) {
        if (agent.method_used == search::studyDesignSweep) library().studyComplete = 1;
        return 0;
    }
    const int budget = remainingBudget(study);
    if (budget < 1) {
        releaseOutArrays(designIds, designValues);
        return 0;
    }
    if (cycle.path == CyclePath::engine && budget < yielded) {
        // The host evaluates only the first `budget` designs; the set is
        // complete once they have results.
        cycle.handedOut.resize(static_cast<std::size_t>(budget));
        cycle.handedOutHasResults.resize(static_cast<std::size_t>(budget));
    }
    extendCyclesToTheBudget(study);
    ++cycle.cycleCounter;
    ++cycle.totalCycles;
    return std::min(budget, yielded);
}

}  // namespace

int evaluationsLeft(const Study& study) {
    const search::Agent& agent = study.agent();
    if (!search::isHybridSearch(agent.method_used)) return budgetOfOtherStudies;
    return agent.MAX_EVALUATIONS - agent.data.evaluationsDone;
}

int getNextSetOfDesigns(Study& study, int** designIds, double*** designValues) {
    Library& lib = library();
    if (lib.designSetPending) {
        appendToMessageLog("Already working on generating the next set of designs. Multiple calls "
                           "are not supported. The results from the previous design set must be "
                           "provided before calling getNextSet again.");
        return 0;
    }
    // A set is pending exactly while designs are out with the host.
    const int handedOut = nextSet(study, designIds, designValues);
    lib.designSetPending = handedOut > 0 ? 1 : 0;
    return handedOut;
}

int updateResultsForDesignSet(Study& study, int nDesigns, int* designIds, int* errorFlags,
                              double** responseValues, char** designNames) {
    if (nDesigns < 1) return 1;
    if (designIds == nullptr || responseValues == nullptr) {
        appendToMessageLog("The design ids and the response values of the designs must be "
                           "given.");
        return 0;
    }
    if (needsBaseline(study) &&
        !bringBaselineToFront(nDesigns, designIds, errorFlags, responseValues, designNames)) {
        appendToMessageLog("The baseline design has not been shared yet. These results cannot be "
                           "processed until the baseline design has been shared.");
        return -1;
    }
    const bool sharedPath = study.cycle.path == CyclePath::shared;
    if (!sharedPath && !library().designSetPending) {
        // A host retrying after its set completed: the set's results are in
        // already, and the study goes on.
        appendToMessageLog("No set of designs is out for evaluation. These results are ignored; "
                           "the results of a set are taken only while it is pending.");
        return 0;
    }
    for (int i = 0; i < nDesigns; ++i) {
        const HostResult result{designIds[i], errorFlags != nullptr ? errorFlags[i] : 0,
                                responseValues[i], designNames, i};
        if (!usable(result)) continue;
        if (sharedPath) {
            takeSharedResult(study, result);
        } else {
            takeHandedOutResult(study, result);
        }
    }
    if (sharedPath) {
        finishSharedSet(study);
    } else if (allResultsIn(study, handedOutWithoutResults(study.cycle))) {
        if (study.cycle.path == CyclePath::engine) finishEngineSet(study);
        if (study.cycle.path == CyclePath::arraySet) {
            saveHistory(study);
            finishArraySet(study);
        }
        library().designSetPending = 0;
    }
    return 1;
}

}  // namespace varno
