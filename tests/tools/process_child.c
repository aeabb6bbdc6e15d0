/* A child for the process tests, built for the platform under test:
 *   echo ARG   copies its input to its output, then reports ARG, the variable
 *              VARNO_CHILD_VALUE and its working directory on its error
 *              stream, and exits with 3
 *   flood      writes 3 MB of lines, then "end"
 *   sleep      sleeps for a minute */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#if defined(_WIN32)
#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#define getcwd _getcwd
#define sleep_seconds(s) Sleep((s)*1000)
#else
#include <unistd.h>
#define sleep_seconds(s) sleep(s)
#endif

int main(int argc, char** argv) {
    char directory[4096];
    int c;
    long i;
#if defined(_WIN32)
    /* The bytes as written, without the C runtime's "\r\n" line ends. */
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    if (argc >= 3 && strcmp(argv[1], "echo") == 0) {
        while ((c = getchar()) != EOF) putchar(c);
        if (getcwd(directory, sizeof directory) == NULL) directory[0] = '\0';
        fprintf(stderr, "argument=%s\nvalue=%s\ndirectory=%s\n", argv[2],
                getenv("VARNO_CHILD_VALUE") ? getenv("VARNO_CHILD_VALUE") : "", directory);
        return 3;
    }
    if (argc >= 2 && strcmp(argv[1], "flood") == 0) {
        for (i = 0; i < 3L * 1024 * 1024 / 16; ++i) fputs("0123456789abcde\n", stdout);
        puts("end");
        return 0;
    }
    if (argc >= 2 && strcmp(argv[1], "sleep") == 0) {
        sleep_seconds(60);
        return 0;
    }
    return 2;
}
