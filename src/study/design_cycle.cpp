#include "study/design_cycle.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "frame/call_frame.h"
#include "study/study.h"
#include "frame/message_writer.h"
#include "frame/message_log.h"
#include "frame/text_format.h"
#include "frame/tracked_allocator.h"
#include "model/responses.h"
#include "performance/performance.h"

namespace varno {

namespace {

constexpr int budgetOfOtherStudies = 10000;
constexpr std::size_t maxDesignNameBytes = 2054;

search::Agent& agentOf(Study& study) { return *study.setup.agent; }
int studyTypeOf(Study& study) { return agentOf(study).method_used; }
model::PerformanceDefinition& performanceOf(Study& study) {
    return study.project.per_type.front();
}

bool isEngineType(int type) { return type == search::studyTravok || type == search::studyMoTravok; }

bool isArrayType(int type) {
    return type == search::studyDoe || type == search::studyRobustness ||
           type == search::studyReliability || type == search::studyRobustParameterDesign;
}

int waitingCount(const std::vector<SharedDesign>& shared) {
    return static_cast<int>(std::count_if(shared.begin(), shared.end(),
                                          [](const SharedDesign& s) { return !s.hasResults; }));
}

CyclePath choosePath(Study& study) {
    const int type = studyTypeOf(study);
    if (study.cycle.sharedWaiting > 0 || type == search::studyDesignSweep) return CyclePath::shared;
    if (isEngineType(type)) return CyclePath::engine;
    if (isArrayType(type)) return CyclePath::arraySet;
    return CyclePath::unsupported;
}

std::string designName(char** names, int i, const std::string& fallback) {
    if (names == nullptr || names[i] == nullptr || names[i][0] == '\0') return fallback;
    std::string name(names[i]);
    if (name.size() > maxDesignNameBytes) name.resize(maxDesignNameBytes);
    return name;
}

// The response values of a scored design, in study-response order.
std::vector<double> studyOrderValues(const design::Design& design) {
    std::vector<double> values;
    for (const model::DataValueArray& array : design.responseValues) {
        values.push_back(array.empty() ? 0.0 : array.front().doubleValue);
    }
    return values;
}

// Checks and scores the host's results of `design`. A failed evaluation
// (error flag 1) or a rejected value makes an error design.
void recordResults(Study& study, design::Design& design, const std::vector<double>& hostValues,
                   int errorFlag) {
    model::CheckedResponseValues checked = model::checkResponseValues(
        study.project, performanceOf(study), design.name, hostValues);
    design.responseValues = std::move(checked.values);
    const bool failed = errorFlag == 1 || checked.errorDesign;
    design.status.status = failed ? design::statusError : design::statusNoGoals;
    design.status.agent = agentOf(study).number;
    design.performance = scoreDesign(study, design, studyOrderValues(design));
}

// Puts an evaluated design in the store and counts it against the budget.
void storeEvaluated(Study& study, design::Design& design) {
    study.store.addDesign(design);
    ++agentOf(study).data.evaluationsDone;
}

// The out arrays of a set: ids and pointers to the members' values, which
// stay the engine's until the next set is handed out.
int handOutMembers(Study& study, int** designIds, double*** designValues) {
    std::vector<design::Design>& members = study.cycle.handedOut;
    study.cycle.handedOutHasResults.assign(members.size(), false);
    if (members.empty()) return 0;
    auto* ids = static_cast<int*>(fmalloc(members.size() * sizeof(int), "desIds"));
    auto* values = static_cast<double**>(fmalloc(members.size() * sizeof(double*), "desList"));
    for (std::size_t i = 0; i < members.size(); ++i) {
        ids[i] = members[i].id;
        values[i] = members[i].reals.data();
    }
    *designIds = ids;
    *designValues = values;
    return static_cast<int>(members.size());
}

// The shared path: the shared designs still without results go out.
int handOutShared(Study& study, int** designIds, double*** designValues) {
    CycleState& cycle = study.cycle;
    cycle.handedOut.clear();
    for (const SharedDesign& shared : cycle.shared) {
        if (!shared.hasResults) cycle.handedOut.push_back(shared.design);
    }
    if (isEngineType(studyTypeOf(study)) && !cycle.initialSetDone) --cycle.cycleCounter;
    return handOutMembers(study, designIds, designValues);
}

int remainingBudget(Study& study) {
    if (!isEngineType(studyTypeOf(study))) return budgetOfOtherStudies;
    search::Agent& agent = agentOf(study);
    const int remaining = agent.MAX_EVALUATIONS - agent.data.evaluationsDone;
    if (remaining <= 0) agent.ncycles = study.cycle.cycleCounter;
    return remaining;
}

// The search goes on until its evaluation budget is spent, beyond the planned
// number of cycles.
void extendCyclesToTheBudget(Study& study) {
    if (!isEngineType(studyTypeOf(study))) return;
    search::Agent& agent = agentOf(study);
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
        agentOf(study),
        study.store,
        *study.encoding,
        *study.search,
        study.engine,
        study.cycle.cycleCounter,
        baselineValues(study),
        [&study](design::Design& design) {
            return scoreDesign(study, design, studyOrderValues(design));
        },
        [](const std::string& text) { writeMessage("outptr", "note", text); }};
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
    if (study.engine.finished) library().studyComplete = 1;
}

// --- results ----------------------------------------------------------------

// While a goal still takes its normalisation from the baseline design, every
// set of results must hold design 1.
bool needsBaseline(Study& study) {
    const model::PerformanceDefinition& performance = performanceOf(study);
    for (std::size_t i = 0; i < performance.size(); ++i) {
        const bool goal = performance.goals[i].flag == model::kindObjective ||
                          performance.goals[i].flag == model::kindConstraint;
        if (goal && performance.goals[i].norm < 0.0) return true;
    }
    return false;
}

// Moves the first entry of design 1 to the front of all four host arrays.
bool bringBaselineToFront(int nDesigns, int* ids, int* errorFlags, double** values,
                          char** names) {
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
bool usable(const HostResult& result) {
    return result.values != nullptr || result.errorFlag == 1;
}

std::vector<double> resultValues(Study& study, const HostResult& result) {
    const std::size_t count = performanceOf(study).size();
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
        member.name = designName(result.names, result.index, member.name);
        recordResults(study, member, resultValues(study, result), result.errorFlag);
        storeEvaluated(study, member);
        cycle.handedOutHasResults[m] = true;
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

// Every shared design with results goes into the store; the list empties.
void mergeSharedDesigns(Study& study) {
    for (SharedDesign& shared : study.cycle.shared) {
        if (!shared.hasResults) continue;
        recordResults(study, shared.design, shared.values, shared.errorFlag);
        storeEvaluated(study, shared.design);
    }
    study.cycle.shared.clear();
}

void finishSharedSet(Study& study) {
    if (!allResultsIn(study, sharedWithoutResults(study.cycle))) return;
    mergeSharedDesigns(study);
    Library& lib = library();
    lib.designSetPending = 0;
    if (studyTypeOf(study) == search::studyDesignSweep) lib.studyComplete = 1;
}

// --- sharing ------------------------------------------------------------------

bool sameDesign(const design::Design& a, const design::Design& b) {
    if (a.evaluationKind != b.evaluationKind) return false;
    if (a.evaluationKind == design::integerCoded) return a.ints == b.ints;
    if (a.reals.size() != b.reals.size()) return false;
    for (std::size_t i = 0; i < a.reals.size(); ++i) {
        if (std::fabs(a.reals[i] - b.reals[i]) > std::fabs(a.reals[i]) / 1e8) return false;
    }
    return true;
}

// The host's values of one shared design, or a refusal in the log.
bool acceptableValues(Study& study, const double* values, int nValues, int evaluationKind,
                      const std::string& name) {
    if (evaluationKind != design::integerCoded && evaluationKind != design::realValued) {
        appendToMessageLog(formatText("The evaluation type %d for design %s is not supported. "
                                      "This design will not be used.",
                                      evaluationKind, name.c_str()));
        return false;
    }
    const int variables = static_cast<int>(study.encoding->fieldSizes().size());
    for (int j = 0; j < nValues; ++j) {
        const bool ok = j < variables ? study.encoding->acceptsHostValue(j, values[j])
                                      : std::isfinite(values[j]);
        if (!ok) {
            appendToMessageLog(design::refusedHostValueText(j, name));
            return false;
        }
    }
    return true;
}

design::Design hostDesign(Study& study, const double* values, int nValues, int evaluationKind,
                          const std::string& name, int id) {
    design::Design design;
    design.name = name;
    design.id = id;
    design.agentTag = agentOf(study).number;
    design.evaluationKind = evaluationKind;
    design.reals.assign(values, values + nValues);
    study.encoding->takeInHostDesign(design);
    const std::size_t variables = study.encoding->fieldSizes().size();
    design.reals.resize(static_cast<std::size_t>(nValues));
    std::copy(values + variables, values + nValues, design.reals.begin() + static_cast<long>(variables));
    return design;
}

const SharedDesign* sharedDuplicate(const CycleState& cycle, const design::Design& design) {
    for (const SharedDesign& shared : cycle.shared) {
        if (sameDesign(shared.design, design)) return &shared;
    }
    return nullptr;
}

// Adds one host design to the shared list; false when it is refused.
bool shareOne(Study& study, design::Design design, const double* responseValues) {
    if (study.store.findDesign(design).found) {
        appendToMessageLog(formatText("The design %s already exists in the database. This design "
                                      "will not be used.",
                                      design.name.c_str()));
        return false;
    }
    if (const SharedDesign* earlier = sharedDuplicate(study.cycle, design)) {
        appendToMessageLog(formatText("The design %s is a duplicate of design %s. This design "
                                      "will be ignored.",
                                      design.name.c_str(), earlier->design.name.c_str()));
        return false;
    }
    SharedDesign shared;
    shared.design = std::move(design);
    if (responseValues != nullptr) {
        shared.values.assign(responseValues, responseValues + performanceOf(study).size());
        shared.hasResults = true;
    }
    study.cycle.shared.push_back(std::move(shared));
    return true;
}

int expectedValueCount(Study& study) {
    return static_cast<int>(study.encoding->fieldSizes().size() +
                            study.project.file_user_fixed.size());
}

}  // namespace

double scoreDesign(Study& study, design::Design& design, const std::vector<double>& values) {
    const StudySetup& setup = study.setup;
    performance::PerformanceContext context;
    context.doeAgent = agentOf(study).type == search::agentDoe;
    const int mode = setup.study.modeCode;
    context.readsFromDisk = setup.options.readDesignResultsFromDisk != 0;
    context.fixesNormalisation = design.id == 1 || mode == search::modeRunDesignFiles ||
                                 mode == search::modeWriteDesignFiles || context.readsFromDisk;
    context.designNumber = design.id;
    return performance::computePerformance(design, performanceOf(study), values, context);
}

int paretoDesignIds(Study& study, int** paretoIds, int** paretoRanks) {
    const search::Agent& agent = agentOf(study);
    const int variables = static_cast<int>(study.encoding->fieldSizes().size());
    const std::vector<design::Design> designs =
        search::evaluatedDesigns(study.store, agent.number, variables);
    std::string refusal;
    const std::vector<search::ParetoDesign> front = search::paretoQuery(
        designs, performanceOf(study), agent.data.populationSize,
        std::max(0, agent.data.breedingSize), study.random, refusal);
    if (!refusal.empty()) {
        appendToMessageLog(refusal);
        return 0;
    }
    if (front.empty()) return 0;
    auto* ids = static_cast<int*>(fmalloc(front.size() * sizeof(int), "desIds"));
    auto* ranks = static_cast<int*>(fmalloc(front.size() * sizeof(int), "rankIds"));
    for (std::size_t k = 0; k < front.size(); ++k) {
        ids[k] = front[k].id;
        ranks[k] = front[k].rank;
    }
    *paretoIds = ids;
    *paretoRanks = ranks;
    return static_cast<int>(front.size());
}

int getNextSetOfDesigns(Study& study, int** designIds, double*** designValues) {
    Library& lib = library();
    if (lib.designSetPending) {
        appendToMessageLog("Already working on generating the next set of designs. Multiple calls "
                           "are not supported. The results from the previous design set must be "
                           "provided before calling getNextSet again.");
        return 0;
    }
    lib.designSetPending = 1;
    CycleState& cycle = study.cycle;
    search::Agent& agent = agentOf(study);
    if (agent.type != search::agentOptimization && cycle.cycleCounter >= 1) {
        appendToMessageLog("No more designs to evaluate for this study. Only Optimization studies "
                           "allow multiple cycles.");
        lib.designSetPending = 0;
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
        case CyclePath::shared:
            yielded = handOutShared(study, designIds, designValues);
            break;
        case CyclePath::engine:
            yielded = handOutEngineDesigns(study, designIds, designValues);
            if (yielded == 0 && !study.search) {
                lib.designSetPending = 0;
                return 0;
            }
            break;
        case CyclePath::arraySet:
            lib.designSetPending = 0;
            reportNotAvailable("VARNO_getNextSetOfDesignsFromStudy");
            return 0;
        case CyclePath::unsupported:
            lib.designSetPending = 0;
            appendToMessageLog("The study type used is not currenly supported via the API.");
            return 0;
    }
    if (yielded == 0) {
        lib.designSetPending = 0;
        if (studyTypeOf(study) == search::studyDesignSweep) lib.studyComplete = 1;
        return 0;
    }
    const int budget = remainingBudget(study);
    if (budget < 1) {
        // Nothing goes out, so nothing is pending.
        releaseOutArrays(designIds, designValues);
        lib.designSetPending = 0;
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
        library().designSetPending = 0;
    }
    return 1;
}

int shareDesigns(Study& study, const char* namePrefix, int nDesigns, const int* evaluationTypes,
                 int nValues, double** values, int nResponses, double** responseValues,
                 int** sharedIds, char** designNames) {
    if (sharedIds != nullptr) *sharedIds = nullptr;
    const int expectedValues = expectedValueCount(study);
    if (nValues != expectedValues) {
        appendToMessageLog(formatText("The number of variables specified in the call (%d) does "
                                      "not match the number of variables in the problem "
                                      "definition (%d).",
                                      nValues, expectedValues));
        return 0;
    }
    const int expectedResponses = static_cast<int>(performanceOf(study).size());
    if (nResponses != expectedResponses) {
        appendToMessageLog(formatText("The number of responses specified in the call (%d) does "
                                      "not match the number of responses in the problem "
                                      "definition (%d).",
                                      nResponses, expectedResponses));
        return 0;
    }
    if (nDesigns > 0 && (evaluationTypes == nullptr || values == nullptr)) {
        appendToMessageLog("The evaluation types and the values of the shared designs must be "
                           "given.");
        return 0;
    }
    int* ids = nullptr;
    if (sharedIds != nullptr && nDesigns > 0) {
        ids = static_cast<int*>(fmalloc(static_cast<std::size_t>(nDesigns) * sizeof(int),
                                        "shareDesIds"));
        std::fill(ids, ids + nDesigns, 0);
        *sharedIds = ids;
    }
    const std::string prefix = namePrefix != nullptr ? namePrefix : "";
    const int firstId = agentOf(study).data.evaluationsDone + waitingCount(study.cycle.shared) + 1;
    int accepted = 0;
    bool allAccepted = true;
    for (int i = 0; i < nDesigns; ++i) {
        const std::string name = designName(designNames, i, formatText("%s-%d", prefix.c_str(), i + 1));
        const bool ok = values[i] != nullptr &&
                        acceptableValues(study, values[i], nValues, evaluationTypes[i], name) &&
                        shareOne(study,
                                 hostDesign(study, values[i], nValues, evaluationTypes[i], name,
                                            firstId + accepted),
                                 responseValues != nullptr ? responseValues[i] : nullptr);
        if (values[i] == nullptr) {
            appendToMessageLog(formatText("The values for design %s are missing. This design "
                                          "will not be used.",
                                          name.c_str()));
        }
        if (!ok) {
            allAccepted = false;
            continue;
        }
        if (ids != nullptr) ids[i] = firstId + accepted;
        ++accepted;
    }
    if (waitingCount(study.cycle.shared) == 0) mergeSharedDesigns(study);
    return allAccepted ? 1 : 0;
}

}  // namespace varno
