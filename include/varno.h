/*
 * VARNO design-exploration and optimisation engine: the public C interface.
 *
 * One study per loaded library. The host describes the study with the set-up
 * calls, finalises it, then drives it in cycles: get the next set of designs,
 * evaluate them, hand the results back. Every call runs on the caller's thread
 * and the host calls the library from one thread at a time.
 *
 * Return conventions: int calls return 1 on success and 0 on failure unless
 * stated otherwise; pointer calls return NULL on failure. The reason for a
 * failure is read from the message log (VARNO_getLastMessage,
 * VARNO_getMessageLog). After an engine error the library refuses every call
 * but the message-log calls, VARNO_freePtr, VARNO_freePtrArrayData and
 * VARNO_endStudy until VARNO_initializeStudySetup is called again.
 *
 * States: not initialised -> initialised (set-up calls) -> finalised
 * (design-cycle and query calls) -> ended (VARNO_endStudy).
 */
#ifndef VARNO_H
#define VARNO_H

#if defined(_WIN32)
#if defined(VARNO_BUILDING_LIBRARY)
#define VARNO_API __declspec(dllexport)
#else
#define VARNO_API __declspec(dllimport)
#endif
#else
#define VARNO_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Frame and message log ------------------------------------------- */

/* Build number of the library. Always allowed. */
VARNO_API int VARNO_getBuildNumber(void);

/* Discards any current study and starts a new one. `options` (may be NULL) is
 * a definition text with the optional keys `deleteResults` and
 * `workingDirectory`. Needs the environment variable VARNO_ROOT. Always
 * allowed. Returns 1, or 0 when the working directory is unusable or an
 * engine error occurred. */
VARNO_API int VARNO_initializeStudySetup(const char* options);

/* Newest entry of the message log, or NULL when the log is empty. Owned by the
 * library: valid until the log is cleared or the study is ended. Always
 * allowed. */
VARNO_API const char* VARNO_getLastMessage(void);

/* All log entries, oldest first, separated by a blank line; NULL when the log
 * is empty. The host releases the text with VARNO_freePtr. Always allowed. */
VARNO_API char* VARNO_getMessageLog(void);

/* Empties the message log. Always allowed. */
VARNO_API void VARNO_clearMessageLog(void);

/* Releases one block the library handed to the host. NULL is ignored. */
VARNO_API void VARNO_freePtr(void* block);

/* Releases the first `n` entries of `blocks` (NULL entries skipped), then the
 * array itself. Only for arrays whose entries are separate library blocks. */
VARNO_API void VARNO_freePtrArrayData(void** blocks, int n);

/* ---- Set-up: allowed after initialisation, refused once finalised -------
 * Each takes the object's name and its definition text ("key: value" lines;
 * may be NULL). Returns 1, or 0 on refusal or engine error. */

VARNO_API int VARNO_createNewStudy(const char* name, const char* text);
VARNO_API int VARNO_defineNewProjectParameter(const char* name, const char* text);
VARNO_API int VARNO_defineNewProjectResponse(const char* name, const char* text);
VARNO_API int VARNO_defineNewDiscreteSet(const char* name, const char* text);
VARNO_API int VARNO_defineNewDistribution(const char* name, const char* text);
VARNO_API int VARNO_defineNewCurve(const char* name, const char* text);
VARNO_API int VARNO_defineNewFormat(const char* name, const char* text);
VARNO_API int VARNO_defineStudyLevelData(const char* name, const char* text);
VARNO_API int VARNO_defineSearchMethodData(const char* name, const char* text);
VARNO_API int VARNO_defineStudyRuntimeOptions(const char* name, const char* text);
VARNO_API int VARNO_addVariableToStudy(const char* name, const char* text);
VARNO_API int VARNO_addDOEFactorToStudy(const char* name, const char* text);
VARNO_API int VARNO_addResponseToStudy(const char* name, const char* text);

/* Checks the whole definition and starts the study. Returns 1 or 0.
 * With `disableHistory: 0` in the runtime options the study keeps a history
 * (<prefix>0.hst) and, for TRAVOK and MOTRAVOK, checkpoints (.ckp, .mem) in
 * its working directory; VARNO_endStudy deletes them. A study defined again
 * with mode "resume" or "retraceResume" takes the designs of the history back
 * instead of evaluating them again; with "extend" a finished run goes on from
 * its checkpoint with a larger budget. Fails (0) when the history is from
 * another version or damaged, or the checkpoint is missing or does not fit. */
VARNO_API int VARNO_finalizeStudyData(void);

/* ---- Design cycle: allowed once finalised ------------------------------ */

/* Hands out the next set of designs. Returns the number of designs to
 * evaluate now (0 when none). `*designIds` (host frees with VARNO_freePtr)
 * holds their ids; `*designValues` (host frees the array with VARNO_freePtr,
 * never its entries) points at value arrays owned by the library, valid until
 * the next call of this function or the end of the study. */
