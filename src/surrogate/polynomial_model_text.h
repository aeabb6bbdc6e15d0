// The text of a polynomial surface in a model file: the order name, then the
// constant, linear, second-order and cubic blocks of coefficients.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "surrogate/response_surface.h"

namespace varno::surrogate {

// From the order name to the last coefficient, eight coefficients to a line,
// each with enough digits to be read back exactly.
std::string coefficientText(const ResponseSurface& surface);

// The surface described by `lines` (a model file's lines, or the text above
// split into lines). The variable count is taken from the blocks. On failure,
// `problem` receives the reason as "\n\t ..." lines; `path` names the file in
// it.
std::optional<ResponseSurface> parseCoefficientText(const std::vector<std::string>& lines,
                                                    const std::string& path, std::string& problem);

// The reason given when the first line names no model order.
std::string unrecognisedTypeProblem(const std::string& typeRead);

}  // namespace varno::surrogate
