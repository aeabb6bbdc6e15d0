// Optimised Latin hypercubes by the enhanced stochastic evolutionary
// algorithm: exchanges of two levels within one column, judged by the phi_p
// space-filling criterion (p = 64, which ranks designs almost as the maximin
// distance does but also rewards improving the second-closest pairs). An
// exchange changes only the distances from its two rows, so a candidate is
// scored in O(samples) from cached pairwise distances.
#include "support/latin_hypercube.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <random>
#include <stdexcept>
#include <utility>

namespace varno::support {
namespace {

// Work budget at tuning 1: candidate exchanges scored times rows touched by
// each, and a cap on the outer iterations for small designs.
constexpr double workBudget = 4.0e7;
constexpr double maxOuterIterations = 300.0;
// Threshold control of the acceptance rule.
constexpr double initialThresholdFraction = 0.005;
constexpr double improvingFactor = 0.8;
constexpr double coolingFactor = 0.9;
constexpr double warmingFactor = 0.7;
constexpr double lowAcceptance = 0.1;
constexpr double highAcceptance = 0.8;

// Portable random draws from the Mersenne twister, whose output the standard
// fixes (the library distributions are implementation-defined).
class Sampler {
public:
    explicit Sampler(std::uint32_t seed) : engine_(seed) {}

    // Uniform in 0 .. bound-1 by rejection of the biased top of the range.
    int below(int bound) {
        const auto range = static_cast<std::uint32_t>(bound);
        const std::uint32_t limit = std::numeric_limits<std::uint32_t>::max() -
                                    std::numeric_limits<std::uint32_t>::max() % range;
        std::uint32_t draw = 0;
        do {
            draw = static_cast<std::uint32_t>(engine_());
        } while (draw >= limit);
        return static_cast<int>(draw % range);
    }

    // Uniform in [0, 1).
    double unit() { return static_cast<double>(engine_()) * 0x1p-32; }

private:
    std::mt19937 engine_;
};

// A column-major hypercube: entry (sample, variable) at variable*n + sample.
struct Columns {
    int n = 0;
    int k = 0;
    std::vector<int> values;

    int at(int sample, int variable) const {
        return values[static_cast<std::size_t>(variable) * n + sample];
    }
    int& at(int sample, int variable) {
        return values[static_cast<std::size_t>(variable) * n + sample];
    }
};

Columns randomColumns(int n, int k, Sampler& sampler) {
    Columns design{n, k, std::vector<int>(static_cast<std::size_t>(n) * k)};
    for (int c = 0; c < k; ++c) {
        for (int i = 0; i < n; ++i) design.at(i, c) = i;
        for (int i = n - 1; i > 0; --i)
            std::swap(design.at(i, c), design.at(sampler.below(i + 1), c));
    }
    return design;
}

// The phi_p sum over all pairs, with cached squared distances and terms. The
// terms are scaled by the smallest possible squared distance (k: every pair
// differs by at least one level in every column) so none exceeds 1.
class PhiState {
public:
    explicit PhiState(const Columns& design)
        : design_(design), n_(design.n), scale_(design.k),
          distance2_(static_cast<std::size_t>(n_) * n_), terms_(distance2_.size()) {
        for (int i = 0; i < n_; ++i)
            for (int j = i + 1; j < n_; ++j) setPair(i, j, squaredDistance(i, j));
        resum();
    }

    double sum() const { return sum_; }

    // sum^(1/64) by six square roots: unlike std::pow, std::sqrt is correctly
    // rounded everywhere, so designs match across platforms.
    static double phi(double sum) {
        for (int i = 0; i < 6; ++i) sum = std::sqrt(sum);
        return sum;
    }

    // Recomputes the sum from the cached terms, dropping rounding drift.
    void resum() {
        sum_ = 0.0;
        for (int i = 0; i < n_; ++i)
            for (int j = i + 1; j < n_; ++j) sum_ += terms_[index(i, j)];
    }

