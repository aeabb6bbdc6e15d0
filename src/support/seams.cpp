#include "support/seams.h"

namespace varno::support {

namespace {
Seams processSeams;
int openFiles = 0;
}  // namespace

Seams& seams() { return processSeams; }

void resetSeams() { processSeams = Seams{}; }

int openFileCount() { return openFiles; }

OpenFileMark& OpenFileMark::operator=(OpenFileMark&& other) noexcept {
    if (this != &other) {
        clear();
        set_ = other.set_;
        other.set_ = false;
    }
    return *this;
}

void OpenFileMark::set() {
    if (!set_) ++openFiles;
    set_ = true;
}

void OpenFileMark::clear() {
    if (set_) --openFiles;
    set_ = false;
}

bool allocationMustFail() {
    long& left = processSeams.allocationsBeforeFailure;
    if (left < 0) return false;
    if (left == 0) {
        if (processSeams.failOneAllocation) left = -1;
        return true;
    }
    --left;
    return false;
}

}  // namespace varno::support
