// A fitted surrogate of one response: a smooth function of the normalised
// variables (each mapped from its range to [-1, 1]) with its gradient, that
// saves itself to and restores itself from text lines of a model file.
#pragma once

#include <Eigen/Dense>
#include <memory>
#include <string>
#include <vector>

namespace varno::surrogate {

// Surface kinds as a method names them and model files record them.
enum class SurfaceKind : int {
    leastSquares = 0,  // polynomial response surface
    kriging = 2,       // "Kriging"
    radialBasis = 3,   // "RadialBasisFunction"
};

class SurrogateModel {
public:
    virtual ~SurrogateModel() = default;
    virtual SurfaceKind kind() const = 0;
    virtual int variableCount() const = 0;
    // The predicted response at x (normalised, variableCount() entries).
    virtual double evaluate(const Eigen::VectorXd& x) const = 0;
    // The gradient of evaluate() with respect to x.
    virtual Eigen::VectorXd gradient(const Eigen::VectorXd& x) const = 0;
    // The model's data as the text lines of a model file; empty when the
    // model is not fitted.
    virtual std::vector<std::string> writeData() const = 0;
    // Restores a model from lines written by writeData(); false when they do
    // not describe a model of this kind.
    virtual bool readData(const std::vector<std::string>& lines) = 0;
};

// The least-squares polynomial surface of model order `order` (0 linear,
// 1 quadratic, ... 9) fitted to `points` (one row per point, normalised) and
// `values`; none when the fit is singular or a coefficient is not finite.
std::unique_ptr<SurrogateModel> fitPolynomialSurrogate(int order, const Eigen::MatrixXd& points,
                                                       const Eigen::VectorXd& values);

// A Kriging or radial-basis surrogate fitted to `points` and `values`; none
// when either count is 0, the kind is least squares or the fit fails.
// `sweep` chooses a sweep of the correlation parameters over their
// optimisation (Kriging only).
std::unique_ptr<SurrogateModel> buildSurrogate(SurfaceKind kind, const Eigen::MatrixXd& points,
                                               const Eigen::VectorXd& values, bool sweep);

// A Kriging surrogate fitted to all `points` and `values` with the
// correlation parameters most likely for at most `tuningPoints` of them,
// spread evenly through the rows. Each likelihood evaluation costs the cube
// of its point count, and the parameters of a fit over many nearby points are
// estimated almost as well from part of them. None when the fit fails.
std::unique_ptr<SurrogateModel> buildKrigingTunedOnPart(const Eigen::MatrixXd& points,
                                                        const Eigen::VectorXd& values,
                                                        int tuningPoints);

}  // namespace varno::surrogate
