#include "surrogate/surrogate_factory.h"

#include "surrogate/kriging_fit.h"
#include "surrogate/polynomial_surrogate.h"
#include "surrogate/radial_basis_fit.h"

namespace varno::surrogate {

std::unique_ptr<SurrogateModel> makeEmptySurrogate(SurfaceKind kind) {
    switch (kind) {
        case SurfaceKind::leastSquares: return std::make_unique<PolynomialSurrogate>();
        case SurfaceKind::kriging: return std::make_unique<KrigingFit>();
        case SurfaceKind::radialBasis: return std::make_unique<RadialBasisFunctionFit>();
    }
    return nullptr;
}

}  // namespace varno::surrogate
