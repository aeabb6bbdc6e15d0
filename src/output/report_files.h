// The study's report and results files. The file layouts are still to be
// built; these are the points where the study writes them.
#pragma once

#include "design/design.h"

namespace varno {

struct Study;

namespace output {

// The head of the report file, written when the study is finalised.
void writeReportHead(const Study& study);

// One row of the results table, written for every evaluated design.
void writeResultsRow(const Study& study, const design::Design& design);

}  // namespace output
}  // namespace varno
