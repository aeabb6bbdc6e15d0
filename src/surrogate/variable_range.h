// The variables a surface is fitted over and the ranges that map each one to
// [-1, 1], with the range block that model files end with.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace varno::surrogate {

struct VariableRange {
    std::string name;
    double min = 0.0;
    double max = 0.0;
};

// x = (v - mid) / half, with mid the middle of the range and half its
// half-width; a variable whose range is empty normalises to 0.
double normalise(double value, const VariableRange& range);
double denormalise(double x, const VariableRange& range);

// The block that closes a model file: a header, the variable count and one
// "name: min=..., max=..." line per variable, with 17 significant digits so
// that a model read back predicts exactly what the fitted one did.
std::string rangeBlock(const std::vector<VariableRange>& ranges);

// The ranges of the block among `lines` (the lines of a whole model file);
// none when the header is missing, the count is not a number, or fewer
// well-formed range lines follow than the count says.
std::optional<std::vector<VariableRange>> readRangeBlock(const std::vector<std::string>& lines);

}  // namespace varno::surrogate
