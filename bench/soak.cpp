// Soak: initialise → set up → three design cycles → end, many times in one
// process, through the shared library. Prints the resident memory and the
// open descriptors after the first loops and at the end, and fails when
// descriptors were left open or the memory grew by more than the allowance.
//
//   bench_soak <working folder> [loops = 10000] [allowed growth in KiB = 4096]
//
// The library needs VARNO_ROOT set (any folder).
//
// The growth is measured from loop 20 on, once the allocator's pools and
// the library's caches have reached their working size.
#include <dirent.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "varno.h"

namespace {

// The resident memory once the allocator has handed its free pages back, so
// that what it keeps for reuse is not taken for growth.
long residentKiB() {
#ifdef __GLIBC__
    malloc_trim(0);
#endif
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    }
    return -1;
}

int openDescriptors() {
    DIR* folder = opendir("/proc/self/fd");
    if (folder == nullptr) return -1;
    int count = 0;
    while (readdir(folder) != nullptr) ++count;
    closedir(folder);
    return count - 3;  // ".", ".." and the descriptor of the listing itself
}

bool setUp(const std::string& folder) {
    const std::string variable = "type: Continuous\nresolution: 1001\ndistribution: NONE\nid: ";
    const std::string parameter = "type: Continuous\nmin: -5\nbaseline: 1\nmax: 5\nid: ";
    return VARNO_initializeStudySetup(("workingDirectory: " + folder).c_str()) == 1 &&
           VARNO_createNewStudy("soak", "type: optimization") == 1 &&
           VARNO_defineNewProjectParameter("x1", (parameter + "1").c_str()) == 1 &&
           VARNO_defineNewProjectParameter("x2", (parameter + "2").c_str()) == 1 &&
           VARNO_defineNewProjectResponse("f", "type: API") == 1 &&
           VARNO_defineStudyLevelData("S", "startAgent: 0\nendAgent: 0\nfilePrefix: soak\n"
                                           "randomSeed: 0.25\nmode: newStudy") == 1 &&
           VARNO_defineSearchMethodData("m", "method: TRAVOK\nnumEvals: 100") == 1 &&
           VARNO_defineStudyRuntimeOptions("o", "disableHistory: 0") == 1 &&
           VARNO_addVariableToStudy("x1", (variable + "1").c_str()) == 1 &&
           VARNO_addVariableToStudy("x2", (variable + "2").c_str()) == 1 &&
           VARNO_addResponseToStudy("f", "type: objective\nfactor: 1\noption: min_value\n"
                                         "target: 0\nquadWt: 0\nlinearWt: 1\n"
                                         "acceptMin: -1e300\nacceptMax: 1e300") == 1 &&
           VARNO_finalizeStudyData() == 1;
}

bool cycle() {
    int* ids = nullptr;
    double** values = nullptr;
    const int count = VARNO_getNextSetOfDesignsFromStudy(&ids, &values);
    bool answered = count > 0;
    for (int k = 0; k < count; ++k) {
        double f = (values[k][0] - 1.2) * (values[k][0] - 1.2) + values[k][1] * values[k][1];
        double* row = &f;
        answered = VARNO_updateResultsForDesignSet(1, &ids[k], nullptr, &row, nullptr) == 1 &&
                   answered;
    }
    VARNO_freePtr(ids);
    VARNO_freePtr(values);
    return answered;
}

// One loop; on failure `why` gets the library's message log, taken before
// the end of the study clears it.
bool loop(const std::string& folder, std::string& why) {
    bool ok = setUp(folder);
    for (int c = 0; ok && c < 3; ++c) ok = cycle();
    if (!ok) {
        char* log = VARNO_getMessageLog();
        why = log != nullptr ? log : "";
        VARNO_freePtr(log);
    }
    return VARNO_endStudy() == 1 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_soak <working folder> [loops] [allowed KiB]\n");
        return 2;
    }
    const std::string folder = argv[1];
    const int loops = argc > 2 ? std::atoi(argv[2]) : 10000;
    const long allowedKiB = argc > 3 ? std::atol(argv[3]) : 4096;
    constexpr int warmUp = 20;
    long startKiB = 0;
    int startDescriptors = 0;
    for (int n = 0; n < loops; ++n) {
        if (n == warmUp || (n == 0 && loops <= warmUp)) {
            startKiB = residentKiB();
            startDescriptors = openDescriptors();
        }
        std::string why;
        if (!loop(folder, why)) {
            const char* message = VARNO_getLastMessage();
            std::fprintf(stderr, "loop %d failed: %s\n", n,
                         !why.empty()         ? why.c_str()
                         : message != nullptr ? message
                                              : "");
            return 1;
        }
    }
    const long endKiB = residentKiB();
    const int endDescriptors = openDescriptors();
    std::printf("loops %d: resident %ld KiB -> %ld KiB (%+ld), descriptors %d -> %d\n", loops,
                startKiB, endKiB, endKiB - startKiB, startDescriptors, endDescriptors);
    bool ok = true;
    if (endDescriptors != startDescriptors) {
        std::fprintf(stderr, "descriptors were left open\n");
        ok = false;
    }
    if (allowedKiB >= 0 && endKiB - startKiB > allowedKiB) {
        std::fprintf(stderr, "resident memory grew by more than %ld KiB\n", allowedKiB);
        ok = false;
    }
    return ok ? 0 : 1;
}
