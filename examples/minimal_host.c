/* A minimal host: starts a study in the current directory, shows the message
 * log and ends the study. */
#include <stdio.h>

#include "varno.h"

int main(void) {
    printf("VARNO build %d\n", VARNO_getBuildNumber());
    if (!VARNO_initializeStudySetup("deleteResults: yes")) {
        char* log = VARNO_getMessageLog();
        fprintf(stderr, "Initialisation failed:\n%s\n", log ? log : "(no message)");
        VARNO_freePtr(log);
        return 1;
    }

    /* Set-up calls come here; a call that fails leaves its reason in the log. */
    if (!VARNO_createNewStudy("example", "type: TRAVOK")) {
        char* log = VARNO_getMessageLog();
        printf("Message log:\n%s\n", log ? log : "(empty)");
        VARNO_freePtr(log);
    }

    VARNO_endStudy();
    return 0;
}
