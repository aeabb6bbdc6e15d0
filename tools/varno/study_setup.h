// Hands the blocks of a study file to the library's set-up calls, in the
// order of the file, and finalises the study.
#pragma once

#include <string>

#include "study_file.h"

namespace varno::tool {

// The study-level data used when the file has no [studyData] block.
std::string defaultStudyLevelData(const std::string& studyName);

// Throws StudyFileError naming the block the library refused, followed by
// the library's message log. Needs a study set up in the library. The
// study-level data ask for batches of at least `parallel` designs
// (nParallel), so that that many evaluations can run at once.
void defineStudy(const StudyFile& file, int parallel = 1);

}  // namespace varno::tool
