// Fits a least-squares surface to every response of an agent over the same
// evaluated designs, choosing between the linear and quadratic orders, and
// writes the model and error files.
#pragma once

#include <Eigen/Dense>
#include <array>
#include <string>
#include <vector>

#include "surrogate/model_order.h"
#include "surrogate/response_surface.h"
#include "surrogate/variable_range.h"

namespace varno::surrogate {

struct SurfaceFitRequest {
    Eigen::MatrixXd points;  // normalised variables, one row per design
    Eigen::MatrixXd values;  // one column per response, one row per design
    std::vector<std::string> responseNames;
    std::vector<VariableRange> ranges;  // of the variables, for the model files
    std::string studyFolder;
    int agent = 0;
    bool searchStudy = false;  // a TRAVOK or MOTRAVOK agent: no point warning, no error file
    bool writeFiles = false;
};

// The coefficient store of an agent, kept from one fit to the next.
struct ResponseSurfaceStore {
    // Per response, one record per model order.
    std::vector<std::array<ResponseSurface, modelOrderCount>> lsq_coefs;
    // Per response: -1 undecided, 0 linear, 1 quadratic.
    std::vector<int> lsq_rsm_order_to_use;
};

// 1 when every response got a usable surface, 0 when one did not, -1 when
// there is nothing to fit.
int fitResponseSurfaces(const SurfaceFitRequest& request, ResponseSurfaceStore& store);

}  // namespace varno::surrogate
