// The design cycle through the C interface: finalising, sharing designs,
// handing them out, taking their results back, and the store queries.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <tuple>
#include <string>
#include <vector>

#include "study/study.h"
#include "frame/tracked_allocator.h"
#include "test_support.h"
#include "varno.h"

namespace varno {
namespace {

using testing::lastFatalReason;
using testing::lastMessage;
using testing::logEntries;

// Designs as the host holds them: rows of x1, x2, load.
using HostDesigns = std::vector<std::vector<double>>;

class DesignCycle : public testing::StudyInFolder {
protected:
    void finalizeSweep() {
        testing::defineSmallSweep();
        ASSERT_EQ(VARNO_finalizeStudyData(), 1) << lastMessage();
    }

    // The small sweep's problem as a TRAVOK optimisation of `budget` evaluations.
    void finalizeSearch(int budget) {
        testing::defineSmallSweep();
        ASSERT_EQ(VARNO_createNewStudy("opt", "type: optimization"), 1);
        const std::string method = "numEvalsTotal: " + std::to_string(budget) +
                                   "\nmethod: TRAVOK\nnumEvals: " + std::to_string(budget);
        ASSERT_EQ(VARNO_defineSearchMethodData("m", method.c_str()), 1) << lastMessage();
        ASSERT_EQ(VARNO_finalizeStudyData(), 1) << lastMessage();
    }

    // Shares the rows as real-valued designs without results.
    int share(HostDesigns designs, std::vector<int>* ids = nullptr) {
        std::vector<int> types(designs.size(), 2);
        std::vector<double*> values;
        for (auto& row : designs) values.push_back(row.data());
        int* shared = nullptr;
        const int result = VARNO_shareDesigns("host", static_cast<int>(designs.size()),
                                              types.data(), 3, values.data(), 2, nullptr, &shared,
                                              nullptr);
        if (ids != nullptr && shared != nullptr) ids->assign(shared, shared + designs.size());
        VARNO_freePtr(shared);
        return result;
    }

    // Gets the next set and releases its arrays; gives the ids handed out and
    // the results the host returns for them: x1 + x2 and 1.
    std::pair<std::vector<int>, std::vector<std::vector<double>>> nextSetWithResults() {
        int* ids = nullptr;
        double** values = nullptr;
        const int count = VARNO_getNextSetOfDesignsFromStudy(&ids, &values);
        if (count == 0) {
            EXPECT_TRUE(ids == nullptr && values == nullptr) << "an empty set hands out no arrays";
        }
        std::pair<std::vector<int>, std::vector<std::vector<double>>> set;
        for (int i = 0; i < count; ++i) {
            set.first.push_back(ids[i]);
            set.second.push_back({values[i][0] + values[i][1], 1});
        }
        VARNO_freePtr(ids);
        VARNO_freePtr(values);
        return set;
    }

    std::vector<int> getSet(std::size_t expectedCount) {
        const std::vector<int> ids = nextSetWithResults().first;
        EXPECT_EQ(ids.size(), expectedCount) << lastMessage();
        return ids;
    }

    int update(std::vector<int> ids, std::vector<std::vector<double>> responses,
               std::vector<int> flags = {}) {
        if (flags.empty()) flags.assign(ids.size(), 0);
        std::vector<double*> values;
        for (auto& r : responses) values.push_back(r.data());
        return VARNO_updateResultsForDesignSet(static_cast<int>(ids.size()), ids.data(),
                                               flags.data(), values.data(), nullptr);
    }

