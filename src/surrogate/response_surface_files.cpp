#include "surrogate/response_surface_files.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "frame/message_writer.h"
#include "frame/text_format.h"
#include "support/file_io.h"
#include "surrogate/model_order.h"
#include "surrogate/polynomial_model_text.h"

namespace varno::surrogate {

namespace {

constexpr long long largestGrid = 100000;

bool hasKnownLayout(const ResponseSurface& surface) {
    const auto counts = modelOrderCounts(surface.order, surface.variableCount);
    return counts && counts->terms == surface.termCount();
}

std::string rangeEstimateText(const ResponseSurface& surface) {
    const auto range = estimateSurfaceRange(surface);
    if (!range) return "\nError in estimating min, max\n";
    return formatText("\nEstimated min = %f", range->first) +
           formatText("\nEstimated max = %f\n", range->second);
}

void reportUncreatedModelFile(const std::string& path) {
    std::string text = "\n\t***** ERROR *****";
    text += formatText("\n\t Could not create the following file:  %s", path.c_str());
    text += "\n\t Please make sure that the disk is not full or the directory is not write "
            "protected.";
    writeMessage("outptr", "error", text);
}

std::string residualTable(const Eigen::VectorXd& values, const FitStatistics& stats) {
    std::string text = "\n Design #,   Actual values, Predicted values,    Residual, Percent Error";
    for (Eigen::Index row = 0; row < values.size(); ++row) {
        const double residual = stats.residuals(row);
        const double percent = values(row) == 0.0 ? 100.0 * residual
                                                  : 100.0 * residual / values(row);
        text += formatText("\n%9d,%16f, %16f,%12f,%14f", static_cast<int>(row + 1), values(row),
                           stats.predicted(row), residual, percent);
    }
    return text;
}

std::string summaryText(const FitStatistics& stats) {
    std::string text = formatText("\n\n\n Maximum Residual = %f", stats.maxResidual);
    text += formatText("\n Residual Sum of Squares = %f", stats.errorSumOfSquares);
    text += formatText("\n RMS Error = %f", stats.rmsError);
    text += formatText("\n\n\n Error sum of Squares = %f", stats.errorSumOfSquares);
    text += formatText("\n Regression sum of squares = %f", stats.regressionSumOfSquares);
    text += formatText("\n Total Sum of Squares = %f", stats.totalSumOfSquares);
    if (stats.adjustedRSquared) {
        text += formatText("\n\n\n R squared (Coeff. of multiple determination) = %f, Adjusted R "
                           "squared = %f",
                           stats.rSquared, *stats.adjustedRSquared);
    } else {
        text +=
            formatText("\n\n\n R squared (Coeff. of multiple determination) = %f", stats.rSquared);
    }
    return text + "\n\n";
}

}  // namespace

std::string responseSurfaceFilePath(const std::string& folder, const std::string& response,
                                    int order, int agent, const std::string& extension) {
    return formatText("%s%c%s-%s-%d", folder.c_str(), support::pathSeparator,
                      support::fileNamePart(response).c_str(), modelOrderName(order).c_str(),
                      agent) +
           extension;
}

std::optional<std::pair<double, double>> estimateSurfaceRange(const ResponseSurface& surface) {
    const int n = surface.variableCount;
    const int levels = surface.order == linearOrder ? 2 : 3;
    if (n > (levels == 2 ? 16 : 10) || std::pow(levels, n) > largestGrid) return std::nullopt;
    double least = std::numeric_limits<double>::infinity();
    double largest = -least;
    std::vector<int> level(static_cast<std::size_t>(n), 0);
    Eigen::VectorXd x(n);
    for (bool more = true; more;) {
        for (int i = 0; i < n; ++i) x(i) = 2.0 * level[i] / (levels - 1) - 1.0;
        const double value = evaluateResponseSurface(x, surface);
        least = std::min(least, value);
        largest = std::max(largest, value);
        more = false;  // odometer step over the levels of every variable
        for (int i = 0; i < n && !more; ++i) {
            more = ++level[i] < levels;
            if (!more) level[i] = 0;
        }
    }
    return std::make_pair(least - 0.2 * std::fabs(least), largest + 0.2 * std::fabs(largest));
}

bool writeModelFile(const std::string& path, const ResponseSurface& surface,
                    const std::vector<VariableRange>& ranges) {
    if (!hasKnownLayout(surface)) {
        std::string text = "\n\t***** INTERNAL ERROR *****";
        text += formatText("\n\t Could not determine the surface type from \"%s\":  %s",
                           path.c_str(), modelOrderName(surface.order).c_str());
        writeMessage("outptr", "internal error", text);
        return false;
    }
    support::FileWriter writer(path, false);
    if (!writer.is_open()) {
        reportUncreatedModelFile(path);
        return false;
    }
    writer.write(coefficientText(surface) + "\n" + rangeEstimateText(surface) + rangeBlock(ranges));
    writer.close();
    return true;
}

bool writeErrorFile(const std::string& path, const Eigen::VectorXd& values,
                    const FitStatistics& stats) {
    support::FileWriter writer(path, false);
    if (!writer.is_open()) {
        std::string text = formatText("\n\t Could not create the error file %s.", path.c_str());
        text += "\n\t The error estimation for this surface will not be avaiable.";
        text += "\n\t Please make sure that the disk is not full.";
        writeMessage("outptr", "warning", text);
        return false;
    }
    writer.write(residualTable(values, stats) + summaryText(stats));
    writer.close();
    return true;
}

}  // namespace varno::surrogate
