#include "search/pareto.h"

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "frame/fatal_error.h"
#include "search/motravok_search.h"
#include "search/pareto_file.h"
#include "search/pareto_termination.h"
#include "support/seams.h"
#include "search_test_support.h"

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

// The ids, or with `rank` the ranks, of `designs` in order.
std::vector<int> ids(const std::vector<ParetoDesign>& designs, bool rank = false) {
    std::vector<int> out;
    for (const auto& d : designs) out.push_back(rank ? d.rank : d.id);
    return out;
}

// Pareto dominance of feasible designs, written independently of the search:
// no objective worse and at least one better.
bool better(const ParetoDesign& a, const ParetoDesign& b) {
    bool strictly = false;
    for (std::size_t k = 0; k < a.objectives.size(); ++k) {
        if (a.objectives[k] > b.objectives[k]) return false;
        if (a.objectives[k] < b.objectives[k]) strictly = true;
    }
    return strictly;
}

// Every member is dominated by none of its own or a later front, and a member
// of front r > 1 is dominated by some member of front r - 1.
void expectFrontsFollowDominance(const std::vector<ParetoDesign>& ranked) {
    for (const ParetoDesign& b : ranked) {
        bool beatenByPrevious = b.rank == 1;
        for (const ParetoDesign& a : ranked) {
            if (!better(a, b)) continue;
            EXPECT_LT(a.rank, b.rank) << a.id << " dominates " << b.id;
            beatenByPrevious = beatenByPrevious || a.rank == b.rank - 1;
        }
        EXPECT_TRUE(beatenByPrevious) << b.id << " of rank " << b.rank;
    }
}

// Feasible points on a coarse grid, so that equal objective values are common.
std::vector<ParetoDesign> gridPoints(RandomStream& random, int count, int objectives) {
    std::vector<ParetoDesign> points;
    for (int id = 0; id < count; ++id) {
        std::vector<double> values;
        for (int k = 0; k < objectives; ++k) values.push_back(random.index(6));
        points.push_back(point(values, 0.0, id));
    }
    return points;
}

// A failed design loses first, then an infeasible one; infeasible designs
// compare by their violation only.
TEST(DominanceTest, FailedThenInfeasibleDesignsLoseAndFeasibleOnesFollowParetoDominance) {
    ParetoDesign failed = point({0.0, 0.0});
    failed.failed = true;
    EXPECT_EQ(dominates(failed, point({9.0, 9.0}, -5.0)), -1);
    EXPECT_EQ(dominates(point({9.0, 9.0}, -5.0), failed), 1);
    EXPECT_EQ(dominates(failed, failed), -1);  // a failed a loses even to a failed b
    EXPECT_EQ(dominates(point({9.0, 9.0}, -1.0), point({0.0, 0.0}, -2.0)), 1);
    EXPECT_EQ(dominates(point({0.0, 0.0}, -2.0), point({9.0, 9.0}, -1.0)), -1);
    EXPECT_EQ(dominates(point({0.0, 0.0}, -1.0), point({9.0, 9.0}, -1.0)), 0);
    EXPECT_EQ(dominates(point({0.0, 0.0}, -0.1), point({9.0, 9.0})), -1);
    EXPECT_EQ(dominates(point({9.0, 9.0}), point({0.0, 0.0}, -0.1)), 1);
    RandomStream random(0.7f);
    const std::vector<ParetoDesign> points = gridPoints(random, 40, 3);
    for (const ParetoDesign& a : points) {
        for (const ParetoDesign& b : points) {
            const int expected = better(a, b) ? 1 : better(b, a) ? -1 : 0;
            ASSERT_EQ(dominates(a, b), expected) << a.id << " against " << b.id;
        }
    }
}

