/* A plain C11 host driving the installed interface of the shared library: the
 * build number, a refusal before initialisation, initialisation in a scratch
 * working directory, the message file, the message log and its release, and
 * the end of the study. Exits non-zero with the reason on the first failure. */
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

static void fail(const char* what) {
    fprintf(stderr, "FAILED: %s\n", what);
    ++failures;
}

static void expect_int(const char* what, int actual, int expected) {
    if (actual != expected) {
        fprintf(stderr, "FAILED: %s: got %d, expected %d\n", what, actual, expected);
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

static int file_exists(const char* path) {
    struct stat info;
    return stat(path, &info) == 0;
}

/* True when the file at `path` begins with `prefix`. */
static int file_begins_with(const char* path, const char* prefix) {
    char buffer[256];
    size_t length = strlen(prefix);
    size_t got;
    FILE* file = fopen(path, "rb");
    if (file == NULL || length >= sizeof buffer) {
        if (file != NULL) fclose(file);
        return 0;
    }
    got = fread(buffer, 1, length, file);
    fclose(file);
    return got == length && memcmp(buffer, prefix, length) == 0;
}

int main(void) {
    /* Wine itself reads TMPDIR, so a Windows folder is named by its own variable. */
    const char* temp_root = getenv("VARNO_TEST_TEMP") ? getenv("VARNO_TEST_TEMP")
                                                      : getenv("TMPDIR");
    char directory[200];
    char options[256];
    char message_file[256];
    int* ids = NULL;
    double** values = NULL;
    char* log;

    expect_int("VARNO_getBuildNumber()", VARNO_getBuildNumber(), 8677);

    expect_int("VARNO_getNextSetOfDesignsFromStudy before initialisation",
               VARNO_getNextSetOfDesignsFromStudy(&ids, &values), 0);
    expect_text("last message after the refused call", VARNO_getLastMessage(),
                "VARNO_getNextSetOfDesignsFromStudy cannot be done before finalizing the study.");
    if (ids != NULL || values != NULL) fail("a refused call handed out design arrays");

    if (temp_root == NULL || temp_root[0] == '\0') temp_root = "/tmp";
    if (snprintf(directory, sizeof directory, "%s" SEPARATOR "varno_c_host_XXXXXX", temp_root) >=
            (int)sizeof directory ||
        mkdtemp(directory) == NULL) {
        fprintf(stderr, "FAILED: cannot create a scratch directory under %s\n", temp_root);
        return 1;
    }
    snprintf(options, sizeof options, "workingDirectory: %s", directory);
    snprintf(message_file, sizeof message_file, "%s" SEPARATOR "Solver_msg.log", directory);

    if (getenv("VARNO_ROOT") == NULL) fail("VARNO_ROOT is not set in the test environment");
    expect_int("VARNO_initializeStudySetup(\"workingDirectory: <scratch>\")",
               VARNO_initializeStudySetup(options), 1);
    if (!file_exists(message_file)) {
        fprintf(stderr, "FAILED: no message file at %s after initialisation\n", message_file);
        ++failures;
    } else if (!file_begins_with(message_file, "Starting the VARNO Library study.")) {
        fail("Solver_msg.log does not begin with \"Starting the VARNO Library study.\"");
    }

    log = VARNO_getMessageLog();
    if (log != NULL) {
        fprintf(stderr, "FAILED: message log after initialisation should be empty, holds \"%s\"\n",
                log);
        ++failures;
        VARNO_freePtr(log);
    }
    if (VARNO_getLastMessage() != NULL) fail("VARNO_getLastMessage of an empty log is not NULL");

    expect_int("VARNO_getParetoDesignIds before finalising", VARNO_getParetoDesignIds(NULL, NULL),
               0);
    expect_text("last message after VARNO_getParetoDesignIds", VARNO_getLastMessage(),
                "VARNO_getParetoDesignIds cannot be done before finalizing the study.");

    log = VARNO_getMessageLog();
    if (log == NULL) {
        fail("VARNO_getMessageLog returned NULL for a log with one entry");
    } else {
        expect_text("VARNO_getMessageLog with one entry", log,
                    "VARNO_getParetoDesignIds cannot be done before finalizing the study.");
        if (log == VARNO_getLastMessage()) fail("VARNO_getMessageLog did not return a copy");
        log[0] = 'X'; /* the copy belongs to the host */
        expect_text("last message after changing the copy", VARNO_getLastMessage(),
                    "VARNO_getParetoDesignIds cannot be done before finalizing the study.");
        VARNO_freePtr(log);
    }

    expect_int("VARNO_endStudy after initialisation", VARNO_endStudy(), 1);
    if (file_exists(message_file)) fail("Solver_msg.log still exists after VARNO_endStudy");
    if (VARNO_getLastMessage() != NULL) fail("the message log is not empty after VARNO_endStudy");
    expect_int("VARNO_endStudy a second time", VARNO_endStudy(), 0);

    if (rmdir(directory) != 0) {
        fprintf(stderr, "FAILED: the study left files behind in %s\n", directory);
        ++failures;
    }

    if (failures != 0) {
        fprintf(stderr, "%d check(s) failed\n", failures);
        return 1;
    }
    printf("All C host checks passed.\n");
    return 0;
}
