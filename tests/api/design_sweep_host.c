/* A host written in C that runs a design sweep through the shared library:
 * it defines the study, shares 22 designs (one of them a duplicate), evaluates
 * the set handed back (one evaluation fails, one value is out of range, one is
 * not a number), returns the results and checks every id, status, performance
 * and message it gets. The working directory is the first argument. */
#include <math.h>
#include <stdio.h>
#include <string.h>

#include "varno.h"

#define DESIGNS 22
#define DUPLICATE 5  /* design 6 repeats design 3 */
#define FAILED_ID 10 /* the evaluation of this design fails */
#define RANGE_ID 4   /* f lies outside [-100, 100] */
#define NAN_ID 7     /* f is not a number */

static int failures = 0;

static void expect_int(const char* what, int actual, int expected) {
    if (actual != expected) {
        fprintf(stderr, "FAILED: %s: got %d, expected %d\n", what, actual, expected);
        ++failures;
    }
}

static void expect_double(const char* what, int id, double actual, double expected) {
    if (actual != expected) {
        fprintf(stderr, "FAILED: %s of design %d: got %.17g, expected %.17g\n", what, id, actual,
                expected);
        ++failures;
    }
}

static void expect_text(const char* what, const char* actual, const char* expected) {
    if (actual == NULL || strcmp(actual, expected) != 0) {
        fprintf(stderr, "FAILED: %s:\n  got      \"%s\"\n  expected \"%s\"\n", what,
                actual ? actual : "(null)", expected);
        ++failures;
    }
}

static int define_study(const char* directory) {
    char options[512];
    snprintf(options, sizeof options, "workingDirectory: %s\ndeleteResults: yes", directory);
    return VARNO_initializeStudySetup(options) &&
           VARNO_createNewStudy("sweep", "type: evaluation") &&
           VARNO_defineNewProjectParameter(
               "x1", "type: Continuous\nid: 1\nmin: 0\nbaseline: 5\nmax: 10") &&
           VARNO_defineNewProjectParameter(
               "x2", "type: Continuous\nid: 2\nmin: 0\nbaseline: 5\nmax: 10") &&
           VARNO_defineNewProjectParameter("load", "type: Parameter\nid: 3\nbaseline: 2") &&
           VARNO_defineNewProjectResponse("f", "type: API\nacceptMin: -100\nacceptMax: 100") &&
           VARNO_defineNewProjectResponse("g", "type: API") &&
           VARNO_defineStudyLevelData("Sweep", "startAgent: 0\nendAgent: 0\nfilePrefix: sweep\n"
                                               "randomSeed: 0.5\nmode: newStudy") &&
           VARNO_defineSearchMethodData("method", "numEvalsTotal: 100\nmethod: DesignSweep") &&
           VARNO_addVariableToStudy(
               "x1", "type: Continuous\nid: 1\nresolution: 101\ndistribution: NONE") &&
           VARNO_addVariableToStudy(
               "x2", "type: Continuous\nid: 2\nresolution: 101\ndistribution: NONE") &&
           VARNO_addResponseToStudy(
               "f", "type: objective\nfactor: 1\noption: min_value\ntarget: 0\n"
                    "quadWt: 0\nlinearWt: 1\nacceptMin: -1e300\nacceptMax: 1e300") &&
           VARNO_addResponseToStudy(
               "g", "type: constraint\nfactor: 1\noption: less_equal\ntarget: 5\n"
                    "quadWt: 1\nlinearWt: 0\nacceptMin: -1e300\nacceptMax: 1e300") &&
           VARNO_finalizeStudyData();
}

/* Design i (0-based, as shared): x1 = 0.4 i, x2 = 10 - 0.4 i, load 2; the
 * duplicate repeats design 3. */
static void design_values(int i, double row[3]) {
    int source = i == DUPLICATE ? 2 : i;
    row[0] = 0.4 * source;
    row[1] = 10.0 - 0.4 * source;
    row[2] = 2.0;
}

static double objective(const double* x) { return x[0] * x[0] + x[1]; }

static int share_designs(void) {
    double rows[DESIGNS][3];
    double* values[DESIGNS];
    int types[DESIGNS];
    int* ids = NULL;
    int i, result, next = 1;
    for (i = 0; i < DESIGNS; ++i) {
        design_values(i, rows[i]);
        values[i] = rows[i];
        types[i] = 2;
    }
    result = VARNO_shareDesigns("sweep", DESIGNS, types, 3, values, 2, NULL, &ids, NULL);
    expect_int("VARNO_shareDesigns with one duplicate", result, 0);
    expect_text(
        "the duplicate's message", VARNO_getLastMessage(),
        "The design sweep-6 is a duplicate of design sweep-3. This design will be ignored.");
    for (i = 0; i < DESIGNS && ids != NULL; ++i) {
        expect_int("shared id", ids[i], i == DUPLICATE ? 0 : next);
        if (i != DUPLICATE) ++next;
    }
    VARNO_freePtr(ids);
    VARNO_clearMessageLog();
    return next - 1;
}

