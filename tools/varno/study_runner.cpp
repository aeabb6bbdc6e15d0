#include "study_runner.h"

#include "library.h"
#include "stop_signals.h"
#include "varno.h"

namespace varno::tool {

namespace {

void expectCount(const char* what, int library, std::size_t file) {
    if (library == static_cast<int>(file)) return;
    throw RunError(std::string("the library counts ") + std::to_string(library) + " " + what +
                   ", the study file " + std::to_string(file));
}

DesignResult storedResult(const EvaluatedDesign& stored) {
    DesignResult result;
    result.failed = stored.failed();
    result.error = stored.error;
    result.responses = stored.responses;
    result.seconds = stored.seconds;
    result.queueSeconds = stored.queueSeconds;
    return result;
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

StudyRunner::StudyRunner(const StudyModel& model, Evaluator& evaluator, ProgressLine& progress,
                         ResultsStore& store, int maxFailures)
    : model_(model), evaluator_(evaluator), progress_(progress), store_(store),
      maxFailures_(maxFailures) {}

RunEnd StudyRunner::run() {
    reportLibraryMessages();
    RunEnd end = RunEnd::complete;
    while (VARNO_isStudyComplete() != 1) {
        const std::vector<DesignRequest> requests = nextSet();
        if (requests.empty()) break;
        ++cycle_;
        std::vector<DesignResult> results(requests.size());
        if (!evaluate(requests, results)) {
            end = RunEnd::interrupted;
            break;
        }
        returnResults(requests, results);
        recordOutcomes(requests, results);
        reportLibraryMessages();
        if (maxFailures_ > 0 && succeeded_ == 0 && evaluations_ >= maxFailures_) {
            end = RunEnd::failing;
            break;
        }
        if (StopSignals::received() != 0) {
            end = RunEnd::interrupted;
            break;
        }
    }
    progress_.finish();
    return end;
}

std::vector<DesignRequest> StudyRunner::nextSet() const {
    const std::size_t width = model_.variables.size() + model_.parameters.size();
    const DesignSet set;
    if (set.size() == 0) {
        if (VARNO_isStudyComplete() == 1) return {};
        throw RunError("the library handed out no designs before the study was complete:\n" +
                       messageLog());
    }
    std::vector<DesignRequest> requests;
    for (int k = 0; k < set.size(); ++k) {
        requests.push_back({set.id(k), "Design" + std::to_string(set.id(k)),
                            std::vector<double>(set.values(k), set.values(k) + width)});
    }
    return requests;
}

bool StudyRunner::evaluate(const std::vector<DesignRequest>& requests,
                           std::vector<DesignResult>& results) {
    std::vector<DesignRequest> fresh;
    std::vector<std::size_t> place;  // index in `requests` of each fresh design
    for (std::size_t k = 0; k < requests.size(); ++k) {
        const std::optional<EvaluatedDesign> stored = store_.find(requests[k].id);
        if (stored && stored->values == requests[k].values) {
            results[k] = storedResult(*stored);
            ++replayed_;
        } else {
            fresh.push_back(requests[k]);
            place.push_back(k);
        }
    }
    if (fresh.empty()) return true;
    EvaluationHooks hooks;
    hooks.finished = [&](std::size_t index, const DesignResult& result) {
        EvaluatedDesign design;
        design.id = fresh[index].id;
        design.values = fresh[index].values;
        design.responses = result.responses;
        design.error = result.failed ? result.error : std::string();
        design.cycle = cycle_;
        design.position = static_cast<int>(place[index]);
        design.seconds = result.seconds;
        design.queueSeconds = result.queueSeconds;
        store_.add(design);
    };
    hooks.stopRequested = [] { return StopSignals::received() != 0; };
    std::vector<DesignResult> evaluated = evaluator_.evaluate(fresh, hooks);
    bool complete = true;
    for (std::size_t k = 0; k < fresh.size(); ++k) {
        complete = complete && !evaluated[k].interrupted;
        results[place[k]] = std::move(evaluated[k]);
    }
    return complete;
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

void StudyRunner::recordOutcomes(const std::vector<DesignRequest>& requests,
                                 const std::vector<DesignResult>& results) {
    for (std::size_t k = 0; k < requests.size(); ++k) {
        const int id = requests[k].id;
        const int status = VARNO_getDesignStatus(id);
        double performance = -1e99;
        VARNO_getPerformanceValueForDesign(id, &performance);
        store_.setOutcome(id, status, performance);
        ++evaluations_;
        if (results[k].failed) {
            if (firstError_.empty()) firstError_ = requests[k].name + ": " + results[k].error;
        } else {
            ++succeeded_;
        }
        feasible_ += status == 1 || status == 2 ? 1 : 0;
    }
    ProgressState state;
    state.cycle = cycle_;
    state.evaluations = evaluations_;
    state.budget = model_.budget;
    state.feasible = feasible_;
    double best = 0.0;
    const int bestId = VARNO_getBestDesignId();
    if (bestId > 0 && VARNO_getPerformanceValueForDesign(bestId, &best) == 1) state.best = best;
    progress_.update(state);
}

// Warnings and notes of the library (range errors, sizing notes) are shown
// once, then cleared so that a later failure shows only its own messages.
void StudyRunner::reportLibraryMessages() {
    const std::string log = messageLog();
    if (!log.empty()) progress_.note("varno: message from the library:\n" + log);
    VARNO_clearMessageLog();
}

}  // namespace varno::tool
