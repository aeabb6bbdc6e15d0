// The adaptive choices among the model-guided candidate sources: which
// surrogate kind proposes this cycle's candidates, and which local method the
// baseline step uses, each steered by the success of earlier candidates.
#pragma once

#include <array>

#include "search/population.h"
#include "search/random_stream.h"
#include "support/binary_io.h"

namespace varno::search {

// Trials and successes of one candidate source.
struct SourceRecord {
    int trials = 0;
    int successes = 0;
};

// The choice among Kriging, least-squares and radial-basis surrogates.
class SurrogateChoice {
public:
    static constexpr float lowestWeight = 0.2f;
    static constexpr float highestWeight = 0.75f;

    // The tag of the kind to use: Kriging with probability k, else least
    // squares with probability l / (l + r), else radial basis.
    int draw(RandomStream& random) const;

    // Credits the kind of `tag` with a candidate that reached raw fitness
    // `rawFitness` where `recorded` was expected: a success when it did better,
    // counted twice more when it did so by at least half of |recorded|. The
    // weights then follow the successes, each within [0.2, 0.75]. The kind's
    // trust radius grows after a success and shrinks after a failure, down to
    // its smallest radius.
    void credit(int tag, double recorded, double rawFitness);

    // Half the width, in the fit range's [-1, 1] coordinates, of the region
    // around the start where the surface of the kind of `tag` is searched.
    double trustRadius(int tag) const { return radii_[indexOf(tag)]; }
    static constexpr double firstRadius = 0.25;
    static constexpr double smallestLocalRadius = 1.0 / 64.0;
    static constexpr double largestRadius = 1.0;
    // The least-squares surface is fitted to the designs nearest its start, so
    // it may narrow its region to refine a smooth optimum. Kriging and radial
    // basis are fitted over a wide box: narrowed, they keep refining a ripple
    // of a rugged objective, so their region never shrinks below the first.
    static double smallestRadius(int tag);

    float kriging = 0.5f;        // k: the probability of Kriging
    float leastSquares = 0.25f;  // l
    float radialBasis = 0.25f;   // r
    SourceRecord krigingRecord;
    SourceRecord leastSquaresRecord;
    SourceRecord radialBasisRecord;

    void write(support::ByteWriter& out) const;
    bool read(support::ByteReader& in);

private:
    static std::size_t indexOf(int tag);
    SourceRecord& recordOf(int tag);
    // Per kind (Kriging, least squares, radial basis): a surface that
    // predicted an improvement well is trusted further from its start next
    // time; one that misled is searched closer to it.
    std::array<double, 3> radii_ = {firstRadius, firstRadius, firstRadius};
};

// The local methods of the baseline step, in the order of their shares.
enum class LocalMethod : int { trustRegion = 0, simplex = 1, pattern = 2 };

// The choice among the baseline step's local methods by their shares
// s / (u + 1), s / (u + 1) and s / (u + 2) of successes s and uses u; equal
// shares while no method has succeeded.
class LocalMethodChoice {
public:
    // Only the pattern method while the store holds no more designs than a
    // simplex needs (F + 1 at least the evaluations done).
    LocalMethod draw(RandomStream& random, int fieldCount, int evaluationsDone) const;
    void used(LocalMethod method) { ++recordOf(method).trials; }
    // A candidate that was not found again after evaluation did not count.
    void lost(LocalMethod method) { --recordOf(method).trials; }
    void succeeded(LocalMethod method) { ++recordOf(method).successes; }
    const SourceRecord& record(LocalMethod method) const {
        return records_[static_cast<std::size_t>(method)];
    }
    void write(support::ByteWriter& out) const;
    bool read(support::ByteReader& in);

private:
    SourceRecord& recordOf(LocalMethod method) {
        return records_[static_cast<std::size_t>(method)];
    }
    std::array<SourceRecord, 3> records_{};
};

}  // namespace varno::search