    // The sum after exchanging rows a and b in column c, design unchanged.
    double trialSum(int c, int a, int b) const {
        const long long va = design_.at(a, c);
        const long long vb = design_.at(b, c);
        double next = sum_;
        for (int j = 0; j < n_; ++j) {
            if (j == a || j == b) continue;
            const long long shift = (vb - va) * (vb + va - 2 * design_.at(j, c));
            next += term(distance2_[index(a, j)] + shift) - terms_[index(a, j)] +
                    term(distance2_[index(b, j)] - shift) - terms_[index(b, j)];
        }
        return next;
    }

    // Updates the caches for the exchange; call before swapping the levels.
    void exchange(int c, int a, int b, double newSum) {
        const long long va = design_.at(a, c);
        const long long vb = design_.at(b, c);
        for (int j = 0; j < n_; ++j) {
            if (j == a || j == b) continue;
            const long long shift = (vb - va) * (vb + va - 2 * design_.at(j, c));
            setPair(a, j, distance2_[index(a, j)] + shift);
            setPair(b, j, distance2_[index(b, j)] - shift);
        }
        sum_ = newSum;
    }

private:
    std::size_t index(int i, int j) const { return static_cast<std::size_t>(i) * n_ + j; }

    long long squaredDistance(int i, int j) const {
        long long total = 0;
        for (int c = 0; c < design_.k; ++c) {
            const long long d = design_.at(i, c) - design_.at(j, c);
            total += d * d;
        }
        return total;
    }

    void setPair(int i, int j, long long d2) {
        const double t = term(d2);
        distance2_[index(i, j)] = distance2_[index(j, i)] = d2;
        terms_[index(i, j)] = terms_[index(j, i)] = t;
    }

    // (scale / d2)^32, the distance to the power -64, by squaring; tiny
    // ratios give 0 rather than slow subnormal arithmetic.
    double term(long long d2) const {
        double r = scale_ / static_cast<double>(d2);
        if (r < 1e-9) return 0.0;
        for (int i = 0; i < 5; ++i) r *= r;
        return r;
    }

    const Columns& design_;
    int n_;
    double scale_;
    std::vector<long long> distance2_;
    std::vector<double> terms_;
    double sum_ = 0.0;
};

// Acceptance threshold of the evolutionary search: tightened while the best
// design improves, otherwise raised until most trials pass and then lowered
// slowly, so the search can leave a local optimum.
class Threshold {
public:
    explicit Threshold(double initial) : value_(initial) {}
    double value() const { return value_; }