    static double performanceOf(int id) {
        double value = 0.0;
        EXPECT_EQ(VARNO_getPerformanceValueForDesign(id, &value), 1) << id;
        return value;
    }
};

TEST_F(DesignCycle, UnknownDesignsAreNotFoundAndASecondGetBeforeTheResultsIsRefused) {
    finalizeSweep();
    double value = 0.0;
    EXPECT_EQ(VARNO_getPerformanceValueForDesign(42, &value), 0);
    EXPECT_EQ(std::tuple(value, VARNO_getDesignStatus(42), VARNO_getBestDesignId()),
              std::tuple(-1e99, 4, 0));
    ASSERT_EQ(share({{1, 2, 2}}), 1);
    getSet(1);
    getSet(0);
    EXPECT_EQ(lastMessage(),
              "Already working on generating the next set of designs. Multiple calls are not "
              "supported. The results from the previous design set must be provided before "
              "calling getNextSet again.");
}

TEST_F(DesignCycle, SharingRefusesWrongCountsDuplicatesAndValuesOutOfRange) {
    finalizeSweep();
    std::vector<double> row{1, 2, 2};
    double* values[] = {row.data()};
    int types[] = {2};
    EXPECT_EQ(VARNO_shareDesigns("p", 1, types, 2, values, 2, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(lastMessage(),
              "The number of variables specified in the call (2) does not match the number of "
              "variables in the problem definition (3).");
    EXPECT_EQ(VARNO_shareDesigns("p", 1, types, 3, values, 1, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(lastMessage(),
              "The number of responses specified in the call (1) does not match the number of "
              "responses in the problem definition (2).");
    VARNO_clearMessageLog();
    std::vector<int> ids;
    EXPECT_EQ(share({{1, 2, 2}, {1, 2, 2}, {11, 2, 2}, {2, 2, 2}}, &ids), 0);
    EXPECT_EQ(ids, (std::vector<int>{1, 0, 0, 2}));
    EXPECT_EQ(logEntries(),
              (std::vector<std::string>{
                  "The design host-2 is a duplicate of design host-1. This design will be ignored.",
                  "The value for variable number 1 for design host-3 is outside the variable "
                  "range defined. This design will not be used."}));

    ASSERT_EQ(update({1, 2}, {{3, 1}, {4, 2}}), 1);
    EXPECT_EQ(share({{1, 2, 2}}), 0);
    EXPECT_EQ(lastMessage(),
              "The design host-1 already exists in the database. This design will not be used.");
}

TEST_F(DesignCycle, DesignsSharedWithResultsGoStraightIntoTheStore) {
    finalizeSweep();
    std::vector<double> row{1, 2, 2};
    std::vector<double> results{3, 1};
    double* values[] = {row.data()};
    double* responses[] = {results.data()};
    int types[] = {1};
    char name[] = "mine";
    char* names[] = {name};
    int* ids = nullptr;
    ASSERT_EQ(VARNO_shareDesigns("p", 1, types, 3, values, 2, responses, &ids, names), 1);
    EXPECT_EQ(ids[0], 1);
    VARNO_freePtr(ids);
    EXPECT_EQ(performanceOf(1), -3.0);
    EXPECT_EQ(currentStudy()->store.record(0).name, "mine");
    getSet(0);  // nothing is left to evaluate
}

TEST_F(DesignCycle, ResultsForUnknownIdsAreIgnoredAndLaterResultsReplaceEarlierOnes) {
    finalizeSweep();
    currentStudy()->verbose = 1;
    ASSERT_EQ(share({{1, 2, 2}, {3, 3, 2}}), 1);
    getSet(2);
    ASSERT_EQ(update({7, 1}, {{0, 0}, {9, 1}}), 1);
    EXPECT_EQ(logEntries(),
              (std::vector<std::string>{
                  "The design 7 could not be located in the list shared earlier. The results "
                  "provided for this design will be ignored.",
                  "The results for design 2 have not been shared yet. Waiting for the results "
                  "before moving on to the next cycle."}));
    EXPECT_EQ(VARNO_isStudyComplete(), 0);

    ASSERT_EQ(update({1, 2}, {{3, 1}, {6, 3}}), 1);
    EXPECT_EQ(lastMessage(),
              "The design 1 already had results. The new results will replace the old results in "
              "the system.");
    EXPECT_EQ(performanceOf(1), -3.0) << "the replacing results count";
    EXPECT_EQ(VARNO_isStudyComplete(), 1);
}

TEST_F(DesignCycle, BaselineDesignIsMovedToTheFrontOfAllFourArrays) {
    testing::defineSmallSweep();
    currentStudy()->project.per_type.front().goals[0].norm = -1.0;  // factor: baseline
    ASSERT_EQ(VARNO_finalizeStudyData(), 1);
    ASSERT_EQ(share({{5, 5, 2}, {1, 1, 2}, {2, 2, 2}}), 1);
    getSet(3);

    std::vector<int> ids{2, 3, 1};
    std::vector<int> flags{0, 1, 0};
    std::vector<double> r2{2, 1}, r3{4, 1}, r1{0.3, 1};
    std::vector<double*> values{r2.data(), r3.data(), r1.data()};
    char a[] = "two", b[] = "three", c[] = "base";
    std::vector<char*> names{a, b, c};
    EXPECT_EQ(
        VARNO_updateResultsForDesignSet(2, ids.data(), flags.data(), values.data(), names.data()),
        -1);
    EXPECT_EQ(lastMessage(),
              "The baseline design has not been shared yet. These results cannot be processed "
              "until the baseline design has been shared.");
    ASSERT_EQ(
        VARNO_updateResultsForDesignSet(3, ids.data(), flags.data(), values.data(), names.data()),
        1);
    EXPECT_EQ(std::pair(ids, flags), std::pair(std::vector{1, 3, 2}, std::vector{0, 1, 0}));
    EXPECT_EQ(values, (std::vector<double*>{r1.data(), r3.data(), r2.data()}));
    EXPECT_EQ(std::vector<std::string>(names.begin(), names.end()),
              (std::vector<std::string>{"base", "three", "two"}));
    // The baseline value 0.3 fixes the factor in single precision.
    EXPECT_EQ(currentStudy()->project.per_type.front().goals[0].norm, 0.30000001192092896);
    EXPECT_DOUBLE_EQ(performanceOf(2), -2.0 / 0.30000001192092896);
}

TEST_F(DesignCycle, MethodsTheInterfaceDoesNotRunAreRefusedWhenDesignsAreAsked) {
    testing::defineSmallSweep();
    ASSERT_EQ(VARNO_defineSearchMethodData("m", "numEvalsTotal: 50\nmethod: SA\nnumEvals: 50"), 1)
        << lastMessage();
    ASSERT_EQ(VARNO_finalizeStudyData(), 1) << lastMessage();
    for (int ask = 0; ask < 2; ++ask) {  // a refused request leaves nothing pending
        getSet(0);
        EXPECT_EQ(lastMessage(), "The study type used is not currenly supported via the API.");
    }
}

// Shared designs without results wait to go out in one set: more than the
// study may evaluate would strand the rest, so that share is refused whole.
TEST_F(DesignCycle, SharesBeyondTheBudgetAreRefusedWhole) {
    finalizeSearch(20);
    HostDesigns designs;
    for (int i = 0; i < 21; ++i) designs.push_back({i * 0.25, 1, 2});
    EXPECT_EQ(share(designs), 0);
    EXPECT_EQ(lastMessage(),
              "Sharing these designs would leave 21 designs waiting for evaluation, more than the "
              "20 the study may still evaluate. None of these designs were shared.");
    designs.pop_back();
    ASSERT_EQ(share(designs), 1) << lastMessage();
    const std::vector<int> ids = getSet(20);
    std::vector<std::vector<double>> results;
    for (std::size_t i = 0; i < ids.size(); ++i) results.push_back({1.0 + i, 1});
    ASSERT_EQ(update(ids, results), 1);
    EXPECT_EQ(currentStudy()->store.size(), 20u) << "every shared design reached the store";
}

// A result repeated in one call, or sent again once its set is complete (a
// host retrying after a timeout), is refused without costing an evaluation
// or the study.
TEST_F(DesignCycle, RepeatedResultsAreRefusedAndTheStudyGoesOn) {
    finalizeSearch(40);
    auto [set, results] = nextSetWithResults();
    const int count = static_cast<int>(set.size());
    ASSERT_GT(count, 1);
    set.push_back(set.front());
    results.push_back(results.front());
    ASSERT_EQ(update(set, results), 1);
    EXPECT_EQ(currentStudy()->agent().data.evaluationsDone, count) << "counted once";
    EXPECT_EQ(update(set, results), 0) << "the set is no longer pending";
    EXPECT_FALSE(nextSetWithResults().first.empty()) << lastMessage();
}

TEST_F(DesignCycle, DesignsSharedInTwoCallsBeforeAGetTakeDistinctIds) {
    finalizeSweep();
    std::vector<int> firstIds, secondIds;
    ASSERT_EQ(share({{1, 2, 2}, {3, 4, 2}}, &firstIds), 1);
    ASSERT_EQ(share({{5, 6, 2}}, &secondIds), 1);
    EXPECT_EQ(std::pair(firstIds, secondIds), std::pair(std::vector{1, 2}, std::vector{3}));
    EXPECT_EQ(getSet(3), (std::vector<int>{1, 2, 3}));
    ASSERT_EQ(update({1, 2, 3}, {{3, 1}, {7, 3}, {11, 5}}), 1);
    EXPECT_EQ(performanceOf(3), -11.0);
    for (int item : {1, 2, 4, 5}) EXPECT_EQ(VARNO_getIntStudyData(item), item < 4 ? 2 : 1) << item;
}

TEST_F(DesignCycle, AZeroBudgetSearchHandsOutNothing) {
    finalizeSearch(0);
    getSet(0);
    EXPECT_EQ(std::pair(VARNO_isStudyComplete(), VARNO_getBestDesignId()), std::pair(1, 0));
    getSet(0);  // asking again is harmless
}

// Designs shared while the set that spends the budget is out find no
// evaluation left once its results are in: none is handed out.
TEST_F(DesignCycle, SharesLeftWhenTheBudgetIsSpentAreNotHandedOut) {
    finalizeSearch(20);
    for (int done = 0, shared = 0; !shared;) {
        const auto [set, results] = nextSetWithResults();
        const int count = static_cast<int>(set.size());
        ASSERT_GT(count, 0) << lastMessage();
        shared = done > 0 && done + count == 20;  // the last set, not the first
        if (shared) {
            ASSERT_EQ(share({{0.25, 1, 2}}), 1) << lastMessage();
        }
        ASSERT_EQ(update(set, results), 1);
        done += count;
    }
    getSet(0);
}

// --- finalising ------------------------------------------------------------------

// Each definition is refused whole, with its reason.
TEST_F(DesignCycle, FinalisingChecksTheWholeDefinition) {
    const auto sweepAs = [](const char* type, const char* method) {
        testing::defineSmallSweep();
        if (type != nullptr) VARNO_createNewStudy("opt", type);
        VARNO_defineSearchMethodData("m", method);
    };
    const std::vector<std::pair<std::function<void()>, std::string>> cases = {
        {[] {}, "Agent 0 is not defined in Assembly.in file."},
        {[] { VARNO_createNewStudy("s", "type: optimization"); },
         "The search method of the study has not been defined."},
        {[&] {
             sweepAs("type: optimization", "method: DesignSweep");
             currentStudy()->project.per_type.front().goals[0].flag = 3;  // a plain response
         },
         "Performance id 0 must have at least one objective as it is being used by an "
         "optimization agent (id=0). Please define at least one objective under the "
         "\"Responses\" area in the \"Study\" tab."},
        {[&] { sweepAs(nullptr, "method: MOTRAVOK\nnumEvals: 500\narchiveSize: 12"); },
         "The study must have at least 2 objectives defined for a Pareto optimization setup. The "
         "current study only has 1 defined."},
        {[] {
             VARNO_createNewStudy("s", "type: evaluation");
             VARNO_defineSearchMethodData("m", "method: DesignSweep");
         },
         "Performance id 0 must have at least one study response defined. Please make sure that "
         "at least one response is available under the \"Responses\" area in the \"Study\" tab. "
         "Only responses associated to the process files via tagging show up in this area."},
        {[] {
             testing::defineThrough({
                 {VARNO_createNewStudy, "s", "type: optimization"},
                 {VARNO_defineNewProjectParameter, "x",
                  "type: Continuous\nid: 1\nmin: 0\nbaseline: 0\nmax: 1"},
                 {VARNO_defineNewProjectResponse, "f", "type: API"},
                 {VARNO_defineSearchMethodData, "m", "method: TRAVOK\nnumEvals: 100"},
                 {VARNO_addVariableToStudy, "x",
                  "type: Continuous\nid: 1\nresolution: 2\ndistribution: NONE"},
                 {VARNO_addResponseToStudy, "f",
                  "type: objective\nfactor: 1\noption: min_value\ntarget: 0\nquadWt: 0\n"
                  "linearWt: 1\nacceptMin: -10\nacceptMax: 10"},
             });
         },
         "Based on the current study setup, the resolution of the design variables will result "
         "in fewer runs than the cycle size. This is an invalid setup. You should increase the "
         "variable resolutions or use a design sweep study instead if the variable resolutions "
         "are correct."},
    };
    for (const auto& [define, reason] : cases) {
        SCOPED_TRACE(reason);
        initialise();
        define();
        EXPECT_EQ(VARNO_finalizeStudyData(), 0);
        EXPECT_EQ(lastFatalReason(), "*ERROR\n" + reason);
        EXPECT_EQ(library().studyFinalised, 0);
    }
}

}  // namespace
}  // namespace varno
