// The report files of the study: the head written when the study is
// finalised or on request, and the tail at the end of the run.
#pragma once

#include "output/report_file.h"
#include "output/study_file_names.h"

namespace varno {

struct Study;

// Where the files of the study's agent go: working directory, prefix, agent
// number and the "_post" names of the design-file run modes.
output::StudyFileNames studyFileNames(const Study& study);

// The head of the agent's report as the study defines it.
output::ReportHead reportHead(const Study& study);

// Writes the head of every agent's report; fatal when one cannot be written.
void writeReportHeads(Study& study);

// Appends the tail once to every report whose head this run wrote.
void writeReportTails(Study& study);

// The body of VARNO_generateReportFile: 1 when the heads are written, 0 with
// a log entry when the study has no file prefix yet.
int generateReportFile(Study* study);

}  // namespace varno
