// Optimised Latin hypercubes: structure, reproducibility, space filling and
// degenerate sizes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <utility>
#include <vector>

#include "support/latin_hypercube.h"

namespace varno::support {
namespace {

LatinHypercubeDesign make(int samples, int variables, bool optimize, std::uint32_t seed) {
    return LatinHypercubeDesign::optimized(
        samples, variables, std::vector<int>(std::max(variables, 0), samples), optimize, 1.0, seed);
}

// The levels column by column.
std::vector<int> levels(const LatinHypercubeDesign& design) {
    std::vector<int> all;
    for (int c = 0; c < design.variables(); ++c)
        for (int i = 0; i < design.samples(); ++i) all.push_back(design.level(i, c));
    return all;
}

TEST(LatinHypercube, EveryColumnIsAPermutationOfTheLevels) {
    for (const auto& [samples, variables] : {std::pair{7, 1}, {20, 5}, {40, 40}, {2, 6}}) {
        for (const bool optimize : {false, true}) {
            const LatinHypercubeDesign design = make(samples, variables, optimize, 11);
            ASSERT_EQ(design.samples(), samples);
            ASSERT_EQ(design.variables(), variables);
            std::vector<int> column(samples);
            for (int c = 0; c < variables; ++c) {
                for (int i = 0; i < samples; ++i) column[i] = design.level(i, c);
                std::sort(column.begin(), column.end());
                for (int i = 0; i < samples; ++i) ASSERT_EQ(column[i], i) << "column " << c;
            }
        }
    }
}

TEST(LatinHypercube, TheSeedDeterminesTheDesignAndOptimisedOnesSpreadFurther) {
    EXPECT_EQ(levels(make(20, 5, true, 7)), levels(make(20, 5, true, 7)));
    EXPECT_NE(levels(make(20, 5, true, 7)), levels(make(20, 5, true, 8)));
    // A fair shuffle keeps one level in its place on average; one that moves
    // every level never gives some permutations.
    int kept = 0;
    for (std::uint32_t seed = 1; seed <= 20; ++seed) {
        const std::vector<int> column = levels(make(7, 1, false, seed));
        for (int i = 0; i < 7; ++i) kept += column[i] == i;
    }
    EXPECT_GT(kept, 0);
    // Optimised designs spread further than most random ones.
    std::vector<double> random;
    for (std::uint32_t seed = 1; seed <= 100; ++seed)
        random.push_back(make(20, 5, false, seed).minimumDistance());
    std::sort(random.begin(), random.end());
    EXPECT_GT(make(20, 5, true, 3).minimumDistance(), random[50]);
    // Two points sit at opposite corners; in one dimension the levels are one apart.
    EXPECT_DOUBLE_EQ(make(2, 3, true, 5).minimumDistance(), std::sqrt(3.0));
    EXPECT_DOUBLE_EQ(make(9, 1, true, 5).minimumDistance(), 1.0);
}

TEST(LatinHypercube, DegenerateAndInvalidSizes) {
    EXPECT_EQ(levels(make(1, 3, true, 1)), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(make(1, 3, true, 1).minimumDistance(), 0.0);
    EXPECT_THROW(make(4, 3, true, 1).level(0, 3), std::out_of_range);
    for (const LatinHypercubeDesign& design :
         {make(-1, 3, true, 1), make(4, -2, true, 1),
          LatinHypercubeDesign::optimized(4, 3, {4, 4, 4}, true, std::nan(""), 1)}) {
        EXPECT_EQ(std::pair(design.samples(), design.variables()), std::pair(0, 0));
    }
}

}  // namespace
}  // namespace varno::support
