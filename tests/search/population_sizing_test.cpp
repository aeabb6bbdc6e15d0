// Population sizes and cycle counts of TRAVOK and MOTRAVOK, with their
// warnings, notes and stops.
#include <gtest/gtest.h>

#include <algorithm>
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

class Sizing : public varno::testing::StudyInFolder {};

bool mentions(const std::vector<std::string>& log, const std::string& words) {
    return std::any_of(log.begin(), log.end(), [&](const std::string& entry) {
        return entry.find(words) != std::string::npos;
    });
}

// Over a range of budgets and variable counts: an even population of 4 to 40
// members, at least one cycle, and, unless only a random search is possible,
// the first population and its cycles fit the budget (but for rounding the
// population up to an even size). At least 17 cycles unless a warning says
// the search is hampered.
TEST_F(Sizing, TravokPlansFitTheBudgetWithTheirWarningsAndNotes) {
    for (int n : {5, 8, 15, 30, 50, 100, 224, 500, 1000, 5000, 40000}) {
        for (int v : {1, 2, 3, 10, 20, 40, 60}) {
            SCOPED_TRACE("N=" + std::to_string(n) + " V=" + std::to_string(v));
            VARNO_clearMessageLog();
            const TravokSizing sizing = size_travok_population(n, v, 1, {0, "S", true});
            const int p = sizing.populationSize;
            EXPECT_EQ(p % 2, 0);
            EXPECT_GE(p, 4);
            EXPECT_LE(p, 40);
            EXPECT_GE(sizing.ncycles, 1);
            const auto log = logEntries();
            if (mentions(log, "random search only")) continue;
            EXPECT_FALSE(sizing.randomSearchOnly);
            // The population may have been rounded up to an even size.
            const int planned = p - 1;
            EXPECT_LE(planned + sizing.ncycles * (0.55 * planned + (v == 1 ? 0 : 1)), n + 1e-9);
            if (log.empty()) {
                EXPECT_GE(sizing.ncycles, 17);
            }
        }
    }

    // The warnings of a small budget name the budget, the agent and the study;
    // every population holds at least one batch.
    const auto log = [](int n, int v, int p) {
        VARNO_clearMessageLog();
        EXPECT_GE(size_travok_population(n, v, p, {0, "S", true}).populationSize, p);
        return logEntries();
    };
    EXPECT_EQ(log(5, 3, 1).size(), 1u);
    EXPECT_TRUE(mentions(log(5, 3, 1), "input 5 for Agent 0 for study \"S\" is insufficient for "
                                       "performing any sort of optimization. Performing some "
                                       "random search only."));
    EXPECT_TRUE(mentions(log(30, 30, 1), "input 30 for Agent 0 for study \"S\" is insufficient "
                                         "for an effective global search of the design space."));
    const auto batches = log(100, 10, 8);
    EXPECT_EQ(batches.size(), 1u);
    EXPECT_TRUE(mentions(batches, "Performing 8 simultaneous evaluations") &&
                mentions(batches, "approximately 9 batches"));
    const auto both = log(5, 3, 4);
    EXPECT_EQ(both.size(), 2u);
    EXPECT_TRUE(mentions(both, "random search only") && mentions(both, "approximately 1 batches"));
    // Sized silently when the method is defined, aloud for the final variables.
    VARNO_clearMessageLog();
    ASSERT_EQ(VARNO_createNewStudy("s", nullptr), 1);
    varno::testing::defineThrough(
        {{VARNO_defineStudyLevelData, "S",
          "startAgent: 0\nendAgent: 0\nfilePrefix: p\nrandomSeed: 0.5\nmode: newStudy"},
         {VARNO_defineSearchMethodData, "m", "method: TRAVOK\nnumEvals: 5"}});
    EXPECT_TRUE(logEntries().empty());
    StudySetup& setup = currentStudy()->setup;
    resizeForVariables(setup.agent, setup.method, methodScope(setup), 3);
    EXPECT_EQ(logEntries().size(), 1u);
    EXPECT_TRUE(mentions(logEntries(), "Performing some random search only."));
    EXPECT_EQ(setup.agent->MAX_EVALUATIONS, 5);
    EXPECT_EQ(setup.agent->data.populationSize, 6);
}