/* Evaluates the designs handed out and returns their results. */
static void evaluate_and_return(int count, const int* ids, double** values) {
    double results[DESIGNS][2];
    double* responses[DESIGNS];
    int flags[DESIGNS];
    int ids_copy[DESIGNS];
    int k;
    for (k = 0; k < count; ++k) {
        results[k][0] = objective(values[k]);
        results[k][1] = values[k][0];
        if (ids[k] == RANGE_ID) results[k][0] = 150.0;
        if (ids[k] == NAN_ID) results[k][0] = NAN;
        flags[k] = ids[k] == FAILED_ID ? 1 : 0;
        responses[k] = results[k];
        ids_copy[k] = ids[k];
    }
    expect_int("VARNO_updateResultsForDesignSet",
               VARNO_updateResultsForDesignSet(count, ids_copy, flags, responses, NULL), 1);
}

static void check_messages(void) {
    char* log = VARNO_getMessageLog();
    expect_text(
        "message log after the results", log,
        "*ERROR\nThe value 150 for response \"f\" for design \"sweep-4\" lies outside the "
        "specified range [-100, 100]\n\n"
        "*ERROR\nThe value for response \"f\" for design \"sweep-8\" is NOT A NUMBER (Nan). "
        "This response value will be set to 0.0 and it will be marked as an error "
        "response.");
    VARNO_freePtr(log);
}

/* Every design's status and performance, and the best design. */
static void check_designs(int shared) {
    int id, best = 0;
    double best_performance = -1e308;
    for (id = 1; id <= shared; ++id) {
        int i = id <= DUPLICATE ? id - 1 : id; /* position in the shared list */
        double x[3], value = 0.0, expected;
        int error = id == FAILED_ID || id == RANGE_ID || id == NAN_ID;
        design_values(i, x);
        expected = -objective(x) - (x[0] > 5.0 ? (x[0] - 5.0) * (x[0] - 5.0) : 0.0);
        if (error) expected = -1e99;
        expect_int("performance found", VARNO_getPerformanceValueForDesign(id, &value), 1);
        expect_double("performance", id, value, expected);
        expect_int("status", VARNO_getDesignStatus(id), error ? 0 : (x[0] > 5.0 ? 3 : 2));
        if (expected > best_performance) {
            best_performance = expected;
            best = id;
        }
    }
    expect_int("VARNO_getBestDesignId", VARNO_getBestDesignId(), best);
    expect_int("status of an unknown design", VARNO_getDesignStatus(shared + 1), 4);
}

int main(int argc, char** argv) {
    int* ids = NULL;
    double** values = NULL;
    int shared, count, k;
    if (argc < 2 || !define_study(argv[1])) {
        fprintf(stderr, "FAILED: the study could not be defined: %s\n",
                VARNO_getLastMessage() ? VARNO_getLastMessage() : "(no message)");
        return 1;
    }
    shared = share_designs();
    expect_int("designs shared", shared, DESIGNS - 1);

    count = VARNO_getNextSetOfDesignsFromStudy(&ids, &values);
    expect_int("designs handed out", count, shared);
    for (k = 0; k < count && ids != NULL; ++k) {
        double x[3];
        design_values(k < DUPLICATE ? k : k + 1, x);
        expect_int("handed-out id", ids[k], k + 1);
        expect_double("handed-out x1", ids[k], values[k][0], x[0]);
        expect_double("handed-out load", ids[k], values[k][2], 2.0);
    }
    evaluate_and_return(count, ids, values);
    VARNO_freePtr(ids);
    VARNO_freePtr(values);

    expect_int("VARNO_isStudyComplete", VARNO_isStudyComplete(), 1);
    check_messages();
    check_designs(shared);

    expect_int("a further request", VARNO_getNextSetOfDesignsFromStudy(&ids, &values), 0);
    expect_text("the refusal of a further request", VARNO_getLastMessage(),
                "No more designs to evaluate for this study. Only Optimization studies allow "
                "multiple cycles.");
    expect_int("VARNO_endStudy", VARNO_endStudy(), 1);
    if (failures == 0) printf("design sweep host: all checks passed\n");
    return failures == 0 ? 0 : 1;
}