TEST(ParetoObjectivesTest, OrientsScalesAndSumsViolations) {
    model::PerformanceDefinition def;
    def.add(testing::goalOf("mass", 0, -1, 0.0, 2.0));
    def.add(testing::goalOf("stiffness", 0, 1, 0.0, 4.0));
    def.add(testing::goalOf("stress", 1, -1, 10.0, 2.0));
    def.add(testing::goalOf("gap", 1, 1, 1.0, -0.5));
    def.add(testing::goalOf("note", 3, 0, 0.0, 1.0));
    design::Design d = evaluatedDesign({3, 4}, -7.0, {6.0, 8.0, 13.0, 0.0, 99.0});
    d.id = 12;
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

TEST(CrowdingDistanceTest, TwoObjectivesMarkOnlyTheSmallestOfEachAndThreeNone) {
    EXPECT_EQ(boundaryDistanceFor(2), B);
    const auto front =
        distances({point({0.0, 3.0}), point({1.0, 2.0}), point({2.0, 1.5}), point({3.0, 0.0})}, B);
    EXPECT_EQ(front, (std::vector<double>{B, (2.0 / 3.0 + 1.5 / 3.0) / 2.0,
                                          (2.0 / 3.0 + 2.0 / 3.0) / 2.0, B}));
    // The member largest in both objectives gets no boundary distance.
    const auto line = distances({point({0.0, 0.0}), point({1.0, 1.0}), point({2.0, 2.0})}, B);
    EXPECT_EQ(line, (std::vector<double>{B, 1.0, 0.0}));
    EXPECT_EQ(distances({point({5.0, 1.0}), point({1.0, 5.0})}, B), (std::vector<double>{B, B}));
    // Three objectives have no boundary distance, and every distance is zero.
    EXPECT_EQ(boundaryDistanceFor(3), 0.0);
    EXPECT_EQ(distances({point({0.0, 3.0, 1.0}), point({1.0, 2.0, 0.0}), point({2.0, 1.0, 3.0}),
                         point({3.0, 0.0, 2.0})},
                        0.0),
              (std::vector<double>(4, 0.0)));
}

// Front 1: A, B, C; D (dominated by B) is front 2; E (dominated by D) front 3.
std::vector<ParetoDesign> layered() {
    return {point({3.0, 3.0}, 0.0, 4), point({1.0, 4.0}, 0.0, 1), point({2.0, 2.0}, 0.0, 2),
            point({5.0, 5.0}, 0.0, 5), point({4.0, 1.0}, 0.0, 3)};
}

TEST(ParetoSelectTest, AFrontThatDoesNotFitGivesItsWidestMembersAndDuplicatesOnce) {
    RandomStream random(0.5f);
    const auto two = paretoSelect(layered(), 2, B, random);
    EXPECT_EQ(ids(two), (std::vector<int>{3, 1}));  // both boundaries, not B (distance 1)
    EXPECT_EQ(ids(two, true), (std::vector<int>{1, 1}));
    // Duplicates are placed once, and the next front fills the places left.
    const std::vector<ParetoDesign> source{point({1.0, 2.0}, 0.0, 1, {7, 7}),
                                           point({1.0, 2.0}, 0.0, 2, {7, 7}),
                                           point({2.0, 1.0}, 0.0, 3), point({3.0, 3.0}, 0.0, 4)};
    const auto out = paretoSelect(source, 3, B, random);
    EXPECT_EQ(ids(out), (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(ids(out, true), (std::vector<int>{1, 1, 2}));
    // Too few distinct designs: the placed ones are repeated, best first.
    const auto padded = paretoSelect({source[0], source[1], source[2]}, 4, B, random);
    EXPECT_EQ(ids(padded), (std::vector<int>{1, 3, 1, 3}));
    EXPECT_TRUE(paretoSelect({}, 3, B, random).empty());
}

// The fronts of a selection and of ranking follow dominance for many point
// sets, and a selection places them front by front.
TEST(ParetoRanksTest, FrontsFollowDominanceForManyPointSets) {
    RandomStream random(0.3f);
    for (int set = 0; set < 20; ++set) {
        std::vector<ParetoDesign> points = gridPoints(random, 30, set % 2 == 0 ? 2 : 3);
        const std::vector<ParetoDesign> selected = paretoSelect(points, 30, B, random);
        ASSERT_EQ(selected.size(), points.size());
        expectFrontsFollowDominance(selected);
        for (std::size_t i = 1; i < selected.size(); ++i) {
            ASSERT_LE(selected[i - 1].rank, selected[i].rank) << "placed front by front";
        }
        assignRanks(points, B, random);
        expectFrontsFollowDominance(points);
    }
}

// A single member left over takes the next rank and the boundary distance,
// whatever the fronts' boundary distance.
TEST(ParetoRanksTest, ALeftoverTakesTheNextRankAndSortingOrdersFrontsThenWidestFirst) {
    RandomStream random(0.9f);
    std::vector<ParetoDesign> chain{point({3.0, 3.0, 3.0}, 0.0, 3), point({1.0, 1.0, 1.0}, 0.0, 1),
                                    point({2.0, 2.0, 2.0}, 0.0, 2)};
    assignRanks(chain, 0.0, random);
    EXPECT_EQ(ids(chain, true), (std::vector<int>{3, 1, 2}));
    EXPECT_EQ(chain[0].crowding, B);
    std::vector<ParetoDesign> designs;
    // The last member is the widest but of the worst front: it stays last.
    for (const auto& [rank, crowding] :
         {std::pair{2, 9.0}, {1, 0.5}, {1, 2.0}, {1, 0.5}, {3, 99.0}}) {
        designs.push_back(point({0.0}, 0.0, static_cast<int>(designs.size()) + 1));
        designs.back().rank = rank;
        designs.back().crowding = crowding;
    }
    sortByRankAndCrowding(designs);
    EXPECT_EQ(ids(designs), (std::vector<int>{3, 2, 4, 1, 5}));  // equal distances keep their order
}

// Members with crowding distances {q, 1 - q} (q >= 0.5): spread ratio q.
std::vector<ParetoDesign> archiveWithRatio(double q, int lastRank = 1) {
    std::vector<ParetoDesign> archive(2);
    archive[0].crowding = q;
    archive[1].crowding = 1.0 - q;
    archive[0].rank = 1;
    archive[1].rank = lastRank;
    return archive;
}

// Ten ratios of 0.5, then 0.6 and 0.61 alternating up to `lastCycle`.
ParetoTermination alternating(int shutOff, int lastCycle) {
    ParetoTermination test(shutOff, 4, 16, 100000);
    for (int cycle = 0; cycle <= lastCycle; ++cycle) {
        const double q = cycle < 10 ? 0.5 : (cycle % 2 == 0 ? 0.6 : 0.61);
        test.update(archiveWithRatio(q), cycle);
    }
    return test;
}

// Constant ratio 0.75 (an exactly zero deviation) up to `lastCycle`, where the
// stall count equals the cycle.
bool stalledMet(int shutOff, int maxEvaluations, int lastCycle, int lastRank = 1) {
    ParetoTermination test(shutOff, 4, 16, maxEvaluations);
    for (int cycle = 0; cycle <= lastCycle; ++cycle) {
        test.update(archiveWithRatio(0.75, lastRank), cycle);
    }
    return test.met();
}

// The spread deviates by 0.005 over the last forty cycles: above the limit
// 0.0025 and below the looser limit 0.025 of shut-off 2.
TEST(ParetoTerminationTest, DeviationOfTheLastFortyAndAStalledSpread) {
    EXPECT_FALSE(alternating(1, 49).met());
    EXPECT_TRUE(alternating(2, 49).met());
    EXPECT_FALSE(alternating(2, 39).met());  // not before cycle 40
    // A stalled spread ends the search once enough evaluations are spent.
    EXPECT_FALSE(stalledMet(1, 100000, 125));  // 16 * 125 = 2000 is not above 2000
    EXPECT_TRUE(stalledMet(1, 100000, 126));
    EXPECT_FALSE(stalledMet(2, 100000, 62));  // 1000 with shutOff 2
    EXPECT_TRUE(stalledMet(2, 100000, 63));
    EXPECT_FALSE(stalledMet(1, 12000, 75));  // 16 * 75 = 1200 = MAX_EVALUATIONS / 10
    EXPECT_TRUE(stalledMet(1, 12000, 76));
    EXPECT_FALSE(stalledMet(1, 12000, 200, 2));  // the last member must have rank 1
    EXPECT_FALSE(stalledMet(0, 12000, 200));     // switched off
}

TEST(ParetoFileTest, PathCycleNumberingAndUnopenableFiles) {
    const char sep = support::pathSeparator;
    EXPECT_EQ(paretoFilePath("dir", "run", 3, 0), std::string("dir") + sep + "run3.pto");
    EXPECT_EQ(paretoFilePath("dir", "run", 3, 6), std::string("dir") + sep + "run_post3.pto");

    testing::TempDirectory folder;
    const ParetoFile file(folder.file("a0.pto"));
    file.create();
    ParetoDesign member;
    member.id = 12;
    member.rank = 1;
    file.append({member});
    EXPECT_EQ(testing::readWholeFile(file.path()),
              "Eval #, Rank in Cycle 1\n      12,        1\n\n");

    const ParetoFile earlier(folder.file("b0.pto"));
    std::ofstream(earlier.path())
        << "Eval #, Rank in Cycle 6\n 1, 1\n\nEval #, Rank in Cycle 7\n 2, 1\n\n";
    earlier.create();  // an existing file keeps its blocks
    earlier.append({member});
    EXPECT_EQ(lastParetoCycle(earlier.path()), 8);
    const ParetoFile closed(folder.file("c0.pto"));
    support::seams().failFileOpen = [](const std::string&) { return true; };
    EXPECT_THROW(closed.create(), FatalError);
    EXPECT_THROW(closed.append({}), FatalError);
    support::resetSeams();
    for (const std::string entry :
         {"\tError in creating the pareto output file (",
          "        Error in opening the pareto output file for writing ("})
        EXPECT_TRUE(testing::logMentions("*ERROR\n\n" + entry + closed.path() + ")."));
}

TEST(ParetoQueryTest, RefusesTooFewDesignsAndSelectsOtherwise) {
    const model::PerformanceDefinition def = twoObjectives();
    // An error design does not count; (5, 0) dominates (5, 6).
    const std::vector<design::Design> designs{evaluatedDesign({0}, -1e99, {0.0, 0.0}),
                                              evaluatedDesign({1}, -5.0, {5.0, 0.0}),
                                              evaluatedDesign({2}, -11.0, {5.0, 6.0})};
    RandomStream random(0.5f);
    std::string refusal;
    EXPECT_TRUE(paretoQuery(designs, def, 3, 4, random, refusal).empty());
    EXPECT_EQ(refusal, "Not enough designs in the database to form a Pareto Front.");
    const auto front = paretoQuery(designs, def, 2, 4, random, refusal);
    std::vector<std::pair<std::vector<int>, int>> codesAndRanks;
    for (const ParetoDesign& member : front) codesAndRanks.emplace_back(member.codes, member.rank);
    EXPECT_EQ(codesAndRanks, (decltype(codesAndRanks){{{1}, 1}, {{2}, 2}}));
}

}  // namespace
}  // namespace varno::search
