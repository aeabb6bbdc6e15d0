/* An evaluator program for the runner's end-to-end tests, built for the
 * platform under test (no shell or interpreter needed):
 *   sphere    reads {"id":..,"variables":{"x":..,"y":..}} and answers the
 *             shifted sphere f = 1 + (x - 0.3)^2 + (y + 0.2)^2 and s = x + y;
 *             every seventh design exits with 2 instead
 *   hang      starts a copy of itself in "linger" mode and waits for it, then
 *             sleeps for a minute
 *   linger    writes started.txt in its folder, sleeps for six seconds, then
 *             writes survived.txt */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#if defined(_WIN32)
#include <windows.h>
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

int main(int argc, char** argv) {
    char input[4096];
    size_t length;
    double id, x, y;
    char command[4200];
    FILE* mark;
    if (argc >= 2 && strcmp(argv[1], "sphere") == 0) {
        length = fread(input, 1, sizeof input - 1, stdin);
        input[length] = '\0';
        id = number_after(input, "\"id\":", -1);
        x = number_after(input, "\"x\":", 0);
        y = number_after(input, "\"y\":", 0);
        if ((long)id % 7 == 0) return 2;
        printf("{\"f\": %.17g, \"s\": %.17g}\n", 1 + (x - 0.3) * (x - 0.3) + (y + 0.2) * (y + 0.2),
               x + y);
        return 0;
    }
    if (argc >= 2 && strcmp(argv[1], "hang") == 0) {
        snprintf(command, sizeof command, "\"%s\" linger", argv[0]);
        if (system(command) != 0) return 1;
        sleep_seconds(60);
        return 0;
    }
    if (argc >= 2 && strcmp(argv[1], "linger") == 0) {
        mark = fopen("started.txt", "w");
        if (mark != NULL) fclose(mark);
        sleep_seconds(6);
        mark = fopen("survived.txt", "w");
        if (mark != NULL) fclose(mark);
        return 0;
    }
    return 2;
}
