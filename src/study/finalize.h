// Finalising a study: the checks of the whole definition and the start of the
// design cycle.
#pragma once

namespace varno {

struct Study;

// Checks the definition and starts the study; every failed check is fatal.
int finalizeStudy(Study& study);

}  // namespace varno
