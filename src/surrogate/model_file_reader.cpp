#include "surrogate/model_file_reader.h"

#include <algorithm>

#include "frame/text_format.h"
#include "support/file_io.h"
#include "surrogate/model_order.h"
#include "surrogate/polynomial_model_text.h"
#include "surrogate/polynomial_surrogate.h"
#include "surrogate/surrogate_factory.h"

namespace varno::surrogate {

namespace {

// Lines of the kriging and radial-basis files after the model's own data.
constexpr const char* variableListLine = "List of variables in order";

bool startsWith(const std::string& line, const char* prefix) { return line.rfind(prefix, 0) == 0; }

std::optional<std::vector<std::string>> readLines(const std::string& path) {
    support::FileReader reader(path);
    if (!reader.is_open()) return std::nullopt;
    std::vector<std::string> lines;
    for (std::string line; reader.getLine(line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::optional<std::unique_ptr<SurrogateModel>> readPolynomial(const std::vector<std::string>& lines,
                                                              const std::string& path,
                                                              std::string& problem) {
    auto surface = parseCoefficientText(lines, path, problem);
    if (!surface) return std::nullopt;
    return std::make_unique<PolynomialSurrogate>(std::move(*surface));
}

// Kriging and radial-basis models read the lines before the variable list.
std::optional<std::unique_ptr<SurrogateModel>> readOtherKind(SurfaceKind kind,
                                                             const std::vector<std::string>& lines,
                                                             std::string& problem) {
    auto model = makeEmptySurrogate(kind);
    const auto dataEnd = std::find(lines.begin(), lines.end(), variableListLine);
    if (!model || !model->readData({lines.begin(), dataEnd})) {
        problem = "\n\t The model data in the file could not be read.";
        return std::nullopt;
    }
    return model;
}

// The count of variables the model was fitted over must match the ranges.
std::string checkVariableCount(const SurrogateModel& model, int rangeCount) {
    if (model.variableCount() == rangeCount) return {};
    const auto* polynomial = dynamic_cast<const PolynomialSurrogate*>(&model);
    if (polynomial == nullptr) {
        return "\n\t The model data in the file could not be read.";
    }
    const ResponseSurface& surface = polynomial->surface();
    const auto expected = modelOrderCounts(surface.order, rangeCount);
    return formatText(
        "\n\t The number of coefficients read (%d) is different than the number expected (%d).",
        surface.termCount(), expected ? expected->terms : 0);
}

}  // namespace

std::optional<SurfaceKind> modelFileKind(const std::vector<std::string>& lines) {
    for (std::size_t at = 0; at < std::min<std::size_t>(2, lines.size()); ++at) {
        if (startsWith(lines[at], "RSM coef")) return SurfaceKind::leastSquares;
        if (startsWith(lines[at], "Kriging model")) return SurfaceKind::kriging;
        if (startsWith(lines[at], "Radial Basis Function model data")) {
            return SurfaceKind::radialBasis;
        }
    }
    return std::nullopt;
}

std::optional<LoadedModel> readModelFile(const std::string& path, std::string& reason,
                                         const std::string& context, int expectedVariables) {
    reason = formatText("%s\n\t Error in using the response surface file %s", context.c_str(),
                        path.c_str());
    const auto lines = readLines(path);
    if (!lines) {
        reason += "\n\t The file could not be opened.";
        return std::nullopt;
    }
    const auto kind = modelFileKind(*lines);
    std::string problem;
    std::optional<std::unique_ptr<SurrogateModel>> model;
    if (!kind) {
        problem = unrecognisedTypeProblem(lines->empty() ? std::string() : lines->front());
    } else if (*kind == SurfaceKind::leastSquares) {
        model = readPolynomial(*lines, path, problem);
    } else {
        model = readOtherKind(*kind, *lines, problem);
    }
    if (!model) {
        reason += problem;
        return std::nullopt;
    }
    auto ranges = readRangeBlock(*lines);
    if (!ranges) {
        reason += formatText(
            "\n\t Error in reading the variable range data from the mdl file %s.\n\tCould not "
            "locate header.",
            path.c_str());
        return std::nullopt;
    }
    const int rangeCount = static_cast<int>(ranges->size());
    problem = checkVariableCount(**model, rangeCount);
    if (problem.empty() && expectedVariables >= 0 && expectedVariables != rangeCount) {
        problem = formatText("\n\t The number of variables selected in the definition (%d) is "
                             "different than the number used in the mdl file (%d).",
                             expectedVariables, rangeCount);
    }
    if (!problem.empty()) {
        reason += problem;
        return std::nullopt;
    }
    reason.clear();
    return LoadedModel{std::move(*model), std::move(*ranges)};
}

}  // namespace varno::surrogate
