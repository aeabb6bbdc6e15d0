#include "support/seams.h"

namespace varno::support {

namespace {
Seams processSeams;
}

Seams& seams() { return processSeams; }

void resetSeams() { processSeams = Seams{}; }

bool allocationMustFail() {
    long& left = processSeams.allocationsBeforeFailure;
    if (left < 0) return false;
    if (left == 0) return true;
    --left;
    return false;
}

}  // namespace varno::support
