// The study the kill test runs in a child process: the history test's TRAVOK
// study with its history written after every evaluation, started in the run
// mode given, answered design by design until its budget is spent. It ends
// without ending the study, so its history stays for the test to read.
#include <cstdio>
#include <string>

#include "study/study_history_test_support.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: history_kill_child <folder> <mode> <budget>\n");
        return 2;
    }
    if (!varno::testing::historyStudy(argv[1], argv[2], std::stoi(argv[3]),
                                      "disableHistory: 0\nsaveHistoryForEachEval: 1")) {
        const char* message = VARNO_getLastMessage();
        std::fprintf(stderr, "set-up failed: %s\n", message != nullptr ? message : "");
        return 1;
    }
    varno::testing::HistoryHost::run(1000000);
    return VARNO_isStudyComplete() == 1 ? 0 : 1;
}
