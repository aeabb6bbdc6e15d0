// Exported calls whose work belongs to subsystems still to come. Each runs
// its full frame (usability, lifecycle state, trap) and then reports that the
// work is not available, returning the call's failure value.
#include "varno.h"

#include "api/call_frame.h"

using namespace varno;

namespace {

template <class Result>
Result unavailable(const CallRule& rule, Result failure) {
    return runTrapped(rule, failure, [&] {
        reportNotAvailable(rule.name);
        return failure;
    });
}

}  // namespace

extern "C" {

int VARNO_createNewStudy(const char* name, const char* text) {
    (void)name;
    (void)text;
    return unavailable<int>({"VARNO_createNewStudy", Lifecycle::setUp, "Create new study"}, 0);
}







int VARNO_defineStudyLevelData(const char* name, const char* text) {
    (void)name;
    (void)text;
    return unavailable<int>({"VARNO_defineStudyLevelData", Lifecycle::setUp, "Define Study data"}, 0);
}

int VARNO_defineSearchMethodData(const char* name, const char* text) {
    (void)name;
    (void)text;
    return unavailable<int>({"VARNO_defineSearchMethodData", Lifecycle::setUp, "Define search method data"}, 0);
}

int VARNO_defineStudyRuntimeOptions(const char* name, const char* text) {
    (void)name;
    (void)text;
    return unavailable<int>({"VARNO_defineStudyRuntimeOptions", Lifecycle::setUp}, 0);
}




int VARNO_finalizeStudyData(void) {
    return unavailable<int>({"VARNO_finalizeStudyData", Lifecycle::any}, 0);
}

int VARNO_getNextSetOfDesignsFromStudy(int** designIds, double*** designValues) {
    (void)designIds;
    (void)designValues;
    return unavailable<int>({"VARNO_getNextSetOfDesignsFromStudy", Lifecycle::finalised}, 0);
}

int VARNO_updateResultsForDesignSet(int nDesigns, int* designIds, int* errorFlags, double** responseValues, char** designNames) {
    (void)nDesigns;
    (void)designIds;
    (void)errorFlags;
    (void)responseValues;
    (void)designNames;
    return unavailable<int>({"VARNO_updateResultsForDesignSet", Lifecycle::finalised}, 0);
}

int VARNO_shareDesigns(const char* namePrefix, int nDesigns, int* evaluationTypes, int nValues, double** values, int nResponses, double** responseValues, int** sharedIds, char** designNames) {
    (void)namePrefix;
    (void)nDesigns;
    (void)evaluationTypes;
    (void)nValues;
    (void)values;
    (void)nResponses;
    (void)responseValues;
    (void)sharedIds;
    (void)designNames;
    return unavailable<int>({"VARNO_shareDesigns", Lifecycle::finalised}, 0);
}

int VARNO_isShareDesignsSupported(void) {
    return unavailable<int>({"VARNO_isShareDesignsSupported", Lifecycle::any}, 0);
}

int VARNO_getPerformanceValueForDesign(int designId, double* value) {
    (void)designId;
    (void)value;
    return unavailable<int>({"VARNO_getPerformanceValueForDesign", Lifecycle::finalised}, 0);
}

int VARNO_getDesignStatus(int designId) {
    (void)designId;
    return unavailable<int>({"VARNO_getDesignStatus", Lifecycle::finalised}, 0);
}


int VARNO_getParetoDesignIds(int** paretoIds, int** paretoRanks) {
    (void)paretoIds;
    (void)paretoRanks;
    return unavailable<int>({"VARNO_getParetoDesignIds", Lifecycle::finalised}, 0);
}

char** VARNO_getFactorNames(int* count) {
    (void)count;
    return unavailable<char**>({"VARNO_getFactorNames", Lifecycle::any}, static_cast<char**>(nullptr));
}

char** VARNO_getInteractionNames(int* count) {
    (void)count;
    return unavailable<char**>({"VARNO_getInteractionNames", Lifecycle::finalised}, static_cast<char**>(nullptr));
}

double* VARNO_getPercentContribution(int* count) {
    (void)count;
    return unavailable<double*>({"VARNO_getPercentContribution", Lifecycle::finalised}, static_cast<double*>(nullptr));
}

double** VARNO_getDOEEffectsData(int* nLevels, int* nTerms) {
    (void)nLevels;
    (void)nTerms;
    return unavailable<double**>({"VARNO_getDOEEffectsData", Lifecycle::finalised}, static_cast<double**>(nullptr));
}

int VARNO_generateReportFile(void) {
    return unavailable<int>({"VARNO_generateReportFile", Lifecycle::any}, 0);
}

int VARNO_generateDesignResultsFile(void) {
    return unavailable<int>({"VARNO_generateDesignResultsFile", Lifecycle::finalised}, 0);
}

int VARNO_generateStudyResultsFiles(void) {
    return unavailable<int>({"VARNO_generateStudyResultsFiles", Lifecycle::finalised}, 0);
}

// Runs without the usability check and trap of its own, but with the
// lifecycle check.
int VARNO_getBestDesignId(void) {
    return runGuarded(0, [] {
        const CallRule rule{"VARNO_getBestDesignId", Lifecycle::finalised};
        if (!lifecycleAllows(rule)) return 0;
        reportNotAvailable(rule.name);
        return 0;
    });
}

}  // extern "C"
