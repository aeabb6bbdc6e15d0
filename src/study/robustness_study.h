// A robustness or reliability study: its sampling settings read with the
// method, its set-up checks and samples made when the study is finalised,
// and its statistics and reliability files written once every sample has
// its results.
#pragma once

#include "frame/definition_text.h"

namespace varno {

struct Study;

// A robustness (type 7) or reliability (type 12) study.
bool isRRStudy(const Study& study);

// Reads the sampling settings of a robustness or reliability method block.
void defineRRMethod(Study& study, const LineList& lines);

// Checks the goals and the distributed parameters, then samples the
// parameters into the designs of the study's one set.
void startRRStudy(Study& study);

// Writes every response's R&R file and, for reliability, each constraint's
// reliability, over the samples evaluated successfully.
void writeRRResults(Study& study);

}  // namespace varno
