// The result-file calls of the host and the files the end of a study removes.
#pragma once

namespace varno {

struct Study;

// VARNO_generateDesignResultsFile: every stored design of agent 0 gets its
// row in the tables; rows written during the run are not repeated.
int generateDesignResultsFile(Study& study);

// VARNO_generateStudyResultsFiles: the study is complete; a DOE or robustness
// study must have the results of all its designs, a MOTRAVOK study enough
// successful designs for its archive.
int generateStudyResultsFiles(Study& study);

// The lock files, then the work files of the run and, with `deleteResults`,
// the result files other than the results table and the report.
void removeEndOfStudyFiles(Study& study, bool deleteResults);

}  // namespace varno
