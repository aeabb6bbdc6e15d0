// Reads a model file back: recognises the kind of model it holds from its
// first two lines, restores the model and the normalisation ranges.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "surrogate/surrogate_model.h"
#include "surrogate/variable_range.h"

namespace varno::surrogate {

// The kind of model the lines of a model file hold; none when they are not a
// model file.
std::optional<SurfaceKind> modelFileKind(const std::vector<std::string>& lines);

struct LoadedModel {
    std::unique_ptr<SurrogateModel> model;
    std::vector<VariableRange> ranges;
};

// The model of the file at `path`. With `expectedVariables` not negative the
// file must use that many variables. On failure, `reason` receives the
// message, beginning with `context` (the text built so far by the caller).
std::optional<LoadedModel> readModelFile(const std::string& path, std::string& reason,
                                         const std::string& context = {},
                                         int expectedVariables = -1);

}  // namespace varno::surrogate
