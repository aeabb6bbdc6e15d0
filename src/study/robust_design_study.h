// A robust parameter design study: a DOE agent whose control array is
// crossed with a noise array; once every run has its results, each response
// is summarised per control run by its mean and signal-to-noise ratio.
#pragma once

#include <string>

#include "frame/definition_text.h"

namespace varno {

struct Study;

bool isRobustDesignStudy(const Study& study);

// Reads the control and noise arrays' settings of the method block.
void defineRobustDesignMethod(Study& study, const LineList& lines);

// Checks the goals and the factors, builds the crossed array and the
// designs of its runs.
void startRobustDesignStudy(Study& study);

// Summarises every response over the control runs.
void analyseRobustDesign(Study& study);

// The analysis file of one control-run vector of a response: `vector` is
// "means" or "SNratio".
std::string robustAnalysisPath(const Study& study, const std::string& response,
                               const std::string& vector);

}  // namespace varno
