// Exported calls whose work belongs to subsystems still to come. Each runs
// its full frame (usability, lifecycle state, trap) and then reports that the
// work is not available, returning the call's failure value.
#include "varno.h"

#include "frame/call_frame.h"

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

char** VARNO_getFactorNames(int* count) {
    (void)count;
    return unavailable<char**>({"VARNO_getFactorNames", Lifecycle::any},
                               static_cast<char**>(nullptr));
}

char** VARNO_getInteractionNames(int* count) {
    (void)count;
    return unavailable<char**>({"VARNO_getInteractionNames", Lifecycle::finalised},
                               static_cast<char**>(nullptr));
}

double* VARNO_getPercentContribution(int* count) {
    (void)count;
    return unavailable<double*>({"VARNO_getPercentContribution", Lifecycle::finalised},
                                static_cast<double*>(nullptr));
}

double** VARNO_getDOEEffectsData(int* nLevels, int* nTerms) {
    (void)nLevels;
    (void)nTerms;
    return unavailable<double**>({"VARNO_getDOEEffectsData", Lifecycle::finalised},
                                 static_cast<double**>(nullptr));
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

}  // extern "C"
