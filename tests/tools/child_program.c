/* A child program for the runner's tests, built for the platform under test
 * (no shell or interpreter needed):
 *   echo ARG   copies its input to its output, then reports ARG, the variable
 *              VARNO_CHILD_VALUE and its working directory on its error
 *              stream, and exits with 3
 *   flood      writes 3 MB of lines, then "end"
 *   sleep      sleeps for a minute
 *   sphere     reads {"id":..,"variables":{"x":..,"y":..}} and answers the
 *              shifted sphere f = 1 + (x - 0.3)^2 + (y + 0.2)^2 and s = x + y;
 *              every seventh design exits with 2 instead
 *   hang       starts a copy of itself in "linger" mode and waits for it, then
 *              sleeps for a minute
 *   linger     writes started.txt in its folder, sleeps for six seconds, then
 *              writes survived.txt */
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

/* The number after "key": in text, or `fallback` when the key is missing. */
static double number_after(const char* text, const char* key, double fallback) {
    const char* at = strstr(text, key);
    return at == NULL ? fallback : strtod(at + strlen(key), NULL);
}

/* Creates an empty file. */
static void mark(const char* name) {
    FILE* file = fopen(name, "w");
    if (file != NULL) fclose(file);
}

int main(int argc, char** argv) {
    char text[4200];
    int c;
    long i;
    size_t length;
    double x, y;
    const char* mode = argc >= 2 ? argv[1] : "";
#if defined(_WIN32)
    /* The bytes as written, without the C runtime's "\r\n" line ends. */
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    if (argc >= 3 && strcmp(mode, "echo") == 0) {
        while ((c = getchar()) != EOF) putchar(c);
        if (getcwd(text, sizeof text) == NULL) text[0] = '\0';
        fprintf(stderr, "argument=%s\nvalue=%s\ndirectory=%s\n", argv[2],
                getenv("VARNO_CHILD_VALUE") ? getenv("VARNO_CHILD_VALUE") : "", text);
        return 3;
    }
    if (strcmp(mode, "flood") == 0) {
        for (i = 0; i < 3L * 1024 * 1024 / 16; ++i) fputs("0123456789abcde\n", stdout);
        puts("end");
        return 0;
    }
    if (strcmp(mode, "sphere") == 0) {
        length = fread(text, 1, 4095, stdin);
        text[length] = '\0';
        if ((long)number_after(text, "\"id\":", -1) % 7 == 0) return 2;
        x = number_after(text, "\"x\":", 0);
        y = number_after(text, "\"y\":", 0);
        printf("{\"f\": %.17g, \"s\": %.17g}\n", 1 + (x - 0.3) * (x - 0.3) + (y + 0.2) * (y + 0.2),
               x + y);
        return 0;
    }
    if (strcmp(mode, "hang") == 0) {
        snprintf(text, sizeof text, "\"%s\" linger", argv[0]);
        if (system(text) != 0) return 1;
    }
    if (strcmp(mode, "linger") == 0) {
        mark("started.txt");
        sleep_seconds(6);
        mark("survived.txt");
        return 0;
    }
    if (strcmp(mode, "sleep") != 0 && strcmp(mode, "hang") != 0) return 2;
    sleep_seconds(60);
    return 0;
}
