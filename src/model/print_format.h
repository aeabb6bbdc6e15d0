// Print formats: the reader of a format's definition block and the writer
// that puts a number or a text into a result file through a named format.
#pragma once

#include <string>

#include "frame/definition_text.h"
#include "model/project_model.h"

namespace varno::model {

// Reads one print-format block (line 1 holds "name: <name>") and appends the
// format to `model.print_formats`. Every fault in the block is fatal, and the
// format is appended only when the whole block is valid.
void definePrintFormat(ProjectModel& model, const LineList& lines);

// Index of the format called `name` (exact comparison), or -1.
int findPrintFormat(const ProjectModel& model, const std::string& name);

// `value` written with the format `formatName` for the variable
// `variableName`. An unknown format name is fatal; a value the format cannot
// hold is written as well as it goes, with a warning in the run log.
std::string formatNumber(const ProjectModel& model, const std::string& formatName, double value,
                         const std::string& variableName);

// `text` written with the format `formatName`: right-aligned in a fixed-length
// field, cut to the field when longer (the two built-in formats keep it whole).
std::string formatTextValue(const ProjectModel& model, const std::string& formatName,
                            const std::string& text, const std::string& variableName);

}  // namespace varno::model
