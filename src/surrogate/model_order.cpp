#include "surrogate/model_order.h"

#include <array>
#include <limits>

namespace varno::surrogate {

namespace {

enum class SecondOrder { none, squares, products, full };

struct OrderLayout {
    const char* name;
    bool linear;
    SecondOrder second;
    bool cubic;
};

constexpr std::array<OrderLayout, modelOrderCount> layouts{{
    {"Linear", true, SecondOrder::none, false},
    {"Quadratic", true, SecondOrder::full, false},
    {"SquareTermsOnly", false, SecondOrder::squares, false},
    {"CubicTermsOnly", false, SecondOrder::none, true},
    {"Bilinear", true, SecondOrder::products, false},
    {"LinAndSq", true, SecondOrder::squares, false},
    {"LinAndCubic", true, SecondOrder::none, true},
    {"LinWithSqAndCubic", true, SecondOrder::squares, true},
    {"BilinearWithCubic", true, SecondOrder::products, true},
    {"QuadWithCubic", true, SecondOrder::full, true},
}};

long long secondOrderCount(SecondOrder kind, long long n) {
    switch (kind) {
        case SecondOrder::none: return 0;
        case SecondOrder::squares: return n;
        case SecondOrder::products: return n * (n - 1) / 2;
        case SecondOrder::full: return n * (n + 1) / 2;
    }
    return 0;
}

// Calls visit(i, j) for every second-order term x_i·x_j in coefficient order.
template <typename Visit>
void forEachSecondOrderTerm(SecondOrder kind, int n, Visit visit) {
    if (kind == SecondOrder::squares) {
        for (int i = 0; i < n; ++i) visit(i, i);
        return;
    }
    if (kind == SecondOrder::none) return;
    const int offset = kind == SecondOrder::full ? 0 : 1;
    for (int i = 0; i < n; ++i) {
        for (int j = i + offset; j < n; ++j) visit(i, j);
    }
}

}  // namespace

std::optional<TermCounts> modelOrderCounts(int code, int variables) {
    if (code < 0 || code >= modelOrderCount || variables < 0) return std::nullopt;
    const OrderLayout& layout = layouts[static_cast<std::size_t>(code)];
    const long long n = variables;
    const long long second = secondOrderCount(layout.second, n);
    const long long terms = 1 + (layout.linear ? n : 0) + second + (layout.cubic ? n : 0);
    if (terms > std::numeric_limits<int>::max()) return std::nullopt;
    return TermCounts{code, static_cast<int>(terms), layout.linear ? variables : 0,
                      static_cast<int>(second), layout.cubic ? variables : 0};
}

std::optional<TermCounts> modelOrderFromName(const std::string& name, int variables) {
    for (int code = 0; code < modelOrderCount; ++code) {
        if (name == layouts[static_cast<std::size_t>(code)].name) {
            return modelOrderCounts(code, variables);
        }
    }
    return std::nullopt;
}

std::string modelOrderName(int code) {
    if (code < 0 || code >= modelOrderCount) return {};
    return layouts[static_cast<std::size_t>(code)].name;
}

Eigen::VectorXd termValues(int code, const Eigen::VectorXd& x) {
    const OrderLayout& layout = layouts.at(static_cast<std::size_t>(code));
    const int n = static_cast<int>(x.size());
    Eigen::VectorXd values(modelOrderCounts(code, n)->terms);
    int at = 0;
    values(at++) = 1.0;
    if (layout.linear) {
        for (int i = 0; i < n; ++i) values(at++) = x(i);
    }
    forEachSecondOrderTerm(layout.second, n, [&](int i, int j) { values(at++) = x(i) * x(j); });
    if (layout.cubic) {
        for (int i = 0; i < n; ++i) values(at++) = x(i) * x(i) * x(i);
    }
    return values;
}

Eigen::MatrixXd termDerivatives(int code, const Eigen::VectorXd& x) {
    const OrderLayout& layout = layouts.at(static_cast<std::size_t>(code));
    const int n = static_cast<int>(x.size());
    Eigen::MatrixXd derivatives = Eigen::MatrixXd::Zero(modelOrderCounts(code, n)->terms, n);
    int at = 1;  // the constant has no derivative
    if (layout.linear) {
        for (int i = 0; i < n; ++i) derivatives(at++, i) = 1.0;
    }
    forEachSecondOrderTerm(layout.second, n, [&](int i, int j) {
        derivatives(at, i) += x(j);
        derivatives(at, j) += x(i);
        ++at;
    });
    if (layout.cubic) {
        for (int i = 0; i < n; ++i) derivatives(at++, i) = 3.0 * x(i) * x(i);
    }
    return derivatives;
}

}  // namespace varno::surrogate
