/* A host written in C for the kill test: the sphere study of the history
 * tests with its history written after every evaluation, started in the run
 * mode given and answered design by design until its budget is spent. After
 * each result the library accepted it appends the design's id to the file
 * "reported" in the folder, with one write, so the file never holds more
 * than what the host was told was taken.
 *
 *   kill_host <folder> <mode> <budget> */
#define _POSIX_C_SOURCE 200809L

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "varno.h"

static int define_study(const char* folder, const char* mode, const char* budget) {
    char text[512];
    static const char* const names[] = {"x1", "x2", "x3"};
    int ok;
    snprintf(text, sizeof text, "workingDirectory: %s", folder);
    ok = VARNO_initializeStudySetup(text) && VARNO_createNewStudy("search", "type: optimization");
    for (int i = 0; ok && i < 3; ++i) {
        snprintf(text, sizeof text, "type: Continuous\nid: %d\nmin: -5\nbaseline: 1\nmax: 5",
                 i + 1);
        ok = VARNO_defineNewProjectParameter(names[i], text);
    }
    ok = ok && VARNO_defineNewProjectResponse("f", "type: API");
    snprintf(text, sizeof text,
             "startAgent: 0\nendAgent: 0\nfilePrefix: s\nrandomSeed: 0.25\nmode: %s", mode);
    ok = ok && VARNO_defineStudyLevelData("S", text);
    snprintf(text, sizeof text, "method: TRAVOK\nnumEvals: %s", budget);
    ok = ok && VARNO_defineSearchMethodData("m", text) &&
         VARNO_defineStudyRuntimeOptions("o", "disableHistory: 0\nsaveHistoryForEachEval: 1");
    for (int i = 0; ok && i < 3; ++i) {
        snprintf(text, sizeof text,
                 "type: Continuous\nid: %d\nresolution: 1001\ndistribution: NONE", i + 1);
        ok = VARNO_addVariableToStudy(names[i], text);
    }
    return ok &&
           VARNO_addResponseToStudy("f", "type: objective\nfactor: 1\noption: min_value\n"
                                         "target: 0\nquadWt: 0\nlinearWt: 1\n"
                                         "acceptMin: -1e300\nacceptMax: 1e300") &&
           VARNO_finalizeStudyData();
}

int main(int argc, char** argv) {
    char path[4096];
    int reported;
    if (argc != 4) {
        fprintf(stderr, "usage: kill_host <folder> <mode> <budget>\n");
        return 2;
    }
    snprintf(path, sizeof path, "%s/reported", argv[1]);
    reported = open(path, O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (reported < 0 || !define_study(argv[1], argv[2], argv[3])) {
        const char* message = VARNO_getLastMessage();
        fprintf(stderr, "set-up failed: %s\n", message ? message : "");
        return 1;
    }
    for (;;) {
        int* ids = NULL;
        double** values = NULL;
        int count = VARNO_getNextSetOfDesignsFromStudy(&ids, &values);
        if (count <= 0) break;
        for (int k = 0; k < count; ++k) {
            const double* x = values[k];
            double f =
                1.0 + (x[0] - 1.2) * (x[0] - 1.2) + (x[1] + 0.7) * (x[1] + 0.7) + x[2] * x[2];
            double* row = &f;
            char line[32];
            int length;
            if (VARNO_updateResultsForDesignSet(1, &ids[k], NULL, &row, NULL) != 1) return 1;
            length = snprintf(line, sizeof line, "%d\n", ids[k]);
            if (write(reported, line, (size_t)length) != length) return 1;
        }
        VARNO_freePtr(ids);
        VARNO_freePtr(values);
        if (VARNO_isStudyComplete()) break;
    }
    close(reported);
    return VARNO_isStudyComplete() == 1 ? 0 : 1;
}
