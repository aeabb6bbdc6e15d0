#include "study_runner.h"

#include "library.h"
#include "varno.h"

namespace varno::tool {

namespace {

void expectCount(const char* what, int library, std::size_t file) {
    if (library == static_cast<int>(file)) return;
    throw RunError(std::string("the library counts ") + std::to_string(library) + " " + what +
                   ", the study file " + std::to_string(file));
}

}  // namespace

const char* statusWord(int status) {
    switch (status) {
        case 0: return "error";
        case 1: return "evaluated";
        case 2: return "feasible";
        case 3: return "infeasible";
        default: return "not evaluated";
    }
}

void checkStudyShape(const StudyModel& model) {
    expectCount("study variables", VARNO_getIntStudyData(1), model.variables.size());
    expectCount("study responses", VARNO_getIntStudyData(2), model.responses.size());
    expectCount("numeric parameters", VARNO_getIntStudyData(3), model.parameters.size());
}

StudyRunner::StudyRunner(const StudyModel& model, Evaluator& evaluator, ProgressLine& progress)
    : model_(model), evaluator_(evaluator), progress_(progress) {}

RunRecord StudyRunner::run() {
    reportLibraryMessages();
    const std::size_t width = model_.variables.size() + model_.parameters.size();
    for (;;) {
        std::vector<DesignRequest> requests;
        {
            const DesignSet set;
            if (set.size() == 0) {
                if (VARNO_isStudyComplete() == 1) break;
                throw RunError(
                    "the library handed out no designs before the study was complete:\n" +
                    messageLog());
            }
            for (int k = 0; k < set.size(); ++k) {
                requests.push_back({set.id(k), "Design" + std::to_string(set.id(k)),
                                    std::vector<double>(set.values(k), set.values(k) + width)});
            }
        }
        std::vector<DesignResult> results = evaluator_.evaluate(requests);
        returnResults(requests, results);
        record(requests, results);
        ++record_.cycles;
        progress_.update(progressState());
        reportLibraryMessages();
        if (VARNO_isStudyComplete() == 1) break;
    }
    progress_.finish();
    return std::move(record_);
}

void StudyRunner::returnResults(const std::vector<DesignRequest>& requests,
                                std::vector<DesignResult>& results) {
    const int count = static_cast<int>(requests.size());
    std::vector<int> ids, flags;
    std::vector<double*> responses;
    for (int k = 0; k < count; ++k) {
        DesignResult& result = results[static_cast<std::size_t>(k)];
        if (result.failed) {
            result.responses.assign(model_.responses.size(), 0.0);
            progress_.note("varno: " + requests[static_cast<std::size_t>(k)].name +
                           " failed: " + result.error);
        }
        ids.push_back(requests[static_cast<std::size_t>(k)].id);
        flags.push_back(result.failed ? 1 : 0);
        responses.push_back(result.responses.data());
    }
    // The library may reorder these arrays; they are copies.
    if (VARNO_updateResultsForDesignSet(count, ids.data(), flags.data(), responses.data(),
                                        nullptr) != 1) {
        throw RunError("the library refused the results of a design set:\n" + messageLog());
    }
}

void StudyRunner::record(const std::vector<DesignRequest>& requests,
                         const std::vector<DesignResult>& results) {
    for (std::size_t k = 0; k < requests.size(); ++k) {
        EvaluatedDesign design;
        design.id = requests[k].id;
        design.values = requests[k].values;
        design.responses = results[k].responses;
        design.error = results[k].failed ? results[k].error : std::string();
        design.status = VARNO_getDesignStatus(design.id);
        VARNO_getPerformanceValueForDesign(design.id, &design.performance);
        record_.designs.push_back(std::move(design));
    }
}

// Warnings and notes of the library (range errors, sizing notes) are shown
// once, then cleared so that a later failure shows only its own messages.
void StudyRunner::reportLibraryMessages() {
    const std::string log = messageLog();
    if (!log.empty()) progress_.note("varno: message from the library:\n" + log);
    VARNO_clearMessageLog();
}

ProgressState StudyRunner::progressState() const {
    ProgressState state;
    state.cycle = record_.cycles;
    state.evaluations = static_cast<int>(record_.designs.size());
    state.budget = model_.budget;
    double best = 0.0;
    const int bestId = VARNO_getBestDesignId();
    if (bestId > 0 && VARNO_getPerformanceValueForDesign(bestId, &best) == 1) state.best = best;
    for (const EvaluatedDesign& design : record_.designs) {
        state.feasible += design.status == 2 ? 1 : 0;
    }
    return state;
}

}  // namespace varno::tool
