/* Links against an installed VARNO and checks that it is the expected build. */
#include <stdio.h>

#include "varno.h"

int main(void) {
    int build = VARNO_getBuildNumber();
    if (build != 8677) {
        fprintf(stderr, "VARNO_getBuildNumber() returned %d, expected 8677\n", build);
        return 1;
    }
    printf("Installed VARNO build %d\n", build);
    return 0;
}
