#include "surrogate/surface_fitting.h"

#include <set>

#include "frame/message_writer.h"
#include "frame/text_format.h"
#include "surrogate/response_surface_files.h"

namespace varno::surrogate {

namespace {

// A variable seen at no more than two values cannot support its square: the
// square is then a combination of the constant and the linear term.
bool quadraticRestricted(const Eigen::MatrixXd& points) {
    for (Eigen::Index column = 0; column < points.cols(); ++column) {
        std::set<double> seen;
        for (Eigen::Index row = 0; row < points.rows() && seen.size() <= 2; ++row) {
            seen.insert(points(row, column));
        }
        if (seen.size() <= 2) return true;
    }
    return false;
}

int chooseOrder(int orderToUse, bool quadraticAllowed) {
    if (orderToUse == linearOrder || orderToUse == quadraticOrder) return orderToUse;
    return quadraticAllowed ? quadraticOrder : linearOrder;
}

void warnTooFewPoints(int points, int terms) {
    const int recommended = terms * 12 / 10;
    if (points >= recommended) return;
    writeMessage("outptr", "warning",
                 formatText("The number of points selected for fitting the least squares surface "
                            "(%d) is not sufficient. The minimum recommended number is %d.",
                            points, recommended));
}

void warnSingular(const std::string& response) {
    std::string text = formatText("Could not fit a response surface to the data for response: %s.",
                                  response.c_str());
    text = formatText("%s The X'X matrix is singular. Please choose a different sampling",
                      text.c_str());
    text = formatText("%s method for fitting the surface.", text.c_str());
    writeMessage("outptr", "warning", text);
}

void writeSurfaceFiles(const SurfaceFitRequest& request, std::size_t response,
                       const ResponseSurface& surface) {
    const std::string& name = request.responseNames[response];
    const auto path = [&](const char* extension) {
        return responseSurfaceFilePath(request.studyFolder, name, surface.order, request.agent,
                                       extension);
    };
    writeModelFile(path(".mdl"), surface, request.ranges);
    if (request.searchStudy) return;
    const Eigen::VectorXd values = request.values.col(static_cast<Eigen::Index>(response));
    writeErrorFile(path(".err"), values, fitStatistics(surface, request.points, values));
}

void resetStoreIfResized(ResponseSurfaceStore& store, std::size_t responses) {
    if (store.lsq_coefs.size() == responses && store.lsq_rsm_order_to_use.size() == responses) {
        return;
    }
    store.lsq_coefs.assign(responses, {});
    store.lsq_rsm_order_to_use.assign(responses, -1);
}

}  // namespace

int fitResponseSurfaces(const SurfaceFitRequest& request, ResponseSurfaceStore& store) {
    const std::size_t responses = request.responseNames.size();
    const int points = static_cast<int>(request.points.rows());
    if (points == 0 || responses == 0 ||
        request.values.cols() != static_cast<Eigen::Index>(responses)) {
        return -1;
    }
    resetStoreIfResized(store, responses);
    const int variables = static_cast<int>(request.points.cols());
    const int quadraticTerms = modelOrderCounts(quadraticOrder, variables)->terms;
    const bool quadraticAllowed = points >= quadraticTerms && !quadraticRestricted(request.points);
    std::set<int> ordersUsed;
    for (int orderToUse : store.lsq_rsm_order_to_use) {
        ordersUsed.insert(chooseOrder(orderToUse, quadraticAllowed));
    }
    if (!request.searchStudy) {
        for (int order : ordersUsed)
            warnTooFewPoints(points, modelOrderCounts(order, variables)->terms);
    }
    bool usable = true;
    for (std::size_t r = 0; r < responses; ++r) {
        const int order = chooseOrder(store.lsq_rsm_order_to_use[r], quadraticAllowed);
        SurfaceFit fit = fitResponseSurface(order, request.points,
                                            request.values.col(static_cast<Eigen::Index>(r)));
        if (fit.singular) warnSingular(request.responseNames[r]);
        usable = usable && fit.surface.valid;
        if (fit.surface.valid && request.writeFiles) writeSurfaceFiles(request, r, fit.surface);
        store.lsq_coefs[r][static_cast<std::size_t>(order)] = std::move(fit.surface);
    }
    store.lsq_rsm_order_to_use.assign(responses, quadraticAllowed ? quadraticOrder : linearOrder);
    return usable ? 1 : 0;
}

}  // namespace varno::surrogate
