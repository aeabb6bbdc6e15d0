// Checks of a study file the library would not make, or would make only
// after unrelated blocks: keys no reader takes (a misspelt key is otherwise
// ignored) and type words outside their lists.
#pragma once

#include "study_file.h"

namespace varno::tool {

// Throws StudyFileError naming the file and the line, with the nearest known
// word when one is close.
void checkStudyFile(const StudyFile& file);

}  // namespace varno::tool
