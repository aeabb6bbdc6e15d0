// The DOE queries and the result-file calls. Each runs its full frame
// (usability, lifecycle state, trap).
#include "varno.h"

#include "frame/call_frame.h"
#include "study/doe_analysis_study.h"
#include "study/doe_study.h"
#include "study/report_files.h"
#include "study/result_file_calls.h"
#include "study/study.h"

using namespace varno;

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
