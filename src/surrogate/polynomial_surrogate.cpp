#include "surrogate/polynomial_surrogate.h"

#include <sstream>

#include "surrogate/model_order.h"
#include "surrogate/polynomial_model_text.h"

namespace varno::surrogate {

double PolynomialSurrogate::evaluate(const Eigen::VectorXd& x) const {
    return evaluateResponseSurface(x, surface_);
}

Eigen::VectorXd PolynomialSurrogate::gradient(const Eigen::VectorXd& x) const {
    return responseSurfaceGradient(x, surface_);
}

std::vector<std::string> PolynomialSurrogate::writeData() const {
    if (!surface_.valid) return {};
    std::vector<std::string> lines;
    std::istringstream text(coefficientText(surface_));
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    return lines;
}

bool PolynomialSurrogate::readData(const std::vector<std::string>& lines) {
    std::string problem;
    auto surface = parseCoefficientText(lines, "", problem);
    if (!surface || !surface->valid) return false;
    surface_ = std::move(*surface);
    return true;
}

std::unique_ptr<SurrogateModel> fitPolynomialSurrogate(int order, const Eigen::MatrixXd& points,
                                                       const Eigen::VectorXd& values) {
    if (!modelOrderCounts(order, static_cast<int>(points.cols())) ||
        points.rows() != values.size()) {
        return nullptr;
    }
    SurfaceFit fit = fitResponseSurface(order, points, values);
    if (!fit.surface.valid) return nullptr;
    return std::make_unique<PolynomialSurrogate>(std::move(fit.surface));
}

}  // namespace varno::surrogate
