// The design store: duplicates, saved performances, growth and the queries.
#include "design/design_store.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/message_log.h"
#include "support/seams.h"
#include "test_support.h"

namespace varno::design {
namespace {

using varno::testing::logEntries;

Design integerDesign(std::vector<int> ints, int agent = 0, int id = 1, double performance = 0.0) {
    Design design;
    design.evaluationKind = integerCoded;
    design.ints = std::move(ints);
    design.agentTag = agent;
    design.id = id;
    design.performance = performance;
    design.status.status = statusFeasible;
    return design;
}

Design realDesign(std::vector<double> reals, int agent = 0, int id = 1) {
    Design design;
    design.evaluationKind = realValued;
    design.reals = std::move(reals);
    design.ints.assign(design.reals.size(), 0);
    design.agentTag = agent;
    design.id = id;
    design.status.status = statusFeasible;
    return design;
}

class DesignStoreTest : public ::testing::Test {
protected:
    void SetUp() override { clearMessageLog(); }
    void TearDown() override {
        support::resetSeams();
        clearMessageLog();
    }

    // Designs number first … first + count - 1, with ids from 1 and
    // performances from 0 in that order.
    void addNumbered(int count, int first = 0) {
        for (int i = first; i < first + count; ++i) {
            Design design = integerDesign({i, i % 7}, 0, i + 1, i);
            store.addDesign(design);
        }
    }

