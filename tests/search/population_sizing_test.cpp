// Population sizes and cycle counts of TRAVOK and MOTRAVOK, with their
// warnings, notes and stops. Every expected size is worked out by hand.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "study/study.h"
#include "search/population_sizing.h"
#include "study/setup_data.h"
#include "test_support.h"
#include "varno.h"

namespace varno::search {
namespace {

using varno::testing::expectFatal;
using varno::testing::logEntries;
using varno::testing::TempDirectory;

class Sizing : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(VARNO_initializeStudySetup(("workingDirectory: " + dir.path()).c_str()), 1);
    }
    TempDirectory dir;
};

std::string randomSearchWarning(int n) {
    return "*WARNING\nThe max. number of evaluations input " + std::to_string(n) +
           " for Agent 0 for study \"S\" is insufficient for performing any sort of "
           "optimization. Performing some random search only.\n";
}

std::string globalSearchWarning(int n) {
    return "*WARNING\n\n\t The max. number of evaluations input " + std::to_string(n) +
           " for Agent 0 for study \"S\" is insufficient for an effective global search of the "
           "design space. The parameters of the run would be adjusted to accomodate the input # "
           "of evaluations. However, these changes will be detrimental to finding the best "
           "solution. The solutions obtained would most likely, at best, be sub-optimal. If "
           "possible, increase the number of allowed evaluations and restart the run. Continuing "
           "the run with the adjusted parameters.\n";
}

std::string batchWarning(const std::string& method, int parallel, int batches) {
    return "*WARNING\nPerforming " + std::to_string(parallel) +
           " simultaneous evaluations, as specified, during the optimization could result in a  "
           "decrease in the performance of the search with " + method + ". " + method +
           " is a dynamic algorithm that learns with each batch of evaluations. The more batches "
           "it can do, the better the learning process. With the current settings approximately " +
           std::to_string(batches) +
           " batches of evaluations can be performed. A better search process may be achieved "
           "by increasing the total number of evaluations that can be performed during the "
           "optimization or by reducing the number of simultaneous evaluations allowed.";
}

