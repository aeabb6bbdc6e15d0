// Exported calls whose work belongs to subsystems still to come, and the DOE
// queries. Each runs its full frame (usability, lifecycle state, trap); the
// file calls report that their work is not available.
#include "varno.h"

#include "frame/call_frame.h"
#include "study/doe_analysis_study.h"
#include "study/doe_study.h"
#include "study/study.h"

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
    if (count != nullptr) *count = 0;
    return runTrapped(CallRule{"VARNO_getFactorNames", Lifecycle::any},
                      static_cast<char**>(nullptr),
                      [&] { return doeFactorNames(currentStudy(), count); });
}

char** VARNO_getInteractionNames(int* count) {
    if (count != nullptr) *count = 0;
    return runTrapped(CallRule{"VARNO_getInteractionNames", Lifecycle::finalised},
                      static_cast<char**>(nullptr),
                      [&] { return doeInteractionNames(currentStudy(), count); });
}

double* VARNO_getPercentContribution(int* count) {
    if (count != nullptr) *count = 0;
    return runTrapped(CallRule{"VARNO_getPercentContribution", Lifecycle::finalised},
                      static_cast<double*>(nullptr),
                      [&] { return doePercentContribution(currentStudy(), count); });
}

double** VARNO_getDOEEffectsData(int* nLevels, int* nTerms) {
    if (nLevels != nullptr) *nLevels = 0;
    if (nTerms != nullptr) *nTerms = 0;
    return runTrapped(CallRule{"VARNO_getDOEEffectsData", Lifecycle::finalised},
                      static_cast<double**>(nullptr),
                      [&] { return doeEffectsData(currentStudy(), nLevels, nTerms); });
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
