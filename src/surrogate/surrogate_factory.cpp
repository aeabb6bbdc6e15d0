#include "surrogate/surrogate_factory.h"

#include "surrogate/polynomial_surrogate.h"

namespace varno::surrogate {

std::unique_ptr<SurrogateModel> makeEmptySurrogate(SurfaceKind kind) {
    switch (kind) {
        case SurfaceKind::leastSquares: return std::make_unique<PolynomialSurrogate>();
        // Kriging and radial-basis models are not available in this build yet.
        case SurfaceKind::kriging: return nullptr;
        case SurfaceKind::radialBasis: return nullptr;
    }
    return nullptr;
}

}  // namespace varno::surrogate
