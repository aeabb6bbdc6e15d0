// The files of a fitted response surface: the model file (".mdl") with the
// coefficients and normalisation ranges, and the error file (".err") with the
// residuals at the fitting points.
#pragma once

#include <Eigen/Dense>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "surrogate/response_surface.h"
#include "surrogate/variable_range.h"

namespace varno::surrogate {

// "<folder><separator><response>-<order name>-<agent><extension>"; characters
// of the response name that would leave the folder become "_".
std::string responseSurfaceFilePath(const std::string& folder, const std::string& response,
                                    int order, int agent, const std::string& extension);

// The least and largest values of the surface on a grid over the normalised
// box, widened by 20 % of their magnitudes; none when the grid is too large.
std::optional<std::pair<double, double>> estimateSurfaceRange(const ResponseSurface& surface);

// Write the files; false (with a message written) when the file cannot be
// created or the surface has no known order.
bool writeModelFile(const std::string& path, const ResponseSurface& surface,
                    const std::vector<VariableRange>& ranges);
bool writeErrorFile(const std::string& path, const Eigen::VectorXd& values,
                    const FitStatistics& stats);

}  // namespace varno::surrogate
