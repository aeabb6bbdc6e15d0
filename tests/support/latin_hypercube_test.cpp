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
    return LatinHypercubeDesign::optimized(samples, variables,
                                           std::vector<int>(std::max(variables, 0), samples),
                                           optimize, 1.0, seed);
}

std::vector<int> column(const LatinHypercubeDesign& design, int variable) {
    std::vector<int> levels;
    for (int i = 0; i < design.samples(); ++i) levels.push_back(design.level(i, variable));
    return levels;
}

std::vector<int> allLevels(const LatinHypercubeDesign& design) {
    std::vector<int> levels;
    for (int c = 0; c < design.variables(); ++c) {
        const std::vector<int> col = column(design, c);
        levels.insert(levels.end(), col.begin(), col.end());
    }
    return levels;
}

void expectLatin(const LatinHypercubeDesign& design) {
    std::vector<int> identity(design.samples());
    for (int i = 0; i < design.samples(); ++i) identity[i] = i;
    for (int c = 0; c < design.variables(); ++c) {
        std::vector<int> col = column(design, c);
        std::sort(col.begin(), col.end());
        EXPECT_EQ(col, identity) << "column " << c;
    }
}

TEST(LatinHypercube, EveryColumnIsAPermutationOfTheLevels) {
    const std::pair<int, int> sizes[] = {{3, 2}, {7, 1}, {10, 5}, {20, 5}, {40, 40}, {60, 3}};
    for (const auto& [samples, variables] : sizes) {
        for (const bool optimize : {false, true}) {
            const LatinHypercubeDesign design = make(samples, variables, optimize, 11);
            ASSERT_EQ(design.samples(), samples);
            ASSERT_EQ(design.variables(), variables);
            expectLatin(design);
        }
    }
}

TEST(LatinHypercube, TheSeedDeterminesTheDesign) {
    EXPECT_EQ(allLevels(make(20, 5, true, 7)), allLevels(make(20, 5, true, 7)));
    EXPECT_NE(allLevels(make(20, 5, true, 7)), allLevels(make(20, 5, true, 8)));
    EXPECT_NE(allLevels(make(20, 5, false, 7)), allLevels(make(20, 5, false, 8)));
}

double medianRandomDistance(int samples, int variables) {
    std::vector<double> distances;
    for (std::uint32_t seed = 1; seed <= 100; ++seed)
        distances.push_back(make(samples, variables, false, seed).minimumDistance());
    std::sort(distances.begin(), distances.end());
    return 0.5 * (distances[49] + distances[50]);
}

TEST(LatinHypercube, OptimisedDesignsSpreadFurtherThanRandomOnes) {
    const std::pair<int, int> sizes[] = {{20, 5}, {40, 40}};
    for (const auto& [samples, variables] : sizes) {
        const double optimised = make(samples, variables, true, 3).minimumDistance();
        EXPECT_GT(optimised, medianRandomDistance(samples, variables))
            << samples << " x " << variables;
    }
}

TEST(LatinHypercube, MinimumDistanceIsEuclideanInLevels) {
    // Two points always sit at opposite corners of the unit-level cube.
    EXPECT_DOUBLE_EQ(make(2, 3, true, 5).minimumDistance(), std::sqrt(3.0));
    // In one dimension the levels are 0 .. n-1, one apart.
    EXPECT_DOUBLE_EQ(make(9, 1, true, 5).minimumDistance(), 1.0);
}

TEST(LatinHypercube, DegenerateSizes) {
    const LatinHypercubeDesign none = make(0, 4, true, 1);
    EXPECT_EQ(none.samples(), 0);
    EXPECT_EQ(none.minimumDistance(), 0.0);

    const LatinHypercubeDesign single = make(1, 3, true, 1);
    ASSERT_EQ(single.samples(), 1);
    EXPECT_EQ(allLevels(single), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(single.minimumDistance(), 0.0);

    const LatinHypercubeDesign flat = make(5, 0, true, 1);
    EXPECT_EQ(flat.samples(), 5);
    EXPECT_EQ(flat.variables(), 0);
    EXPECT_EQ(flat.minimumDistance(), 0.0);

    expectLatin(make(2, 6, true, 1));
    EXPECT_THROW(make(4, 3, true, 1).level(0, 3), std::out_of_range);
}

TEST(LatinHypercube, InvalidArgumentsGiveAnEmptyDesign) {
    for (const LatinHypercubeDesign& design :
         {make(-1, 3, true, 1), make(4, -2, true, 1),
          LatinHypercubeDesign::optimized(4, 3, {4, 4, 4}, true, -1.0, 1),
          LatinHypercubeDesign::optimized(4, 3, {4, 4, 4}, true, std::nan(""), 1)}) {
        EXPECT_EQ(design.samples(), 0);
        EXPECT_EQ(design.variables(), 0);
    }
}

}  // namespace
}  // namespace varno::support
