// The DOE queries and the result-file calls. Each runs its full frame
// (usability, lifecycle state, trap).
#include "varno.h"

#include "frame/call_frame.h"
#include "study/doe_study.h"
#include "study/report_files.h"
#include "study/result_file_calls.h"
#include "study/study.h"

using namespace varno;

namespace {

// The DOE analysis has not run: its tables answer count 0 and no array.
template <class Result>
Result noAnalysis(const CallRule& rule, int* count, int* second = nullptr) {
    if (count != nullptr) *count = 0;
    if (second != nullptr) *second = 0;
    return runTrapped(rule, static_cast<Result>(nullptr),
                      [] { return static_cast<Result>(nullptr); });
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
    return noAnalysis<char**>({"VARNO_getInteractionNames", Lifecycle::finalised}, count);
}

double* VARNO_getPercentContribution(int* count) {
    return noAnalysis<double*>({"VARNO_getPercentContribution", Lifecycle::finalised}, count);
}

double** VARNO_getDOEEffectsData(int* nLevels, int* nTerms) {
    return noAnalysis<double**>({"VARNO_getDOEEffectsData", Lifecycle::finalised}, nLevels, nTerms);
}

int VARNO_generateReportFile(void) {
    return runTrapped(CallRule{"VARNO_generateReportFile", Lifecycle::any}, 0,
                      [] { return generateReportFile(currentStudy()); });
}

int VARNO_generateDesignResultsFile(void) {
    return runTrapped(CallRule{"VARNO_generateDesignResultsFile", Lifecycle::finalised}, 0,
                      [] { return generateDesignResultsFile(*currentStudy()); });
}

int VARNO_generateStudyResultsFiles(void) {
    return runTrapped(CallRule{"VARNO_generateStudyResultsFiles", Lifecycle::finalised}, 0,
                      [] { return generateStudyResultsFiles(*currentStudy()); });
}

}  // extern "C"
