#include "study/study.h"

namespace varno {

Study* currentStudy() { return static_cast<Study*>(library().study.get()); }

}  // namespace varno
