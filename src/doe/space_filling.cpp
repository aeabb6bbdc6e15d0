#include "doe/space_filling.h"

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numeric>

#include "frame/fatal_error.h"
#include "frame/message_writer.h"
#include "frame/text_format.h"
#include "support/hammersley.h"
#include "support/latin_hypercube.h"

namespace varno::doe {

namespace {

constexpr int exchangePasses = 10;
constexpr int factorsWithCountableRuns = 23;  // 2^k still fits an int below this

DoeTable oneHypercube(int k, int runs, int levels, search::RandomStream& random) {
    DoeTable table = makeTable(kindLatinHypercube, k, runs,
                               std::vector<int>(static_cast<std::size_t>(k), levels));
    const int subLevels = std::max(levels / runs, 1);
    for (int j = 0; j < k; ++j) {
        const std::vector<int> permutation = randomPermutation(runs, random);
        for (int i = 0; i < runs; ++i) {
            const int offset = subLevels > 1 ? random.index(subLevels) : 0;
            table.level(permutation[i], j) = i * subLevels + offset;
        }
    }
    return table;
}

Eigen::MatrixXd toEigen(const ModelMatrix& x) {
    Eigen::MatrixXd m(x.size(), x.empty() ? 0 : x.front().size());
    for (std::size_t i = 0; i < x.size(); ++i) {
        for (std::size_t j = 0; j < x[i].size(); ++j) m(i, j) = x[i][j];
    }
    return m;
}

Eigen::VectorXd rowOf(const ModelMatrix& x, std::size_t i) {
    return Eigen::Map<const Eigen::VectorXd>(x[i].data(), static_cast<long>(x[i].size()));
}

Eigen::MatrixXd inverseInformation(const ModelMatrix& x) {
    const Eigen::MatrixXd m = toEigen(x);
    return (m.transpose() * m).inverse();
}

// Exchanges the factors of run i; true when one changed.
bool exchangeRun(ModelMatrix& x, std::size_t i, Eigen::MatrixXd& inverse) {
    bool changed = false;
    for (std::size_t j = 1; j < x[i].size(); ++j) {
        const Eigen::VectorXd old = rowOf(x, i);
        const double dOld = old.dot(inverse * old);
        double bestDelta = 1.0;
        double bestValue = x[i][j];
        for (double candidate : {-1.0, 0.0, 1.0}) {
            Eigen::VectorXd fresh = old;
            fresh(static_cast<long>(j)) = candidate;
            const double dNew = fresh.dot(inverse * fresh);
            const double dCross = fresh.dot(inverse * old);
            const double delta = (1.0 + dNew) * (1.0 - dOld) + dCross * dCross;
            if (delta > bestDelta) {
                bestDelta = delta;
                bestValue = candidate;
            }
        }
        if (bestDelta > 1.0) {
            x[i][j] = bestValue;
            inverse = inverseInformation(x);
            changed = true;
        }
    }
    return changed;
}

void refuseTooFewRuns(int k, int runs, int agentNumber) {
    if (runs <= k) {
        fatalError(std::string("The number of runs must be greater than the number of factors") +
                   " for the D-Optimal DOE sampling.");
    }
    if (k < 2) {
        fatalError(formatText("At least TWO factors need to be defined for using the D-Optimal DOE "
                              "in agent # %d.",
                              agentNumber) +
                   "Cannot continue.");
    }
}

}  // namespace

std::vector<int> randomPermutation(int n, search::RandomStream& random) {
    std::vector<int> unused(static_cast<std::size_t>(n));
    std::iota(unused.begin(), unused.end(), 0);
    std::vector<int> permutation;
    while (!unused.empty()) {
        const auto pick = static_cast<std::size_t>(random.index(static_cast<int>(unused.size())));
        permutation.push_back(unused[pick]);
        unused.erase(unused.begin() + static_cast<long>(pick));
    }
    return permutation;
}

int smallestRunDistance(const DoeTable& table) {
    int smallest = 0;
    for (int j = 0; j < table.num_factors; ++j) smallest += table.factor_levels[j] - 1;
    for (int a = 0; a < table.num_runs; ++a) {
        for (int b = a + 1; b < table.num_runs; ++b) {
            int distance = 0;
            for (int j = 0; j < table.num_factors; ++j) {
                distance += std::abs(table.level(a, j) - table.level(b, j));
            }
            smallest = std::min(smallest, distance);
        }
    }
    return smallest;
}

DoeTable latinHypercube(int k, int runs, int levels, int tries, search::RandomStream& random) {
    DoeTable best = oneHypercube(k, runs, levels, random);
    int bestScore = smallestRunDistance(best);
    for (int t = 1; t < tries; ++t) {
        DoeTable candidate = oneHypercube(k, runs, levels, random);
        const int score = smallestRunDistance(candidate);
        if (score > bestScore) {
            best = std::move(candidate);
            bestScore = score;
        }
    }
    return best;
}

DoeTable optimizedLatinHypercube(int k, int runs, double timeLimit, search::RandomStream& random) {
    DoeTable table = latinHypercube(k, runs, runs, 1, random);
    const std::uint32_t seed = random.samplingSeed();
    const std::vector<int> levels(static_cast<std::size_t>(k), runs);
    const support::LatinHypercubeDesign design =
        support::LatinHypercubeDesign::optimized(runs, k, levels, true, timeLimit, seed);
    for (int i = 0; i < runs; ++i) {
        for (int j = 0; j < k; ++j) table.level(i, j) = design.level(i, j);
    }
    return table;
}

DoeTable hammersleyDesign(int k, int runs, search::RandomStream& random) {
    DoeTable table = latinHypercube(k, runs, runs, 2, random);
    const support::HammersleyDesign design(runs, k, runs);
    for (int i = 0; i < runs; ++i) {
        for (int j = 0; j < k; ++j) table.level(i, j) = design.level(i, j);
    }
    return table;
}

double informationDeterminant(const ModelMatrix& x) {
    const Eigen::MatrixXd m = toEigen(x);
    return (m.transpose() * m).determinant();
}

void exchangeCoordinates(ModelMatrix& x) {
    Eigen::MatrixXd inverse = inverseInformation(x);
    for (int pass = 0; pass < exchangePasses; ++pass) {
        bool changed = false;
        for (std::size_t i = 0; i < x.size(); ++i) changed = exchangeRun(x, i, inverse) || changed;
        if (!changed) return;
    }
}

DoeTable dOptimal(int k, int runs, int agentNumber, search::RandomStream& random) {
    refuseTooFewRuns(k, runs, agentNumber);
    if (k < factorsWithCountableRuns && runs > (1 << k)) {
        writeMessage("stderr", "warning",
                     formatText("The requested number of runs (%d) is greater than the max. "
                                "possible runs (%d) for the selected factors",
                                runs, 1 << k) +
                         " for the D-Optimal DOE sampling.");
    }
    ModelMatrix x(static_cast<std::size_t>(runs),
                  std::vector<double>(static_cast<std::size_t>(k + 1), 1.0));
    for (std::vector<double>& row : x) {
        for (int j = 1; j <= k; ++j) row[j] = 2.0 * random.draw() - 1.0;
    }
    exchangeCoordinates(x);
    DoeTable table =
        makeTable(kindDOptimal, k, runs, std::vector<int>(static_cast<std::size_t>(k), 2));
    for (int i = 0; i < runs; ++i) {
        for (int j = 0; j < k; ++j) {
            table.level(i, j) = static_cast<int>(std::floor(x[i][j + 1] + 1.0)) / 2;
        }
    }
    return table;
}

}  // namespace varno::doe
