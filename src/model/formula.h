// Formula texts of dependent variables and formula responses. The engine does
// not evaluate formulas; it prepares their final text for the evaluator.
#pragma once

#include <string>
#include <vector>

namespace varno::model {

// The final formula of `name` from its lines: one expression becomes an
// assignment to `_result`; several lines must assign `_result` themselves.
std::string buildFormula(const std::string& name, const std::vector<std::string>& lines);

}  // namespace varno::model
