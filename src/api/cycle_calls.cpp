// Exported calls of the design cycle and the store queries: finalising, getting
// designs, returning results, sharing designs, and asking about designs.
#include "varno.h"

#include "frame/call_frame.h"
#include "frame/message_log.h"
#include "study/design_cycle.h"
#include "study/design_sharing.h"
#include "study/finalize.h"
#include "study/result_queries.h"
#include "study/study.h"

using namespace varno;

namespace {

// Calls that need a finalised study find one: finalising requires a study.
Study& finalisedStudy() { return *currentStudy(); }

}  // namespace

extern "C" {

int VARNO_finalizeStudyData(void) {
    return runTrapped(CallRule{"VARNO_finalizeStudyData", Lifecycle::any}, 0, [] {
        Study* study = currentStudy();
        if (study == nullptr) {
            appendToMessageLog("VARNO_finalizeStudyData cannot be done before initializing the "
                               "study.");
            return 0;
        }
        return finalizeStudy(*study);
    });
}

int VARNO_getNextSetOfDesignsFromStudy(int** designIds, double*** designValues) {
    if (designIds != nullptr) *designIds = nullptr;
    if (designValues != nullptr) *designValues = nullptr;
    const CallRule rule{"VARNO_getNextSetOfDesignsFromStudy", Lifecycle::finalised};
    return runTrapped(rule, 0, [&] {
        if (designIds == nullptr || designValues == nullptr) {
            appendToMessageLog("VARNO_getNextSetOfDesignsFromStudy needs places for the design "
                               "ids and values.");
            return 0;
        }
        return getNextSetOfDesigns(finalisedStudy(), designIds, designValues);
    });
}

int VARNO_updateResultsForDesignSet(int nDesigns, int* designIds, int* errorFlags,
                                    double** responseValues, char** designNames) {
    const CallRule rule{"VARNO_updateResultsForDesignSet", Lifecycle::finalised};
    return runTrapped(rule, 0, [&] {
        return updateResultsForDesignSet(finalisedStudy(), nDesigns, designIds, errorFlags,
                                         responseValues, designNames);
    });
}

int VARNO_shareDesigns(const char* namePrefix, int nDesigns, int* evaluationTypes, int nValues,
                       double** values, int nResponses, double** responseValues, int** sharedIds,
                       char** designNames) {
    const CallRule rule{"VARNO_shareDesigns", Lifecycle::finalised};
    return runTrapped(rule, 0, [&] {
        return shareDesigns(finalisedStudy(), namePrefix, nDesigns, evaluationTypes, nValues,
                            values, nResponses, responseValues, sharedIds, designNames);
    });
}

int VARNO_isShareDesignsSupported(void) {
    return runTrapped(CallRule{"VARNO_isShareDesignsSupported", Lifecycle::any}, 0,
                      [] { return 1; });
}

int VARNO_getPerformanceValueForDesign(int designId, double* value) {
    if (value != nullptr) *value = -1e99;
    const CallRule rule{"VARNO_getPerformanceValueForDesign", Lifecycle::finalised};
    return runTrapped(rule, 0, [&] {
        double performance = -1e99;
        const bool found = finalisedStudy().store.performanceById(designId, performance);
        if (value != nullptr) *value = performance;
        return found ? 1 : 0;
    });
}

int VARNO_getDesignStatus(int designId) {
    const CallRule rule{"VARNO_getDesignStatus", Lifecycle::finalised};
    return runTrapped(rule, 0, [&] {
        int status = 4;
        finalisedStudy().store.statusById(designId, status);
        return status;
    });
}

int VARNO_getParetoDesignIds(int** paretoIds, int** paretoRanks) {
    if (paretoIds != nullptr) *paretoIds = nullptr;
    if (paretoRanks != nullptr) *paretoRanks = nullptr;
    const CallRule rule{"VARNO_getParetoDesignIds", Lifecycle::finalised};
    return runTrapped(rule, 0, [&] {
        if (paretoIds == nullptr || paretoRanks == nullptr) {
            appendToMessageLog("VARNO_getParetoDesignIds needs places for the ids and ranks.");
            return 0;
        }
        return paretoDesignIds(finalisedStudy(), paretoIds, paretoRanks);
    });
}

// Runs without the usability check and trap of its own, but with the
// lifecycle check.
int VARNO_getBestDesignId(void) {
    return runGuarded(0, [] {
        const CallRule rule{"VARNO_getBestDesignId", Lifecycle::finalised};
        if (!lifecycleAllows(rule)) return 0;
        return finalisedStudy().store.bestDesignId();
    });
}

}  // extern "C"
