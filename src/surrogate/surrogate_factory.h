// Creates an empty surrogate of a kind, to be filled by readData from the
// lines of a model file.
#pragma once

#include <memory>

#include "surrogate/surrogate_model.h"

namespace varno::surrogate {

// None when surrogates of `kind` cannot be created.
std::unique_ptr<SurrogateModel> makeEmptySurrogate(SurfaceKind kind);

}  // namespace varno::surrogate