TEST_F(Sizing, TravokSizesCyclesAndWarnings) {
    const struct {
        int n, v, p;
        int size, first, cycles;
        bool randomOnly;
        std::vector<std::string> log;
    } cases[] = {
        // N < 7: size 5, made even: 6; one cycle.
        {5, 3, 1, 6, 6, 1, true, {randomSearchWarning(5)}},
        // N < V and N < 20: size trunc(10 / 1.5) = 6; one cycle.
        {10, 15, 1, 6, 6, 1, true, {randomSearchWarning(10)}},
        // Size 10; c = trunc(990 / 6.5) = 152 > 70, so the population may grow:
        // p = 12 leaves trunc(988 / 13) = 76 cycles, not above 10 * 2^1.1 + 70
        // = 91.4, so the size stays 10 and c stays 152.
        {1000, 10, 1, 10, 10, 152, false, {}},
        // Size 4; c = trunc(4996 / 3.2) = 1561 > 70; growth bar 10 (p - 4)^1.1 + 70
        // is passed by p = 6 (713 > 91.4), 8 (554 > 115.9), 10 (453 > 141.8),
        // 12 (383 > 168.5); the cap max(12, 8) = 12 ends it.
        // c = trunc(4988 / 7.6) = 656.
        {5000, 4, 1, 12, 12, 656, false, {}},
        // Size 10; c = trunc(90 / 6.5) = 13 < 17: 17 cycles of
        // trunc(83 / 10.35) = 8; 10 / 8 = 1.25 raises no warning.
        {100, 10, 1, 8, 8, 17, false, {}},
        // Size 4 (x = 1); c = trunc(46 / 3.2) = 14 < 17: size trunc(33 / 10.35) = 3,
        // made even: 4; 17 cycles.
        {50, 2, 1, 4, 4, 17, false, {}},
        // Size 40; c = trunc(1960 / 23) = 85 > 70, but the cap 40 stops growth.
        {2000, 40, 1, 40, 40, 85, false, {}},
        // Size 30; c = 0: trunc(13 / 10.35) = 1, made even 2, below 4: size 4,
        // c = trunc(26 / 3.2) = 8 with the global-search warning.
        {30, 30, 1, 4, 4, 8, false, {globalSearchWarning(30)}},
        // Size 20; c = trunc(80 / 12) = 6: trunc(83 / 10.35) = 8, 20 / 8 = 2.5 > 1.5.
        {100, 20, 1, 8, 8, 17, false, {globalSearchWarning(100)}},
        // Size 40; c = 8: 207 / 10.350000000000001 = 19.999999999999996 gives 19,
        // made even: 20; 40 / 20 = 2 > 1.5.
        {224, 40, 1, 20, 20, 17, false, {globalSearchWarning(224)}},
        // Size 4; c = trunc(3 / 3.2) = 0: trunc(-10 / 10.35) = 0, at least 1, even 2,
        // below 4: c = trunc(3 / 3.2) = 0 again, so random search of trunc(7 / 1.5) = 4.
        {7, 3, 1, 4, 4, 1, false, {randomSearchWarning(7)}},
        // P = 4: 10 - 10 % 4 + 4 = 12 (4 + trunc(7.2) = 11 is not above);
        // c = trunc(988 / 7.6) = 130.
        {1000, 10, 4, 12, 10, 130, false, {}},
        // P = 8: 8 - 0 + 8 = 16; c = trunc(84 / 9.8) = 8 < 10: about 9 batches.
        {100, 10, 8, 16, 8, 8, false, {batchWarning("TRAVOK", 8, 9)}},
        // P = 5 > 4: size 5, c = trunc(45 / 3.75) = 12; made even: 6,
        // c = trunc(44 / 6) = 7.
        {50, 2, 5, 6, 4, 7, false, {}},
        // P = 2: 4 - 0 + 2 = 6, raised to 4 + trunc(3.6) = 7; c = trunc(43 / 4.85)
        // = 8 < 10 warns of 9 batches; made even: 8, c = trunc(42 / 8) = 5.
        {50, 2, 2, 8, 4, 5, false, {batchWarning("TRAVOK", 2, 9)}},
        // Random search in batches: 6 - 2 + 4 = 8; c = trunc(-3 / 5.4) = 0: one batch.
        {5, 3, 4, 8, 6, 1, true, {randomSearchWarning(5), batchWarning("TRAVOK", 4, 1)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("N=" + std::to_string(c.n) + " V=" + std::to_string(c.v) +
                     " P=" + std::to_string(c.p));
        VARNO_clearMessageLog();
        const TravokSizing sizing = size_travok_population(c.n, c.v, c.p, {0, "S", true});
        EXPECT_EQ(sizing.populationSize, c.size);
        EXPECT_EQ(sizing.firstPopulationSize, c.first);
        EXPECT_EQ(sizing.ncycles, c.cycles);
        EXPECT_EQ(sizing.randomSearchOnly, c.randomOnly);
        EXPECT_EQ(logEntries(), c.log);
    }
}

TEST_F(Sizing, TravokIsSizedSilentlyAtDefinitionAndAloudForTheFinalVariables) {
    ASSERT_EQ(VARNO_createNewStudy("s", nullptr), 1);
    ASSERT_EQ(VARNO_defineStudyLevelData(
                  "S", "startAgent: 0\nendAgent: 0\nfilePrefix: p\nrandomSeed: 0.5\nmode: newStudy"),
              1);
    ASSERT_EQ(VARNO_defineSearchMethodData("m", "method: TRAVOK\nnumEvals: 5"), 1);
    EXPECT_TRUE(logEntries().empty());
    StudySetup& setup = currentStudy()->setup;
    resizeForVariables(setup.agent, setup.method, methodScope(setup), 3);
    EXPECT_EQ(logEntries(), std::vector<std::string>{randomSearchWarning(5)});
    const Agent& agent = *setup.agent;
    EXPECT_EQ(agent.MAX_EVALUATIONS, 5);
    EXPECT_EQ(agent.ncycles, 1);
    EXPECT_EQ(agent.problem_type, 2);
    EXPECT_EQ(agent.data.populationSize, 6);
    EXPECT_FALSE(agent.data.modelSwitch);
    EXPECT_EQ(agent.data.reinitializeInterval, 10);
}

TEST_F(Sizing, MotravokArchiveBreedingAndCycles) {
    const std::string archiveNote = "*NOTE\nArchive size must be a multiple of 4. Found ";
    const struct {
        MotravokInput input;  // evaluations, archive, breeding, parallel, extend
        int archive, breeding, cycles;
        std::vector<std::string> log;
    } cases[] = {
        // Archive 10 rounds up to 12; b = 1000 / 12 = 83, limited to 12; 1000 / 12.
        {{1000, 10, -1, 1, false}, 12, 12, 83, {archiveNote + "10, incrementing to 12."}},
        {{1000, 9, -1, 1, false},
         12, 12, 83,
         {"*NOTE\nThe Archive size must be greater than or equal to 12. Found (9). Incrementing "
          "Archive size to 12."}},
        // b = 1000 / 20 = 50, limited to 20.
        {{1000, 20, -1, 1, false}, 20, 20, 50, {}},
        // b = 200 / 40 = 5, raised to half the archive: 20.
        {{200, 40, -1, 1, false}, 40, 20, 10, {}},
        // Archive 13 rounds to 16; b = 300 / 16 = 18, limited to 16.
        {{300, 13, -1, 1, false}, 16, 16, 18, {archiveNote + "13, incrementing to 16."}},
        {{100, 12, 7, 1, false},
         12, 8, 12,
         {"*NOTE\nOnly even values are allowed for breeding size (7). Incrementing by 1 to 8.\n"}},
        // Too small a budget is accepted when the run extends an earlier one.
        {{15, 12, -1, 1, true}, 12, 6, 2, {}},
        // P equal to the archive makes the breeding size the archive.
        {{1000, 12, 6, 12, false}, 12, 12, 83, {}},
        // P = 4: b = 20 is 5 batches of 4.
        {{1000, 20, -1, 4, false}, 20, 20, 50, {}},
        // P = 7 > b = 6: b = 7, made even downwards: 6 < 7.
        {{72, 12, -1, 7, false},
         12, 6, 12,
         {"*WARNING\nFor a Pareto optimization, the search cycle size must be even. As a "
          "result, the number of simultaneous evaluations specified (7) cannot be honored. The "
          "number of simultaneous evaluations will be limited to 6."}},
        // P = 4: b = 6 / 4 * 4 = 4, raised to 6; (60 - 12) / 6 = 8 < 10.
        {{60, 12, -1, 4, false}, 12, 6, 10, {batchWarning("MO-TRAVOK", 4, 9)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("N=" + std::to_string(c.input.evaluations) +
                     " archive=" + std::to_string(c.input.archiveSize));
        VARNO_clearMessageLog();
        const MotravokSizing sizing = size_motravok_population(c.input);
        EXPECT_EQ(sizing.archiveSize, c.archive);
        EXPECT_EQ(sizing.breedingSize, c.breeding);
        EXPECT_EQ(sizing.ncycles, c.cycles);
        EXPECT_EQ(logEntries(), c.log);
    }
}

TEST_F(Sizing, MotravokStops) {
    const struct {
        MotravokInput input;
        std::string reason;
    } cases[] = {
        {{100, 12, 5, 1, false}, "The Breeding size must be at least 6. Found (5).\n"},
        {{100, 12, 16, 1, false}, "The breeding size (16) cannot be greater than the archive size (12)."},
        {{15, 12, -1, 1, false},
         "Max evaluations must be at least breeding size (6) plus archive size (12). Found (15)."},
        {{1000, 12, -1, 16, false},
         "The maximum number of parallel designs requested (16) is greater than the archive size "
         "(12). The archive size is the maximum number of simultaneous designs that can be "
         "evaluated. Please increase the archive size or reduce the number of simultaneous design "
         "evaluations requested."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        expectFatal([&] { size_motravok_population(c.input); }, c.reason);
    }
}

TEST_F(Sizing, MotravokMethodSetsTheAgent) {
    ASSERT_EQ(VARNO_createNewStudy("s", nullptr), 1);
    ASSERT_EQ(VARNO_defineStudyLevelData("S", "startAgent: 0\nendAgent: 0\nfilePrefix: p\n"
                                              "randomSeed: 0.5\nmode: newStudy\nnParallel: 20"),
              1);
    ASSERT_EQ(VARNO_defineSearchMethodData(
                  "m", "method: MOTRAVOK\nnumEvals: 1000\narchiveSize: 9\nshutOff: 3"),
              0)
        << "20 simultaneous designs exceed the archive of 12";
    ASSERT_EQ(VARNO_initializeStudySetup(("workingDirectory: " + dir.path()).c_str()), 1);
    ASSERT_EQ(VARNO_createNewStudy("s", nullptr), 1);
    ASSERT_EQ(VARNO_defineSearchMethodData(
                  "m", "method: MOTRAVOK\nnumEvals: 1000\narchiveSize: 9\nshutOff: 3"),
              1);
    const Agent& agent = *currentStudy()->setup.agent;
    EXPECT_EQ(agent.MAX_EVALUATIONS, 1000);
    EXPECT_EQ(agent.data.populationSize, 12);
    EXPECT_EQ(agent.data.breedingSize, 12);
    EXPECT_EQ(agent.ncycles, 83);
    EXPECT_EQ(agent.data.reinitializeInterval, 183);
    EXPECT_EQ(agent.data.shutOff, 3);
    EXPECT_TRUE(agent.data.multiObjective);
}

}  // namespace
}  // namespace varno::search
