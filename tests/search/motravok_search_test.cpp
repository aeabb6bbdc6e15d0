#include "search/motravok_search.h"

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "design/design_store.h"
#include "support/seams.h"
#include "test_support.h"

namespace varno::search {
namespace {

// Members with crowding distances {q, 1 - q} (q >= 0.5): spread ratio q.
std::vector<ParetoDesign> archiveWithRatio(double q, int lastRank = 1) {
    std::vector<ParetoDesign> archive(2);
    archive[0].crowding = q;
    archive[1].crowding = 1.0 - q;
    archive[0].rank = 1;
    archive[1].rank = lastRank;
    return archive;
}

TEST(ParetoTerminationTest, SpreadRatioLeavesBoundaryMembersOut) {
    std::vector<ParetoDesign> archive(4);
    const double distances[] = {boundaryCrowding, 1.0, 3.0, boundaryCrowding};
    for (int i = 0; i < 4; ++i) archive[i].crowding = distances[i];
    EXPECT_DOUBLE_EQ(ParetoTermination::spreadRatio(archive), 0.75);
    archive[1].crowding = archive[2].crowding = boundaryCrowding;
    EXPECT_EQ(ParetoTermination::spreadRatio(archive), 0.0);
}

TEST(ParetoTerminationTest, CountsStallsAndResetsOnChange) {
    ParetoTermination test(1, 4, 16, 100000);
    test.update(archiveWithRatio(0.75), 0);
    EXPECT_EQ(test.stallCount(), 0);  // the first ratio differs from the initial 0
    test.update(archiveWithRatio(0.75, 2), 1);
    test.update(archiveWithRatio(0.75), 2);
    EXPECT_EQ(test.stallCount(), 2);
    EXPECT_EQ(test.stallStartRank(), 2);
    test.update(archiveWithRatio(0.8), 3);
    EXPECT_EQ(test.stallCount(), 0);
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

TEST(ParetoTerminationTest, DeviationOfTheLastFortyAgainstBothLimits) {
    EXPECT_DOUBLE_EQ(alternating(1, 49).limit(), 0.0025);  // 0.0025 * sqrt(16/4) / sqrt(4)
    EXPECT_DOUBLE_EQ(alternating(2, 49).limit(), 0.025);
    // Only the 40 alternating values remain in the ring.
    const double expected = std::sqrt(40 * 0.005 * 0.005 / 39.0);
    EXPECT_NEAR(alternating(1, 49).deviation(), expected, 1e-12);
    EXPECT_FALSE(alternating(1, 49).met());
    EXPECT_TRUE(alternating(2, 49).met());
    EXPECT_FALSE(alternating(2, 39).met());  // not before cycle 40
    EXPECT_EQ(alternating(2, 39).deviation(), 0.0);
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

TEST(ParetoTerminationTest, StalledSpreadEndsAfterEnoughEvaluations) {
    EXPECT_FALSE(stalledMet(1, 100000, 125));  // 16 * 125 = 2000 is not above 2000
    EXPECT_TRUE(stalledMet(1, 100000, 126));
    EXPECT_FALSE(stalledMet(2, 100000, 62));   // 1000 with shutOff 2
    EXPECT_TRUE(stalledMet(2, 100000, 63));
    EXPECT_FALSE(stalledMet(1, 12000, 75));    // 16 * 75 = 1200 = MAX_EVALUATIONS / 10
    EXPECT_TRUE(stalledMet(1, 12000, 76));
    EXPECT_FALSE(stalledMet(1, 12000, 200, 2));  // the last member must have rank 1
    EXPECT_FALSE(stalledMet(0, 12000, 200));     // switched off
}

TEST(ParetoFileTest, PathAndCycleNumbering) {
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
    EXPECT_EQ(testing::readWholeFile(file.path()), "Eval #, Rank in Cycle 1\n      12,        1\n\n");

    const ParetoFile earlier(folder.file("b0.pto"));
    std::ofstream(earlier.path()) << "Eval #, Rank in Cycle 6\n 1, 1\n\nEval #, Rank in Cycle 7\n 2, 1\n\n";
    earlier.create();  // an existing file keeps its blocks
    earlier.append({member});
    EXPECT_EQ(lastParetoCycle(earlier.path()), 8);
}

TEST(ParetoFileTest, UnopenableFilesAreFatal) {
    testing::TempDirectory folder;
    const ParetoFile file(folder.file("c0.pto"));
    support::seams().failFileOpen = [](const std::string&) { return true; };
    EXPECT_THROW(file.create(), FatalError);
    EXPECT_THROW(file.append({}), FatalError);
    support::resetSeams();
    const auto log = testing::logEntries();
    EXPECT_NE(std::find(log.begin(), log.end(),
                        "*ERROR\n\n\tError in creating the pareto output file (" + file.path() +
                            ")."),
              log.end());
    EXPECT_NE(std::find(log.begin(), log.end(),
                        "*ERROR\n\n        Error in opening the pareto output file for writing (" +
                            file.path() + ")."),
              log.end());
}

model::PerformanceDefinition twoObjectives() {
    model::PerformanceDefinition def;
    def.name = {"f1", "f2"};
    def.flag = {0, 0};
    def.opt = {-1, -1};
    def.target = {0.0, 0.0};
    def.norm = {1.0, 1.0};
    return def;
}

MotravokSettings settings() {
    MotravokSettings s;
    s.performanceNumber = 3;
    s.archiveSize = 8;
    s.breedingSize = 6;
    return s;
}

TEST(MotravokSearchTest, FewerThanTwoObjectivesAreFatal) {
    model::PerformanceDefinition def = twoObjectives();
    def.flag[1] = 1;
    RandomStream random(0.5f);
    try {
        MotravokSearch search(settings(), {4}, random, def, "");
        FAIL() << "constructed";
    } catch (const FatalError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "At least 2 objectives must be defined for a multi-objective run. Found only 1 "
                  "in the Performance3.in file.\n\t Exiting.\n");
    }
}

// Evaluates designs for two conflicting objectives: f1 = c0 + c1, f2 = (5 - c0) + c2.
struct FakeStudy {
    std::map<std::vector<int>, design::Design> stored;

    StoreView view() {
        StoreView v;
        v.savedPerformance = [this](const design::Design& d) {
            const auto found = stored.find(d.ints);
            return found == stored.end() ? design::NEW_DESIGN_MARK : found->second.performance;
        };
        return v;
    }
    void evaluate(Population& population) {
        for (PopulationMember& m : population) {
            if (!m.changed) continue;
            design::Design& d = m.design;
            const double f1 = d.ints[0] + d.ints[1];
            const double f2 = 5 - d.ints[0] + d.ints[2];
            d.id = static_cast<int>(stored.size()) + 1;
            d.performance = -(f1 + f2);
            d.responseValues = {{model::makeDoubleValue(f1)}, {model::makeDoubleValue(f2)}};
            stored[d.ints] = d;
        }
    }
    std::vector<design::Design> all() const {
        std::vector<design::Design> designs;
        for (const auto& entry : stored) designs.push_back(entry.second);
        return designs;
    }
};

TEST(MotravokSearchTest, BreedsNewDistinctChildrenAndKeepsTheArchiveSize) {
    testing::TempDirectory folder;
    const model::PerformanceDefinition def = twoObjectives();
    RandomStream random(0.5f);
    MotravokSearch search(settings(), {6, 6, 6}, random, def, folder.file("m0.pto"));
    FakeStudy study;
    study.evaluate(search.buildInitialPopulation({}));
    search.acceptResults(study.all());
    ASSERT_EQ(search.archive().size(), 8u);
    for (int cycle = 0; cycle < 12; ++cycle) {
        const auto before = study.stored;
        Population& bred = search.breed(study.view(), cycle);
        ASSERT_EQ(bred.size(), 6u);
        std::set<std::vector<int>> codes;
        for (const PopulationMember& child : bred) {
            EXPECT_TRUE(child.changed);
            EXPECT_EQ(before.count(child.codes()), 0u);
            codes.insert(child.codes());
        }
        EXPECT_EQ(codes.size(), 6u);
        study.evaluate(bred);
        search.acceptResults(study.all());
        ASSERT_EQ(search.archive().size(), 8u);
    }
    // Selection runs over every stored design: no stored design dominates a
    // member of the first front.
    for (const ParetoDesign& member : search.archive()) {
        if (member.rank != 1) continue;
        for (const auto& entry : study.stored) {
            EXPECT_NE(dominates(prepareObjectives(entry.second, def), member), 1);
        }
    }
    EXPECT_EQ(lastParetoCycle(folder.file("m0.pto")), 13);
}

TEST(ParetoQueryTest, RefusesTooFewDesignsAndSelectsOtherwise) {
    FakeStudy study;
    Population members;
    for (std::vector<int> codes : {std::vector<int>{0, 0, 0}, {5, 0, 0}, {2, 3, 3}}) {
        members.push_back(unevaluatedMember(codes, 0));
        members.back().changed = true;
    }
    study.evaluate(members);
    std::vector<design::Design> designs = study.all();
    designs.front().performance = -1e99;  // an error design does not count
    RandomStream random(0.5f);
    std::string refusal;
    EXPECT_TRUE(paretoQuery(designs, twoObjectives(), 3, 4, random, refusal).empty());
    EXPECT_EQ(refusal, "Not enough designs in the database to form a Pareto Front.");
    const auto front = paretoQuery(designs, twoObjectives(), 2, 4, random, refusal);
    ASSERT_EQ(front.size(), 2u);
    EXPECT_EQ(front[0].codes, (std::vector<int>{5, 0, 0}));  // (5, 0) dominates (5, 6)
    EXPECT_EQ(front[0].rank, 1);
    EXPECT_EQ(front[1].codes, (std::vector<int>{2, 3, 3}));
    EXPECT_EQ(front[1].rank, 2);
}

}  // namespace
}  // namespace varno::search
