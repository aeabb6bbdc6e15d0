/* A minimal host: a design sweep over the cross-section of a cantilever beam.
 * The host shares a grid of designs, evaluates them itself (here with a
 * closed-form "simulation"), returns the results and asks for the best one. */
#include <stdio.h>

#include "varno.h"

#define GRID 5

static int fail(const char* step) {
    char* log = VARNO_getMessageLog();
    fprintf(stderr, "%s failed:\n%s\n", step, log ? log : "(no message)");
    VARNO_freePtr(log);
    VARNO_endStudy();
    return 1;
}

static int define_study(void) {
    return VARNO_createNewStudy("beam", "type: evaluation") &&
           VARNO_defineNewProjectParameter(
               "width", "type: Continuous\nid: 1\nmin: 10\nbaseline: 30\nmax: 50") &&
           VARNO_defineNewProjectParameter(
               "height", "type: Continuous\nid: 2\nmin: 20\nbaseline: 60\nmax: 100") &&
           VARNO_defineNewProjectResponse("mass", "type: API\nacceptMin: 0") &&
           VARNO_defineNewProjectResponse("stress", "type: API\nacceptMin: 0") &&
           VARNO_defineStudyLevelData("beam", "startAgent: 0\nendAgent: 0\nfilePrefix: beam\n"
                                              "randomSeed: 0.5\nmode: newStudy") &&
           VARNO_defineSearchMethodData("sweep", "method: DesignSweep") &&
           VARNO_addVariableToStudy(
               "width", "type: Continuous\nid: 1\nresolution: 41\ndistribution: NONE") &&
           VARNO_addVariableToStudy(
               "height", "type: Continuous\nid: 2\nresolution: 81\ndistribution: NONE") &&
           VARNO_addResponseToStudy("mass",
                                    "type: objective\nfactor: 1\noption: min_value\ntarget: 0\n"
                                    "quadWt: 0\nlinearWt: 1\nacceptMin: 0\nacceptMax: 1e9") &&
           VARNO_addResponseToStudy("stress",
                                    "type: constraint\nfactor: 100\noption: less_equal\n"
                                    "target: 250\nquadWt: 100\nlinearWt: 0\nacceptMin: 0\n"
                                    "acceptMax: 1e9") &&
           VARNO_finalizeStudyData();
}

/* The "simulation": mass per metre of steel and bending stress under 2 kN m. */
static void evaluate(const double* x, double* responses) {
    const double width = x[0], height = x[1];
    responses[0] = 7.85e-3 * width * height;
    responses[1] = 6.0 * 2.0e6 / (width * height * height);
}

int main(void) {
    double grid[GRID * GRID][2], results[GRID * GRID][2];
    double *values[GRID * GRID], *responses[GRID * GRID];
    int types[GRID * GRID], *ids = NULL, i, count;
    double** designs = NULL;

    printf("VARNO build %d\n", VARNO_getBuildNumber());
    if (!VARNO_initializeStudySetup("deleteResults: yes")) return fail("Initialisation");
    if (!define_study()) return fail("The study definition");

    for (i = 0; i < GRID * GRID; ++i) {
        grid[i][0] = 10.0 + 10.0 * (i % GRID);
        grid[i][1] = 20.0 + 20.0 * (i / GRID);
        values[i] = grid[i];
        types[i] = 1; /* integer-coded: the values lie on the variables' levels */
    }
    if (!VARNO_shareDesigns("grid", GRID * GRID, types, 2, values, 2, NULL, NULL, NULL)) {
        return fail("Sharing the designs");
    }

    count = VARNO_getNextSetOfDesignsFromStudy(&ids, &designs);
    for (i = 0; i < count; ++i) {
        evaluate(designs[i], results[i]);
        responses[i] = results[i];
    }
    if (VARNO_updateResultsForDesignSet(count, ids, NULL, responses, NULL) != 1) {
        return fail("Returning the results");
    }

    printf("%6s %8s %8s %10s %10s %12s\n", "design", "width", "height", "mass", "stress",
           "performance");
    for (i = 0; i < count; ++i) {
        double performance = 0.0;
        VARNO_getPerformanceValueForDesign(ids[i], &performance);
        printf("%6d %8.1f %8.1f %10.2f %10.1f %12.3f\n", ids[i], designs[i][0], designs[i][1],
               results[i][0], results[i][1], performance);
    }
    printf("Best design: %d\n", VARNO_getBestDesignId());

    VARNO_freePtr(ids);
    VARNO_freePtr(designs);
    VARNO_endStudy();
    return 0;
}
