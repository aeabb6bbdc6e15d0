#include "frame/library_state.h"

namespace varno {

namespace {
Library processLibrary;
}

Library& library() { return processLibrary; }

StudyCore* currentStudyCore() { return processLibrary.study.get(); }

}  // namespace varno
