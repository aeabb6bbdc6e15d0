#include "surrogate/variable_range.h"

#include "frame/text_format.h"
#include "surrogate/model_lines.h"

namespace varno::surrogate {

namespace {

constexpr const char* rangeHeader =
    "VARIABLES USED FOR THE FIT AND THE RANGE USED FOR NORMALIZATION";
constexpr const char* countLabel = "Number of variables used = ";

// Reads the whole of `text` as one number, whatever the host's locale.
bool parseNumber(const std::string& text, double& value) {
    const std::optional<std::vector<double>> numbers = parseNumbers(text);
    if (!numbers || numbers->size() != 1) return false;
    value = numbers->front();
    return true;
}

// "name: min=<a>, max=<b>"; the name may itself hold ": min=", so the last
// occurrence separates it.
std::optional<VariableRange> parseRangeLine(const std::string& line) {
    const std::size_t minAt = line.rfind(": min=");
    if (minAt == std::string::npos) return std::nullopt;
    const std::size_t maxAt = line.find(", max=", minAt);
    if (maxAt == std::string::npos) return std::nullopt;
    VariableRange range{line.substr(0, minAt)};
    if (!parseNumber(line.substr(minAt + 6, maxAt - minAt - 6), range.min) ||
        !parseNumber(line.substr(maxAt + 6), range.max)) {
        return std::nullopt;
    }
    return range;
}

}  // namespace

double normalise(double value, const VariableRange& range) {
    const double mid = range.min + (range.max - range.min) * 0.5;
    const double half = range.max - mid;
    return half == 0.0 ? 0.0 : (value - mid) / half;
}

double denormalise(double x, const VariableRange& range) {
    const double mid = range.min + (range.max - range.min) * 0.5;
    return mid + x * (range.max - mid);
}

std::string rangeBlock(const std::vector<VariableRange>& ranges) {
    std::string text = formatText("\n\n%s\n", rangeHeader);
    text += formatText("\n%s%d\n", countLabel, static_cast<int>(ranges.size()));
    for (const VariableRange& range : ranges) {
        text += formatText("%s: min=%.17g, max=%.17g\n", range.name.c_str(), range.min, range.max);
    }
    return text;
}

std::optional<std::vector<VariableRange>> readRangeBlock(const std::vector<std::string>& lines) {
    std::size_t at = 0;
    while (at < lines.size() && lines[at].rfind(rangeHeader, 0) != 0) ++at;
    while (at < lines.size() && lines[at].rfind(countLabel, 0) != 0) ++at;
    if (at == lines.size()) return std::nullopt;
    double count = 0.0;
    if (!parseNumber(lines[at].substr(std::string(countLabel).size()), count) || count < 0 ||
        count > static_cast<double>(lines.size())) {
        return std::nullopt;
    }
    std::vector<VariableRange> ranges;
    for (++at; at < lines.size() && ranges.size() < static_cast<std::size_t>(count); ++at) {
        const std::optional<VariableRange> range = parseRangeLine(lines[at]);
        if (!range) return std::nullopt;
        ranges.push_back(*range);
    }
    if (ranges.size() != static_cast<std::size_t>(count)) return std::nullopt;
    return ranges;
}

}  // namespace varno::surrogate
