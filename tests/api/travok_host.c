/* A host written in C that runs a TRAVOK search to its end through the shared
 * library and prints every design it is handed, its responses and the best
 * design, with each number as its exact bit pattern. Two runs with the same
 * seed print the same lines on every platform; the tests compare them.
 *
 *   travok_host WORKING_DIRECTORY [--comma-locale]
 *
 * With --comma-locale the host first takes the locale of its environment and
 * fails unless that locale writes numbers with a decimal comma. */
#include <locale.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "varno.h"

static unsigned long long bits(double value) {
    uint64_t pattern;
    memcpy(&pattern, &value, sizeof pattern);
    return (unsigned long long)pattern;
}

static int fail(const char* step) {
    char* log = VARNO_getMessageLog();
    fprintf(stderr, "%s failed: %s\n", step, log ? log : "(no message)");
    VARNO_freePtr(log);
    VARNO_endStudy();
    return 1;
}

static int define_study(const char* directory) {
    char options[1024];
    snprintf(options, sizeof options, "workingDirectory: %s\ndeleteResults: yes", directory);
    return VARNO_initializeStudySetup(options) &&
           VARNO_createNewStudy("search", "type: optimization") &&
           VARNO_defineNewProjectParameter(
               "x1", "type: Continuous\nid: 1\nmin: -2\nbaseline: 0.5\nmax: 2") &&
           VARNO_defineNewProjectParameter(
               "x2", "type: Continuous\nid: 2\nmin: -1\nbaseline: 1.5\nmax: 3") &&
           VARNO_defineNewProjectResponse("f", "type: API") &&
           VARNO_defineNewProjectResponse("g", "type: API") &&
           VARNO_defineStudyLevelData("Search", "startAgent: 0\nendAgent: 0\nfilePrefix: search\n"
                                                "randomSeed: 0.375\nmode: newStudy") &&
           VARNO_defineSearchMethodData("method", "numEvalsTotal: 120\nmethod: TRAVOK\n"
                                                  "numEvals: 120") &&
           VARNO_addVariableToStudy(
               "x1", "type: Continuous\nid: 1\nresolution: 401\ndistribution: NONE") &&
           VARNO_addVariableToStudy(
               "x2", "type: Continuous\nid: 2\nresolution: 401\ndistribution: NONE") &&
           VARNO_addResponseToStudy(
               "f", "type: objective\nfactor: 1\noption: min_value\ntarget: 0\n"
                    "quadWt: 0\nlinearWt: 1\nacceptMin: -1e300\nacceptMax: 1e300") &&
           VARNO_addResponseToStudy(
               "g", "type: constraint\nfactor: 10\noption: less_equal\ntarget: 2.5\n"
                    "quadWt: 1\nlinearWt: 0\nacceptMin: -1e300\nacceptMax: 1e300") &&
           VARNO_finalizeStudyData();
}

/* Rosenbrock's valley under a disc constraint. */
static void evaluate(const double* x, double* responses) {
    const double a = 1.0 - x[0], b = x[1] - x[0] * x[0];
    responses[0] = a * a + 100.0 * b * b;
    responses[1] = x[0] * x[0] + x[1] * x[1];
}

int main(int argc, char** argv) {
    double results[512][2];
    double* responses[512];
    int *ids = NULL, count, i, best, sets = 0;
    double** designs = NULL;
    double performance = 0;

    if (argc < 2) {
        fprintf(stderr, "usage: travok_host WORKING_DIRECTORY [--comma-locale]\n");
        return 2;
    }
    if (argc > 2 && strcmp(argv[2], "--comma-locale") == 0) {
        if (setlocale(LC_ALL, "") == NULL || localeconv()->decimal_point[0] != ',') {
            fprintf(stderr, "the environment's locale has no decimal comma\n");
            return 1;
        }
    }
    if (!define_study(argv[1])) return fail("The study definition");

    while (!VARNO_isStudyComplete() &&
           (count = VARNO_getNextSetOfDesignsFromStudy(&ids, &designs)) > 0) {
        if (count > 512) return fail("A set of more than 512 designs");
        ++sets;
        for (i = 0; i < count; ++i) {
            evaluate(designs[i], results[i]);
            responses[i] = results[i];
            printf("set %d design %d: %016llx %016llx -> %016llx %016llx\n", sets, ids[i],
                   bits(designs[i][0]), bits(designs[i][1]), bits(results[i][0]),
                   bits(results[i][1]));
        }
        if (VARNO_updateResultsForDesignSet(count, ids, NULL, responses, NULL) != 1) {
            return fail("Returning the results");
        }
        VARNO_freePtr(designs);
        VARNO_freePtr(ids);
        ids = NULL;
        designs = NULL;
    }
    best = VARNO_getBestDesignId();
    if (sets < 2 || best <= 0 || VARNO_getPerformanceValueForDesign(best, &performance) != 1) {
        return fail("The search");
    }
    printf("best design %d: %016llx after %d sets\n", best, bits(performance), sets);
    if (VARNO_endStudy() != 1) return fail("Ending the study");
    return 0;
}
