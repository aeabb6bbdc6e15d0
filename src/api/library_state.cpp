#include "api/library_state.h"

namespace varno {

namespace {
Library processLibrary;
}

Library& library() { return processLibrary; }

Study* currentStudy() { return processLibrary.study.get(); }

}  // namespace varno
