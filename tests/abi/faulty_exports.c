/* A library with planted faults for the export check: two interface functions
 * are missing, one interface name is data rather than a function, and two
 * names outside the interface are exported. */
#define DEFINE_CALL(name) \
    int name(void);       \
    int name(void) { return 0; }

DEFINE_CALL(VARNO_getBuildNumber)
DEFINE_CALL(VARNO_initializeStudySetup)
DEFINE_CALL(VARNO_getLastMessage)
DEFINE_CALL(VARNO_getMessageLog)
DEFINE_CALL(VARNO_clearMessageLog)
DEFINE_CALL(VARNO_freePtrArrayData)
DEFINE_CALL(VARNO_createNewStudy)
DEFINE_CALL(VARNO_defineNewProjectParameter)
DEFINE_CALL(VARNO_defineNewProjectResponse)
DEFINE_CALL(VARNO_defineNewDiscreteSet)
DEFINE_CALL(VARNO_defineNewDistribution)
DEFINE_CALL(VARNO_defineNewCurve)
DEFINE_CALL(VARNO_defineNewFormat)
DEFINE_CALL(VARNO_defineStudyLevelData)
DEFINE_CALL(VARNO_defineSearchMethodData)
DEFINE_CALL(VARNO_defineStudyRuntimeOptions)
DEFINE_CALL(VARNO_addVariableToStudy)
DEFINE_CALL(VARNO_addDOEFactorToStudy)
DEFINE_CALL(VARNO_addResponseToStudy)
DEFINE_CALL(VARNO_finalizeStudyData)
DEFINE_CALL(VARNO_getNextSetOfDesignsFromStudy)
DEFINE_CALL(VARNO_updateResultsForDesignSet)
DEFINE_CALL(VARNO_shareDesigns)
DEFINE_CALL(VARNO_isShareDesignsSupported)
DEFINE_CALL(VARNO_endStudy)
DEFINE_CALL(VARNO_getPerformanceValueForDesign)
DEFINE_CALL(VARNO_getDesignStatus)
DEFINE_CALL(VARNO_getBestDesignId)
DEFINE_CALL(VARNO_getIntStudyData)
DEFINE_CALL(VARNO_getParetoDesignIds)
DEFINE_CALL(VARNO_getFactorNames)
DEFINE_CALL(VARNO_getInteractionNames)
DEFINE_CALL(VARNO_getPercentContribution)
DEFINE_CALL(VARNO_generateReportFile)
DEFINE_CALL(VARNO_generateDesignResultsFile)
DEFINE_CALL(VARNO_generateStudyResultsFiles)

/* Missing: VARNO_freePtr, VARNO_getDOEEffectsData. */

int VARNO_isStudyComplete = 0; /* data, not a function */

DEFINE_CALL(varno_stray_helper)
int VARNO_straySetting = 1;