    DesignStore store;
};

// ------------------------------------------------------------------ duplicates

TEST_F(DesignStoreTest, SameIntegerDesignFromTwoAgentsIsStoredTwice) {
    Design first = integerDesign({3, 4}, 0);
    Design second = integerDesign({3, 4}, 1);
    Design repeat = integerDesign({3, 4}, 0);
    EXPECT_EQ(store.addDesign(first), 0);
    EXPECT_EQ(store.addDesign(second), 1);
    EXPECT_EQ(store.addDesign(repeat), 0);
    EXPECT_EQ(store.size(), 2u);
}

TEST_F(DesignStoreTest, RealDesignsPrintingAlikeWithinToleranceAreDuplicates) {
    Design first = realDesign({1.0, 2.0});
    Design close = realDesign({1.0 * (1 + 1e-9), 2.0});
    store.addDesign(first);
    EXPECT_EQ(store.addDesign(close), 0);
    EXPECT_EQ(store.size(), 1u);
}

TEST_F(DesignStoreTest, CloseDesignWithOtherTextIsFoundOnlyThroughAnOccupiedSlot) {
    Design first = realDesign({1.0000000044, 3.0});
    Design close = realDesign({1.0000000054, 3.0});  // 1e-9 apart, other text
    store.addDesign(first);
    const FindResult free = store.findDesign(close);
    ASSERT_NE(*store.hashOf(close), *store.hashOf(first));
    EXPECT_FALSE(free.found);

    // A different design that hashes like `close` occupies its slot.
    Design other = realDesign({2.0, 3.0});
    for (int k = 1; *store.hashOf(other) != *store.hashOf(close); ++k) other.reals[0] = 2.0 + k * 1e-3;
    ASSERT_EQ(store.addDesign(other), 1);

    const FindResult found = store.findDesign(close);
    EXPECT_TRUE(found.found);
    EXPECT_EQ(found.index, 0);
}

TEST_F(DesignStoreTest, IntegerDesignBehindALaterCollidingDesignIsStillFound) {
    Design first = integerDesign({10, 20});
    store.addDesign(first);
    Design other = integerDesign({0, 0});
    for (int k = 1; *store.hashOf(other) != *store.hashOf(first); ++k) {
        other.ints[0] = k;
    }
    ASSERT_EQ(store.addDesign(other), 1);
    const FindResult found = store.findDesign(integerDesign({10, 20}));
    EXPECT_TRUE(found.found);
    EXPECT_EQ(found.index, 0);
}

TEST_F(DesignStoreTest, RealEqualityIsRelativeToTheStoredValueAndIgnoresTheAgent) {
    Design stored = realDesign({0.0, 5.0});
    store.addDesign(stored);
    const StoredDesign& record = store.record(0);
    EXPECT_TRUE(matchesStored(record, realDesign({0.0, 5.0 * (1 + 1e-9)}, 7)));
    EXPECT_FALSE(matchesStored(record, realDesign({1e-300, 5.0})));  // a stored 0 is exact
    Design apart = realDesign({0.0, 5.0 * (1 + 1e-7)});
    EXPECT_FALSE(matchesStored(record, apart));
    EXPECT_EQ(store.addDesign(apart), 1);
}

TEST_F(DesignStoreTest, RealDesignOnTheGridDuplicatesTheIntegerDesign) {
    Design bred = integerDesign({1, 2});
    store.addDesign(bred);
    store.setIntegerCoding([](Design& d) {
        d.evaluationKind = integerCoded;
        d.ints = {1, 2};
        return true;
    });
    Design onGrid = realDesign({0.5, 1.0});
    EXPECT_EQ(store.addDesign(onGrid), 0);
    EXPECT_EQ(onGrid.evaluationKind, integerCoded);
}

TEST_F(DesignStoreTest, UnknownKindWarnsWhenHashedAndIsFatalWhenCompared) {
    Design odd = integerDesign({1});
    odd.evaluationKind = 3;
    EXPECT_FALSE(store.findDesign(odd).found);
    EXPECT_EQ(logEntries().back(), "*WARNING\nError in determining the evaluation type.");
    store.addDesign(odd);
    varno::testing::expectFatal(
        [&] { matchesStored(store.record(0), odd); },
        "Error in determining the evaluation type. Internal Error -121. Please send your "
        "project file to the  VARNO support team.");
}

TEST_F(DesignStoreTest, SharedDesignsAreStoredWithoutSearchAndNeverLookedUp) {
    store.setSharedDesigns(true);
    Design first = integerDesign({1, 1});
    Design repeat = integerDesign({1, 1});
    store.addDesign(first);
    EXPECT_EQ(store.addDesign(repeat), 1);
    EXPECT_EQ(store.lookupSavedPerformance(repeat, {}, false), NEW_DESIGN_MARK);
}

// ---------------------------------------------------------- saved performance

TEST_F(DesignStoreTest, FoundDesignTakesOverTheStoredRecordAndIsRescored) {
    Design stored = integerDesign({2, 2}, 0, 17);
    stored.tag1 = 4;
    stored.status.responseStates = {1, 1};
    stored.responseValues = {{model::makeDoubleValue(3.5), model::endOfListValue()}};
    stored.dependentValues = {{model::makeDoubleValue(-1.0), model::endOfListValue()}};
    store.addDesign(stored);

    Design again = integerDesign({2, 2}, 0, 99);
    const double p = store.lookupSavedPerformance(
        again, [](Design& d) { return 2 * model::doubleValueOf(d.responseValues[0][0]); }, true);
    EXPECT_EQ(p, 7.0);
    EXPECT_EQ(again.id, 17);
    EXPECT_EQ(again.tag1, 4);
    EXPECT_EQ(again.status.responseStates, (std::vector<int>{1, 1}));
    ASSERT_EQ(again.dependentValues.size(), 1u);
    EXPECT_EQ(again.dependentValues[0][0].doubleValue, -1.0);
}

TEST_F(DesignStoreTest, ScoreEqualToTheMarkIsReportedSlightlyLower) {
    Design stored = integerDesign({0});
    store.addDesign(stored);
    const double p = store.lookupSavedPerformance(stored, [](Design&) { return -1.23456; }, false);
    EXPECT_DOUBLE_EQ(p, -1.23456001);
}

TEST_F(DesignStoreTest, UnknownDesignGetsTheMarkAndOnRequestAFreshStatus) {
    Design fresh = integerDesign({8}, 3);
    fresh.status = {0, 0, 9, statusFeasible, {2, 5}};
    EXPECT_EQ(store.lookupSavedPerformance(fresh, {}, true), NEW_DESIGN_MARK);
    EXPECT_EQ(fresh.status.ok, 1);
    EXPECT_EQ(fresh.status.complete, 1);
    EXPECT_EQ(fresh.status.agent, 3);
    EXPECT_EQ(fresh.status.status, statusError);
    EXPECT_EQ(fresh.status.responseStates, (std::vector<int>{0, 0}));
}

// --------------------------------------------------------- growth and memory

TEST_F(DesignStoreTest, DesignAfterAFullChunkGrowsTheStoreKeepingEveryRecord) {
    addNumbered(10000);
    EXPECT_EQ(store.capacity(), 10000u);
    addNumbered(1, 10000);
    EXPECT_EQ(store.size(), 10001u);
    EXPECT_EQ(store.capacity(), 20000u);
    double p = 0;
    EXPECT_TRUE(store.performanceById(1, p));
    EXPECT_EQ(p, 0.0);
    EXPECT_TRUE(store.performanceById(10001, p));
    EXPECT_EQ(p, 10000.0);
    EXPECT_EQ(store.findDesign(integerDesign({4321, 4321 % 7})).index, 4321);
}

TEST_F(DesignStoreTest, OutOfMemoryAtCreationStopsCheckingButStoresTheDesign) {
    support::seams().allocationsBeforeFailure = 0;
    Design first = integerDesign({1});
    Design repeat = integerDesign({1});
    store.addDesign(first);
    EXPECT_EQ(logEntries(), (std::vector<std::string>{"\n*** Out of memory malloc'ing hash table.",
                                                      "  Will not check for saved fitnesses\n"}));
    EXPECT_FALSE(store.checksSavedFitness());
    EXPECT_EQ(store.addDesign(repeat), 1);
    EXPECT_EQ(store.lookupSavedPerformance(repeat, {}, false), NEW_DESIGN_MARK);
}

TEST_F(DesignStoreTest, OutOfMemoryWhenGrowingKeepsEarlierRecordsAndCheckingStaysOff) {
    addNumbered(10000);
    support::seams().allocationsBeforeFailure = 0;
    Design next = integerDesign({-1});
    EXPECT_EQ(store.addDesign(next), 10000);
    EXPECT_EQ(logEntries(),
              (std::vector<std::string>{"\n*** Out of memory malloc'ing bigger hash table.",
                                        "\n  No longer will check for saved fitnesses\n"}));
    support::resetSeams();
    EXPECT_EQ(store.record(9999).id, 10000);
    Design known = integerDesign({5, 5});
    EXPECT_EQ(store.lookupSavedPerformance(known, {}, false), NEW_DESIGN_MARK);
    EXPECT_FALSE(store.checksSavedFitness());
}

TEST_F(DesignStoreTest, TypicalDesignTakesAtMostOneKilobyte) {
    for (int i = 0; i < 20000; ++i) {
        Design design = integerDesign({i, 1, 2, 3, 4, 5, 6, 7, 8, 9}, 0, i + 1);
        design.reals.assign(10, 0.5);
        design.name = "Design" + std::to_string(i + 1);
        design.responseValues.assign(5, {model::makeDoubleValue(i), model::endOfListValue()});
        store.addDesign(design);
    }
    EXPECT_LE(store.bytesHeld() / store.size(), 1024u);
}

TEST_F(DesignStoreTest, StoredValuesComeBackAsDeepCopies) {
    model::VARNODataVal text;
    text.set = 1;
    text.dataType = model::dataText;
    text.textValue = "closed";
    Design design = integerDesign({1});
    design.responseValues = {{text, model::makeDoubleValue(2.5), model::endOfListValue()},
                             model::makeEmptyValueArray()};
    design.dependentValues = {{model::makeDoubleValue(7.0), model::endOfListValue()}};
    store.addDesign(design);
    const std::vector<model::DataValueArray> responses = store.record(0).responseValues();
    ASSERT_EQ(responses.size(), 2u);
    ASSERT_EQ(responses[0].size(), 3u);
    EXPECT_EQ(responses[0][0].textValue, "closed");
    EXPECT_EQ(responses[0][1].doubleValue, 2.5);
    EXPECT_EQ(responses[0][2].dataType, model::dataEndOfList);
    EXPECT_EQ(responses[1][0].empty, 1);
    EXPECT_EQ(store.record(0).dependentValues()[0][0].doubleValue, 7.0);
}

// ---------------------------------------------------------------- queries

TEST_F(DesignStoreTest, BestDesignIsTheEarliestOfEqualBestsAndZeroWhenEmpty) {
    EXPECT_EQ(store.bestDesignId(), 0);
    Design failed = integerDesign({0}, 0, 5, failedPerformance);
    Design good = integerDesign({1}, 0, 6, 2.0);
    Design equal = integerDesign({2}, 0, 7, 2.0);
    store.addDesign(failed);
    EXPECT_EQ(store.bestDesignId(), 5);
    store.addDesign(good);
    store.addDesign(equal);
    EXPECT_EQ(store.bestDesignId(), 6);
}

TEST_F(DesignStoreTest, QueriesByIdAnswerForTheFirstDesignWithThatId) {
    Design first = integerDesign({0}, 0, 3, 1.5);
    Design second = integerDesign({1}, 0, 3, 9.0);
    second.status.status = statusInfeasible;
    store.addDesign(first);
    store.addDesign(second);
    double p = 0;
    int status = 0;
    EXPECT_TRUE(store.performanceById(3, p));
    EXPECT_EQ(p, 1.5);
    EXPECT_TRUE(store.statusById(3, status));
    EXPECT_EQ(status, statusFeasible);
    EXPECT_FALSE(store.performanceById(4, p));
    EXPECT_EQ(p, -1e99);
    EXPECT_FALSE(store.statusById(4, status));
    EXPECT_EQ(status, statusNotEvaluated);
}

TEST_F(DesignStoreTest, ViableDesignsAreEvaluatedOnesOfTheAgentsGroupAndSize) {
    std::vector<Design> designs = {integerDesign({0, 0}, 0), integerDesign({1, 0}, 0),
                                   integerDesign({2}, 0), integerDesign({3, 0}, 1),
                                   integerDesign({4, 0}, 2)};
    designs[1].status.status = statusError;
    for (Design& design : designs) store.addDesign(design);
    const ViableDesigns viable =
        store.viableDesigns(0, 2, [](int, int other) { return other == 2; });
    EXPECT_EQ(viable.flags, (std::vector<int>{1, -1, -1, -1, 1}));
    EXPECT_EQ(viable.count, 2);
}

}  // namespace
}  // namespace varno::design
