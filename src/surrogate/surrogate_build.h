// Kriging and radial-basis surrogates: created by kind, saved to model files
// with their variables and normalisation ranges, and read back.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "surrogate/surrogate_factory.h"
#include "surrogate/surrogate_model.h"
#include "surrogate/variable_range.h"

namespace varno::surrogate {

// Writes the model's data, the variable names and the range block to
// `path`. A model with no data writes no file and the error "<kind> model is
// not properly initialized and cannot be written."; false then and when the
// file cannot be created.
bool writeSurrogateFile(const std::string& path, const SurrogateModel& model,
                        const std::vector<std::string>& variableNames,
                        const std::vector<VariableRange>& ranges);

struct SurrogateFile {
    std::unique_ptr<SurrogateModel> model;
    std::vector<VariableRange> ranges;
};

// The model and ranges of a Kriging or radial-basis model file, given its
// lines or its path; none when the file is missing, of another kind or
// corrupt, or its range count differs from the model's variable count.
std::optional<SurrogateFile> readSurrogateLines(const std::vector<std::string>& lines);
std::optional<SurrogateFile> readSurrogateFile(const std::string& path);

}  // namespace varno::surrogate
