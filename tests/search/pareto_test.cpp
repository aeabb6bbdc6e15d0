#include "search/pareto.h"

#include <vector>

#include <gtest/gtest.h>

#include "test_support.h"

namespace varno::search {
namespace {

constexpr double B = boundaryCrowding;

ParetoDesign point(std::vector<double> objectives, double violation = 0.0, int id = 0,
                   std::vector<int> codes = {}) {
    ParetoDesign p;
    p.objectives = std::move(objectives);
    p.violation = violation;
    p.id = id;
    p.codes = codes.empty() ? std::vector<int>{id} : std::move(codes);
    return p;
}

std::vector<int> ids(const std::vector<ParetoDesign>& designs) {
    std::vector<int> out;
    for (const auto& d : designs) out.push_back(d.id);
    return out;
}

std::vector<int> ranks(const std::vector<ParetoDesign>& designs) {
    std::vector<int> out;
    for (const auto& d : designs) out.push_back(d.rank);
    return out;
}

TEST(DominanceTest, FailedDesignsLoseFirst) {
    ParetoDesign failed = point({0.0, 0.0});
    failed.failed = true;
    ParetoDesign other = failed;
    EXPECT_EQ(dominates(failed, point({9.0, 9.0}, -5.0)), -1);
    EXPECT_EQ(dominates(point({9.0, 9.0}, -5.0), failed), 1);
    EXPECT_EQ(dominates(failed, other), -1);  // a failed a loses even to a failed b
}

TEST(DominanceTest, InfeasibleDesignsCompareByViolationOnly) {
    EXPECT_EQ(dominates(point({9.0, 9.0}, -1.0), point({0.0, 0.0}, -2.0)), 1);
    EXPECT_EQ(dominates(point({0.0, 0.0}, -2.0), point({9.0, 9.0}, -1.0)), -1);
    EXPECT_EQ(dominates(point({0.0, 0.0}, -1.0), point({9.0, 9.0}, -1.0)), 0);
    EXPECT_EQ(dominates(point({0.0, 0.0}, -0.1), point({9.0, 9.0})), -1);
    EXPECT_EQ(dominates(point({9.0, 9.0}), point({0.0, 0.0}, -0.1)), 1);
}

TEST(DominanceTest, FeasibleDesignsCompareObjectives) {
    EXPECT_EQ(dominates(point({1.0, 2.0}), point({2.0, 2.0})), 1);
    EXPECT_EQ(dominates(point({2.0, 3.0}), point({1.0, 2.0})), -1);
    EXPECT_EQ(dominates(point({1.0, 3.0}), point({2.0, 2.0})), 0);
    EXPECT_EQ(dominates(point({1.0, 2.0}), point({1.0, 2.0})), 0);
}

TEST(ParetoObjectivesTest, OrientsScalesAndSumsViolations) {
    model::PerformanceDefinition def;
    def.add(testing::goalOf("mass", 0, -1, 0.0, 2.0));
    def.add(testing::goalOf("stiffness", 0, 1, 0.0, 4.0));
    def.add(testing::goalOf("stress", 1, -1, 10.0, 2.0));
    def.add(testing::goalOf("gap", 1, 1, 1.0, -0.5));
    def.add(testing::goalOf("note", 3, 0, 0.0, 1.0));
    design::Design d;
    d.ints = {3, 4};
    d.id = 12;
    d.performance = -7.0;
    for (double v : {6.0, 8.0, 13.0, 0.0, 99.0}) d.responseValues.push_back({model::makeDoubleValue(v)});
    const ParetoDesign p = prepareObjectives(d, def);
    EXPECT_EQ(p.objectives, (std::vector<double>{3.0, -2.0}));  // 6/2 minimised, -8/4 maximised
    EXPECT_EQ(p.constraints, (std::vector<double>{13.0, 0.0}));
    EXPECT_DOUBLE_EQ(p.violation, -(3.0 / 2.0 + 1.0 / 0.5));
    EXPECT_EQ(p.id, 12);
    EXPECT_FALSE(p.failed);

    d.performance = -1e99;
    EXPECT_TRUE(prepareObjectives(d, def).failed);
    d.performance = 1.0;
    d.responseValues.pop_back();
    EXPECT_TRUE(prepareObjectives(d, def).failed);
}

std::vector<double> distances(std::vector<ParetoDesign> front, double boundary) {
    RandomStream random(0.5f);
    crowdingDistance(front, boundary, random);
    std::vector<double> out;
    for (const auto& d : front) out.push_back(d.crowding);
    return out;
}

TEST(CrowdingDistanceTest, TwoObjectivesMarkOnlyTheSmallestOfEach) {
    EXPECT_EQ(boundaryDistanceFor(2), B);
    const auto front = distances({point({0.0, 3.0}), point({1.0, 2.0}), point({2.0, 1.5}),
                                  point({3.0, 0.0})}, B);
    EXPECT_EQ(front[0], B);
    EXPECT_EQ(front[3], B);
    EXPECT_DOUBLE_EQ(front[1], (2.0 / 3.0 + 1.5 / 3.0) / 2.0);
    EXPECT_DOUBLE_EQ(front[2], (2.0 / 3.0 + 2.0 / 3.0) / 2.0);
    // The member largest in both objectives gets no boundary distance.
    const auto line = distances({point({0.0, 0.0}), point({1.0, 1.0}), point({2.0, 2.0})}, B);
    EXPECT_EQ(line, (std::vector<double>{B, 1.0, 0.0}));
    EXPECT_EQ(distances({point({5.0, 1.0}), point({1.0, 5.0})}, B), (std::vector<double>{B, B}));
}

TEST(CrowdingDistanceTest, ThreeObjectivesLeaveEveryDistanceZero) {
    EXPECT_EQ(boundaryDistanceFor(3), 0.0);
    const auto front = distances({point({0.0, 3.0, 1.0}), point({1.0, 2.0, 0.0}),
                                  point({2.0, 1.0, 3.0}), point({3.0, 0.0, 2.0})}, 0.0);
    EXPECT_EQ(front, (std::vector<double>(4, 0.0)));
}

// Front 1: A, B, C; D (dominated by B) is front 2; E (dominated by D) front 3.
std::vector<ParetoDesign> layered() {
    return {point({3.0, 3.0}, 0.0, 4), point({1.0, 4.0}, 0.0, 1), point({2.0, 2.0}, 0.0, 2),
            point({5.0, 5.0}, 0.0, 5), point({4.0, 1.0}, 0.0, 3)};
}

TEST(ParetoSelectTest, FillsFrontByFront) {
    RandomStream random(0.5f);
    const auto all = paretoSelect(layered(), 5, B, random);
    EXPECT_EQ(ids(all), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(ranks(all), (std::vector<int>{1, 1, 1, 2, 3}));
    EXPECT_EQ(all[0].crowding, B);
    EXPECT_DOUBLE_EQ(all[1].crowding, 1.0);
    EXPECT_EQ(all[3].crowding, B);
    EXPECT_EQ(ids(paretoSelect(layered(), 4, B, random)), (std::vector<int>{1, 2, 3, 4}));
}

TEST(ParetoSelectTest, AFrontThatDoesNotFitGivesItsWidestMembers) {
    RandomStream random(0.5f);
    const auto two = paretoSelect(layered(), 2, B, random);
    EXPECT_EQ(ids(two), (std::vector<int>{3, 1}));  // both boundaries, not B (distance 1)
    EXPECT_EQ(ranks(two), (std::vector<int>{1, 1}));
}

TEST(ParetoSelectTest, DuplicatesArePlacedOnceAndTheNextFrontFills) {
    RandomStream random(0.5f);
    const std::vector<ParetoDesign> source{point({1.0, 2.0}, 0.0, 1, {7, 7}),
                                           point({1.0, 2.0}, 0.0, 2, {7, 7}),
                                           point({2.0, 1.0}, 0.0, 3), point({3.0, 3.0}, 0.0, 4)};
    const auto out = paretoSelect(source, 3, B, random);
    EXPECT_EQ(ids(out), (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(ranks(out), (std::vector<int>{1, 1, 2}));
    // Too few distinct designs: the placed ones are repeated, best first.
    const auto padded = paretoSelect({source[0], source[1], source[2]}, 4, B, random);
    EXPECT_EQ(ids(padded), (std::vector<int>{1, 3, 1, 3}));
    EXPECT_TRUE(paretoSelect({}, 3, B, random).empty());
}

TEST(ParetoRanksTest, RanksEveryFrontAndTheSingleLeftover) {
    RandomStream random(0.5f);
    std::vector<ParetoDesign> population{point({3.0, 3.0, 3.0}, 0.0, 3),
                                         point({1.0, 1.0, 1.0}, 0.0, 1),
                                         point({2.0, 2.0, 2.0}, 0.0, 2)};
    assignRanks(population, 0.0, random);
    EXPECT_EQ(ranks(population), (std::vector<int>{3, 1, 2}));
    EXPECT_EQ(population[1].crowding, 0.0);
    EXPECT_EQ(population[0].crowding, B);  // left over alone, whatever B is
    sortByRankAndCrowding(population);
    EXPECT_EQ(ids(population), (std::vector<int>{1, 2, 3}));
}

}  // namespace
}  // namespace varno::search