// Archives of whole multiples of 4 from 12 on, even breeding populations of
// 6 up to the archive, and the first archive and breeding within the budget.
TEST_F(Sizing, MotravokSizesFitTheArchiveAndTheBudget) {
    for (int n : {60, 100, 200, 1000, 5000}) {
        for (int archive : {4, 9, 12, 13, 20, 40}) {
            for (int parallel : {1, 2, 4, 6}) {
                SCOPED_TRACE("N=" + std::to_string(n) + " archive=" + std::to_string(archive) +
                             " P=" + std::to_string(parallel));
                const MotravokSizing sizing = size_motravok_population({n, archive, -1, parallel});
                EXPECT_EQ(sizing.archiveSize % 4, 0);
                EXPECT_GE(sizing.archiveSize, std::max(12, archive));
                EXPECT_EQ(sizing.breedingSize % 2, 0);
                EXPECT_GE(sizing.breedingSize, 6);
                EXPECT_LE(sizing.breedingSize, sizing.archiveSize);
                EXPECT_LE(sizing.archiveSize + sizing.breedingSize, n);
                EXPECT_EQ(sizing.ncycles, n / sizing.breedingSize);
            }
        }
    }
}

// The sizes of `input` and the messages they give.
void expectSizes(const MotravokInput& input, int archive, int breeding,
                 const std::vector<std::string>& log) {
    SCOPED_TRACE("N=" + std::to_string(input.evaluations) +
                 " archive=" + std::to_string(input.archiveSize));
    VARNO_clearMessageLog();
    const MotravokSizing sizing = size_motravok_population(input);
    EXPECT_EQ(sizing.archiveSize, archive);
    EXPECT_EQ(sizing.breedingSize, breeding);
    EXPECT_EQ(logEntries(), log);
}

TEST_F(Sizing, MotravokNotesWarningsAndStops) {
    expectSizes({1000, 10, -1, 1, false}, 12, 12,
                {"*NOTE\nArchive size must be a multiple of 4. Found 10, incrementing to 12."});
    expectSizes({1000, 9, -1, 1, false}, 12, 12,
                {"*NOTE\nThe Archive size must be greater than or equal to 12. Found (9). "
                 "Incrementing Archive size to 12."});
    expectSizes({100, 12, 7, 1, false}, 12, 8,
                {"*NOTE\nOnly even values are allowed for breeding size (7). Incrementing by 1 "
                 "to 8.\n"});
    // Too small a budget is accepted when the run extends an earlier one.
    expectSizes({15, 12, -1, 1, true}, 12, 6, {});
    expectSizes({72, 12, -1, 7, false}, 12, 6,
                {"*WARNING\nFor a Pareto optimization, the search cycle size must be even. As a "
                 "result, the number of simultaneous evaluations specified (7) cannot be "
                 "honored. The number of simultaneous evaluations will be limited to 6."});
    const auto stops = [](MotravokInput input, const std::string& reason) {
        expectFatal([&] { size_motravok_population(input); }, reason);
    };
    stops({100, 12, 5, 1, false}, "The Breeding size must be at least 6. Found (5).\n");
    stops({100, 12, 16, 1, false},
          "The breeding size (16) cannot be greater than the archive size (12).");
    stops({15, 12, -1, 1, false},
          "Max evaluations must be at least breeding size (6) plus archive size (12). Found (15).");
    stops({1000, 12, -1, 16, false},
          "The maximum number of parallel designs requested (16) is greater than the archive "
          "size (12). The archive size is the maximum number of simultaneous designs that can be "
          "evaluated. Please increase the archive size or reduce the number of simultaneous "
          "design evaluations requested.");
}

}  // namespace
}  // namespace varno::search
