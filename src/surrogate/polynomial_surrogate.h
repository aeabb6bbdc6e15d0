// A least-squares polynomial surface behind the common surrogate interface.
#pragma once

#include "surrogate/response_surface.h"
#include "surrogate/surrogate_model.h"

namespace varno::surrogate {

class PolynomialSurrogate : public SurrogateModel {
public:
    PolynomialSurrogate() = default;  // empty until readData fills it
    explicit PolynomialSurrogate(ResponseSurface surface) : surface_(std::move(surface)) {}

    SurfaceKind kind() const override { return SurfaceKind::leastSquares; }
    int variableCount() const override { return surface_.variableCount; }
    double evaluate(const Eigen::VectorXd& x) const override;
    Eigen::VectorXd gradient(const Eigen::VectorXd& x) const override;
    std::vector<std::string> writeData() const override;
    bool readData(const std::vector<std::string>& lines) override;

    const ResponseSurface& surface() const { return surface_; }

private:
    ResponseSurface surface_;
};

}  // namespace varno::surrogate
