// The files that grow while the study runs: a row of the results and graph
// tables for every evaluated design, the best-design file each time the best
// design improves and the progress plot each cycle.
#pragma once

#include "design/design.h"
#include "output/result_tables.h"

namespace varno {

struct Study;

// The table columns of the study: responses, variables, parameters.
output::TableLayout tableLayout(const Study& study);

// The row of one evaluated design.
output::ResultRow resultRow(const Study& study, const design::Design& design);

// Writes the design's row in both tables, unless it has one from this run.
void writeDesignRow(Study& study, const design::Design& design);

// Writes the design's row (once per design and run) and, when it is the best
// design so far of a search, its entry of the best-design file.
void recordEvaluatedDesign(Study& study, const design::Design& design);

// Appends the cycle's row of the progress plot of a search.
void recordCycleProgress(Study& study);

}  // namespace varno