    void update(bool bestImproved, double accepted, double improved) {
        if (bestImproved) {
            if (accepted > lowAcceptance && improved < accepted) value_ *= improvingFactor;
            else if (!(accepted > lowAcceptance && improved == accepted)) value_ /= improvingFactor;
            return;
        }
        if (accepted < lowAcceptance) warming_ = true;
        else if (accepted > highAcceptance) warming_ = false;
        value_ = warming_ ? value_ / warmingFactor : value_ * coolingFactor;
    }

private:
    double value_;
    bool warming_ = false;
};

struct SearchShape {
    int candidates;   // exchanges tried per step, the best is proposed
    int steps;        // steps per outer iteration
    long long outer;  // outer iterations
};

SearchShape searchShape(int n, int k, double tuning) {
    const double pairs = 0.5 * n * (n - 1);
    const int candidates = static_cast<int>(std::clamp(pairs / 5.0, 1.0, 50.0));
    const int steps = static_cast<int>(std::clamp(2.0 * pairs * k / candidates, 1.0, 100.0));
    const double perOuter = double(candidates) * steps * 2.0 * (n - 2);
    const double outer = std::min(maxOuterIterations, workBudget / perOuter) * tuning;
    return {candidates, steps, static_cast<long long>(std::clamp(std::ceil(outer), 1.0, 1e9))};
}

// One step: the best of several random exchanges in column c, accepted when
// it worsens the criterion by less than a random share of the threshold.
struct StepResult {
    bool accepted;
    double phi;
};

StepResult step(Columns& design, PhiState& state, int c, int candidates, double currentPhi,
                double threshold, Sampler& sampler) {
    int bestA = 0, bestB = 0;
    double bestSum = std::numeric_limits<double>::infinity();
    for (int t = 0; t < candidates; ++t) {
        const int a = sampler.below(design.n);
        const int b = (a + 1 + sampler.below(design.n - 1)) % design.n;
        const double trial = state.trialSum(c, a, b);
        if (trial < bestSum) {
            bestSum = trial;
            bestA = a;
            bestB = b;
        }
    }
    const double trialPhi = PhiState::phi(bestSum);
    if (trialPhi - currentPhi > threshold * sampler.unit()) return {false, currentPhi};
    state.exchange(c, bestA, bestB, bestSum);
    std::swap(design.at(bestA, c), design.at(bestB, c));
    return {true, trialPhi};
}

Columns optimise(Columns design, double tuning, Sampler& sampler) {
    const SearchShape shape = searchShape(design.n, design.k, tuning);
    PhiState state(design);
    double phi = PhiState::phi(state.sum());
    Columns best = design;
    double bestPhi = phi;
    Threshold threshold(initialThresholdFraction * phi);
    int column = 0;  // cycles through the columns across outer iterations
    for (long long outer = 0; outer < shape.outer; ++outer) {
        state.resum();
        const double startBest = bestPhi;
        int accepted = 0, improved = 0;
        for (int s = 0; s < shape.steps; ++s) {
            const StepResult result =
                step(design, state, column, shape.candidates, phi, threshold.value(), sampler);
            column = (column + 1) % design.k;
            phi = result.phi;
            accepted += result.accepted;
            if (result.accepted && phi < bestPhi) {
                best = design;
                bestPhi = phi;
                ++improved;
            }
        }
        threshold.update(bestPhi < startBest * (1.0 - 1e-12), double(accepted) / shape.steps,
                         double(improved) / shape.steps);
    }
    return best;
}

}  // namespace

LatinHypercubeDesign LatinHypercubeDesign::optimized(int samples, int variables,
                                                     const std::vector<int>& /*levels*/,
                                                     bool optimize, double tuning,
                                                     std::uint32_t seed) {
    LatinHypercubeDesign result;
    if (samples < 0 || variables < 0 || !(tuning >= 0.0)) return result;
    Sampler sampler(seed);
    Columns design = randomColumns(samples, variables, sampler);
    // With fewer than three points or one variable every hypercube has the
    // same set of distances, so there is nothing to optimise.
    if (optimize && samples > 2 && variables > 1)
        design = optimise(std::move(design), tuning, sampler);
    result.samples_ = samples;
    result.variables_ = variables;
    result.levels_.resize(design.values.size());
    for (int i = 0; i < samples; ++i)
        for (int c = 0; c < variables; ++c)
            result.levels_[static_cast<std::size_t>(i) * variables + c] = design.at(i, c);
    return result;
}

int LatinHypercubeDesign::level(int sample, int variable) const {
    if (sample < 0 || sample >= samples_ || variable < 0 || variable >= variables_)
        throw std::out_of_range("Latin hypercube level out of range");
    return levels_[static_cast<std::size_t>(sample) * variables_ + variable];
}

double LatinHypercubeDesign::minimumDistance() const {
    if (samples_ < 2) return 0.0;
    long long best = std::numeric_limits<long long>::max();
    for (int i = 0; i < samples_; ++i) {
        for (int j = i + 1; j < samples_; ++j) {
            long long total = 0;
            for (int c = 0; c < variables_; ++c) {
                const long long d = levels_[static_cast<std::size_t>(i) * variables_ + c] -
                                    levels_[static_cast<std::size_t>(j) * variables_ + c];
                total += d * d;
            }
            best = std::min(best, total);
        }
    }
    return std::sqrt(static_cast<double>(best));
}

}  // namespace varno::support