VARNO_API int VARNO_getNextSetOfDesignsFromStudy(int** designIds, double*** designValues);

/* Returns the results of designs handed out. `designNames` and its entries may
 * be NULL. The library may reorder the four host arrays so that the baseline
 * comes first. Returns 1 (also while results are still awaited), -1 when the
 * baseline is missing, 0 on refusal or engine error. */
VARNO_API int VARNO_updateResultsForDesignSet(int nDesigns, int* designIds, int* errorFlags,
                                              double** responseValues, char** designNames);

/* Shares the host's own designs, with or without results. `*sharedIds` (may
 * be NULL; host frees with VARNO_freePtr) receives each design's id, 0 when it
 * was rejected. Returns 1 when every design was accepted, else 0. */
VARNO_API int VARNO_shareDesigns(const char* namePrefix, int nDesigns, int* evaluationTypes,
                                 int nValues, double** values, int nResponses,
                                 double** responseValues, int** sharedIds, char** designNames);

/* 1 when VARNO_shareDesigns is supported. Allowed in every state. */
VARNO_API int VARNO_isShareDesignsSupported(void);

/* 1 when no further designs will be produced. Always allowed. */
VARNO_API int VARNO_isStudyComplete(void);

/* Ends the study and releases everything; empties the message log. Returns 1,
 * or 0 when no study was set up. */
VARNO_API int VARNO_endStudy(void);

/* ---- Queries ------------------------------------------------------------ */

/* Performance (larger is better) of a design: 1 found, 0 not found (then
 * `*value` is -1e99). Allowed once finalised. */
VARNO_API int VARNO_getPerformanceValueForDesign(int designId, double* value);

/* Status of a design: 0 error, 1 evaluated without goals, 2 feasible,
 * 3 infeasible, 4 not evaluated or unknown id. Allowed once finalised. */
VARNO_API int VARNO_getDesignStatus(int designId);

/* Id of the best design, 0 when there is none. Allowed once finalised. */
VARNO_API int VARNO_getBestDesignId(void);

/* Study counts by id: 0 archive size, 1 variables, 2 responses, 3 numeric
 * parameters, 4 objectives, 5 constraints. Allowed in every state. */
VARNO_API int VARNO_getIntStudyData(int dataId);

/* The Pareto set: returns its size (0 on failure). `*paretoIds` and
 * `*paretoRanks` are freed by the host with VARNO_freePtr. Allowed once
 * finalised. */
VARNO_API int VARNO_getParetoDesignIds(int** paretoIds, int** paretoRanks);

/* DOE analysis results. The returned arrays belong to the library and stay
 * valid until the end of the study; the host neither frees nor changes them.
 * VARNO_getFactorNames is allowed in every state, the others once finalised.
 * Factor names: the labels A, B, ... once the array exists.
 * Once the analysis has run (the last result of a DOE study is in, no design
 * failed, and the kind is not a Latin hypercube, Hammersley or existing
 * designs), the other three describe the last study response analysed:
 * VARNO_getDOEEffectsData gives `*nLevels` rows of `*nTerms` mean responses,
 * one per level and column (factors, then interaction columns; 0 for a level
 * no run takes and for unlabelled columns); VARNO_getPercentContribution one
 * value per column, 100 * SS / total SS of the analysed term of the column's
 * label (0 for aliases, unlabelled columns and designs without the analysis
 * of variance); VARNO_getInteractionNames the labels of the columns after the
 * factors ("" for unlabelled ones). Before that, or without an analysis, they
 * return NULL with counts 0. */
VARNO_API char** VARNO_getFactorNames(int* count);
VARNO_API char** VARNO_getInteractionNames(int* count);
VARNO_API double* VARNO_getPercentContribution(int* count);
VARNO_API double** VARNO_getDOEEffectsData(int* nLevels, int* nTerms);

/* ---- Result files --------------------------------------------------------- */

/* Writes the head of the report file "<prefix><agent>.rpt" again. Allowed in
 * every state; returns 1, or 0 (with a log entry) before the study level data
 * define the file prefix. */
VARNO_API int VARNO_generateReportFile(void);

/* Marks the study complete and gives every stored design of the study a row
 * in the results (.res) and graph (.gph) tables; rows written during the run
 * are not repeated. Allowed once finalised; returns 1. */
VARNO_API int VARNO_generateDesignResultsFile(void);

/* Marks the study complete. A DOE or robustness study returns 0 (with a log
 * entry) while some of its designs have no results; the pending set and the
 * cycle count stay as they are. A MOTRAVOK study rebuilds its Pareto file and
 * returns 0 when fewer successful designs than the archive size exist.
 * Allowed once finalised; returns 1 otherwise. */
VARNO_API int VARNO_generateStudyResultsFiles(void);

#ifdef __cplusplus
}
#endif

#endif /* VARNO_H */
