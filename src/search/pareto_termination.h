// The automatic termination test of the multi-objective search: the run ends
// once the whole archive is non-dominated and the spread of its crowding
// distances has stopped changing.
#pragma once

#include <array>
#include <vector>

#include "search/pareto.h"
#include "support/binary_io.h"

namespace varno::search {

class ParetoTermination {
public:
    static constexpr int ringSize = 40;
    static constexpr int firstTestCycle = 40;

    // `shutOff` 0 switches the test off; 2 selects the looser constants.
    ParetoTermination(int shutOff, int archiveSize, int breedingSize, int maxEvaluations);

    // After an archive update of `cycle`: records the archive's spread ratio
    // and decides whether the criteria are met.
    void update(const std::vector<ParetoDesign>& archive, int cycle);

    // The largest crowding distance over their sum, boundary members left out;
    // 0 when the sum is not positive.
    static double spreadRatio(const std::vector<ParetoDesign>& archive);

    bool met() const { return met_; }
    // Where the test stands, for checkpoints.
    void write(support::ByteWriter& out) const;
    bool read(support::ByteReader& in);
    double ratio() const { return previous_; }
    int stallCount() const { return stallCount_; }
    int stallStartRank() const { return stallStartRank_; }
    double deviation() const { return deviation_; }
    // The deviation below which the spread counts as settled.
    double limit() const;

private:
    double ringDeviation() const;
    bool criteria(int cycle, int lastRank) const;

    int shutOff_;
    int archiveSize_;
    int breedingSize_;
    int maxEvaluations_;
    double previous_ = 0.0;
    int stallCount_ = 0;
    int stallStartRank_ = 0;
    std::array<double, ringSize> ring_{};
    int ringCursor_ = 0;
    double deviation_ = 0.0;
    bool met_ = false;
};

}  // namespace varno::search
