/* A plain C11 host driving the installed interface of the shared library: the
 * build number, a refusal before initialisation, initialisation in a scratch
 * working directory, the message log handed to the host, and the end of the
 * study. Exits non-zero, naming every check that failed. */
#define _POSIX_C_SOURCE 200809L

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#if defined(_WIN32)
#include <direct.h>
#include <io.h>
#define SEPARATOR "\\"
#define rmdir _rmdir
static char* mkdtemp(char* name) {
    return _mktemp_s(name, strlen(name) + 1) == 0 && _mkdir(name) == 0 ? name : NULL;
}
#else
#include <unistd.h>
#define SEPARATOR "/"
#endif

#include "varno.h"

static int failures = 0;

static void expect(const char* what, int ok) {
    if (!ok) {
        fprintf(stderr, "FAILED: %s\n", what);
        ++failures;
    }
}

static int file_exists(const char* path) {
    struct stat info;
    return stat(path, &info) == 0;
}

int main(void) {
    /* Wine itself reads TMPDIR, so a Windows folder is named by its own variable. */
    const char* temp_root = getenv("VARNO_TEST_TEMP") ? getenv("VARNO_TEST_TEMP")
                                                      : getenv("TMPDIR");
    const char* refusal = "VARNO_getParetoDesignIds cannot be done before finalizing the study.";
    char directory[200];
    char options[256];
    char message_file[256];
    int* ids = NULL;
    double** values = NULL;
    char* log;

    expect("VARNO_getBuildNumber() is 8677", VARNO_getBuildNumber() == 8677);
    expect("VARNO_getNextSetOfDesignsFromStudy is refused before initialisation",
           VARNO_getNextSetOfDesignsFromStudy(&ids, &values) == 0 && ids == NULL && values == NULL);

    if (temp_root == NULL || temp_root[0] == '\0') temp_root = "/tmp";
    if (snprintf(directory, sizeof directory, "%s" SEPARATOR "varno_c_host_XXXXXX", temp_root) >=
            (int)sizeof directory ||
        mkdtemp(directory) == NULL) {
        fprintf(stderr, "FAILED: cannot create a scratch directory under %s\n", temp_root);
        return 1;
    }
    snprintf(options, sizeof options, "workingDirectory: %s", directory);
    snprintf(message_file, sizeof message_file, "%s" SEPARATOR "Solver_msg.log", directory);

    expect("VARNO_initializeStudySetup in a scratch folder", VARNO_initializeStudySetup(options));
    expect("the message file exists after initialisation", file_exists(message_file));
    expect("VARNO_getParetoDesignIds is refused before finalising",
           VARNO_getParetoDesignIds(NULL, NULL) == 0);

    /* The log is the host's copy: changing it leaves the library's message alone. */
    log = VARNO_getMessageLog();
    expect("VARNO_getMessageLog gives the refusal", log != NULL && strcmp(log, refusal) == 0);
    if (log != NULL) log[0] = 'X';
    expect("the last message is unchanged by the host's copy",
           VARNO_getLastMessage() != NULL && strcmp(VARNO_getLastMessage(), refusal) == 0);
    VARNO_freePtr(log);

    expect("VARNO_endStudy after initialisation", VARNO_endStudy() == 1);
    expect("VARNO_endStudy removes the message file", !file_exists(message_file));
    expect("VARNO_endStudy a second time fails", VARNO_endStudy() == 0);
    expect("the study leaves no file behind", rmdir(directory) == 0);

    if (failures != 0) return 1;
    printf("All C host checks passed.\n");
    return 0;
}
