#include "surrogate/fit_points.h"

#include <algorithm>
#include <numeric>
#include <vector>

namespace varno::surrogate {

namespace {

bool rowLess(const Eigen::MatrixXd& points, Eigen::Index a, Eigen::Index b) {
    for (Eigen::Index k = 0; k < points.cols(); ++k) {
        if (points(a, k) != points(b, k)) return points(a, k) < points(b, k);
    }
    return false;
}

}  // namespace

std::optional<FitPoints> mergeDuplicatePoints(const Eigen::MatrixXd& points,
                                              const Eigen::VectorXd& values) {
    if (points.rows() == 0 || points.cols() == 0 || points.rows() != values.size() ||
        !points.allFinite() || !values.allFinite()) {
        return std::nullopt;
    }
    std::vector<Eigen::Index> order(static_cast<std::size_t>(points.rows()));
    std::iota(order.begin(), order.end(), Eigen::Index{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](Eigen::Index a, Eigen::Index b) { return rowLess(points, a, b); });
    FitPoints merged{Eigen::MatrixXd(points.cols(), points.rows()), Eigen::VectorXd(points.rows())};
    Eigen::Index distinct = 0;
    for (std::size_t first = 0; first < order.size();) {
        std::size_t last = first + 1;
        double sum = values(order[first]);
        while (last < order.size() && !rowLess(points, order[first], order[last])) {
            sum += values(order[last++]);
        }
        merged.columns.col(distinct) = points.row(order[first]).transpose();
        merged.values(distinct++) = sum / static_cast<double>(last - first);
        first = last;
    }
    merged.columns.conservativeResize(Eigen::NoChange, distinct);
    merged.values.conservativeResize(distinct);
    return merged;
}

}  // namespace varno::surrogate
