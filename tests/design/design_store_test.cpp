// The design store: duplicates, saved performances, growth and the queries,
// and the rule for equal real values.
#include "design/design_store.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "frame/message_log.h"
#include "support/crc16.h"
#include "support/seams.h"
#include "test_support.h"

namespace varno::design {
namespace {

using varno::testing::logEntries;

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

Design integerDesign(std::vector<int> ints, int agent = 0, int id = 1, double performance = 0.0) {
    Design design;
    std::tie(design.agentTag, design.id, design.performance) = std::tuple(agent, id, performance);
    design.ints = std::move(ints);
    design.status.status = statusFeasible;
    return design;
}

Design realDesign(std::vector<double> reals, int agent = 0) {
    Design design;
    std::tie(design.agentTag, design.evaluationKind) = std::tuple(agent, realValued);
    design.reals = std::move(reals);
    return design;
}

// A design unequal to `design` (its first number changed) with the same hash.
Design collidingWith(const Design& design, const DesignStore& store) {
    const auto hash = store.hashOf(design);
    Design other = design;
    for (int k = 1;; ++k) {
        if (design.evaluationKind == integerCoded) other.ints[0] = design.ints[0] + k;
        if (design.evaluationKind == realValued) other.reals[0] = 1000.0 + k * 1e-3;
        if (store.hashOf(other) == hash) return other;
    }
}

// Two neighbouring doubles near `start` that lie in different cells.
std::pair<double, double> neighboursAcrossCells(double start) {
    double a = start;
    double b = start;
    while (realValueCell(a) == realValueCell(b)) b *= 1 + 1e-5;
    for (double middle; std::nextafter(a, b) != b;) {
        middle = a + (b - a) / 2;
        (realValueCell(middle) == realValueCell(a) ? a : b) = middle;
    }
    return {a, b};
}

// Every field of every value of `arrays`, each array led by a marker.
auto fields(const std::vector<model::DataValueArray>& arrays) {
    std::vector<std::tuple<int, int, int, int, double, std::string>> all;
    for (const model::DataValueArray& values : arrays) {
        all.emplace_back(-1, 0, 0, 0, 0.0, "");
        for (const auto& v : values) {
            all.emplace_back(v.set, v.dataType, v.empty, v.intValue, v.doubleValue, v.textValue);
        }
    }
    return all;
}

class DesignStoreTest : public ::testing::Test {
protected:
    void SetUp() override { clearMessageLog(); }
    void TearDown() override { support::resetSeams(); }
    // Designs number 0 … count - 1, with ids from 1 and performances from 0.
    void addNumbered(int count) {
        for (int i = 0; i < count; ++i) add(integerDesign({i, i % 7}, 0, i + 1, i));
    }
    int add(Design design) { return store.addDesign(design); }
    int find(const Design& design) const { return store.findDesign(design).index; }
    DesignStore store;
};

// ------------------------------------------------------------------ equality

TEST(RealEquality, IsRelativeToTheReferenceAndNeverHoldsForNaN) {
    EXPECT_TRUE(sameRealValue(5.0, 5.0 * (1 + 0.9e-8)) && sameRealValue(-0.0, 0.0));
    EXPECT_FALSE(sameRealValue(5.0, 5.0 * (1 + 1.1e-8)));
    EXPECT_FALSE(sameRealValue(0.0, 1e-300));  // a reference 0 is matched only by 0
    EXPECT_TRUE(sameRealValue(-inf, -inf));
    EXPECT_FALSE(sameRealValue(inf, 1e300) || sameRealValue(inf, -inf));
    EXPECT_FALSE(sameRealValue(nan, nan) || sameRealValue(nan, 1.0) || sameRealValue(1.0, nan));
    EXPECT_FALSE(sameRealValues(std::vector{1.0}, std::vector{1.0, 2.0}));
}

TEST_F(DesignStoreTest, ComparingNeedsTheSameKnownKindAndForRealsNotTheAgent) {
    add(realDesign({0.5, 5.0}, 3));
    EXPECT_TRUE(store.matchesStored(0, realDesign({0.5, 5.0 * (1 + 1e-9)}, 7)));
    Design odd = realDesign({0.5, 5.0}, 3);
    odd.evaluationKind = integerCoded;
    EXPECT_FALSE(store.matchesStored(0, odd));
    odd.evaluationKind = 3;
    EXPECT_FALSE(store.findDesign(odd).found);
    EXPECT_EQ(logEntries().back(), "*WARNING\nError in determining the evaluation type.");
    add(odd);
    varno::testing::expectFatal(
        [&] { store.matchesStored(1, odd); },
        "Error in determining the evaluation type. Internal Error -121. Please send your "
        "project file to the  VARNO support team.");
}

// ---------------------------------------------------------------- duplicates

TEST_F(DesignStoreTest, RealDesignIsHashedFromItsValuesAsPrintfWritesThem) {
    std::mt19937_64 random(5);
    std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
    std::uniform_int_distribution<int> power(-300, 300);
    std::vector<double> values = {0.0, -0.0, 1.0, -9.999999995, 9.9999999949, 1e-300, inf, nan};
    while (values.size() < 4000) values.push_back(mantissa(random) * std::pow(10.0, power(random)));
    for (const double value : values) {
        char text[64];
        const auto length =
            static_cast<std::size_t>(std::snprintf(text, sizeof text, "%16.8e%16.8e", value, -3.0));
        ASSERT_EQ(store.hashOf(realDesign({value}, -3)), support::crc16_ccitt(text, length))
            << text;
    }
}

TEST_F(DesignStoreTest, IntegerDesignsOfTwoAgentsDifferEvenWhenHashedAlike) {
    add(integerDesign({3, 4}, 0));
    Design other = integerDesign({3, 4}, 1);
    while (store.hashOf(other) != store.record(0).hash) ++other.agentTag;
    EXPECT_EQ(add(other), 1);
    EXPECT_EQ(add(integerDesign({3, 4}, 0)), 0);
}

TEST_F(DesignStoreTest, EqualRealDesignHashedApartIsFoundOnlyThroughAnOccupiedSlot) {
    add(realDesign({1.0000000044, 0.0, 3.0}));
    // Values printed otherwise in each place and in two, and another agent.
    for (const Design& apart :
         {realDesign({1.0000000054, 0.0, 3.0}), realDesign({1.0000000044, -0.0, 3.0}),
          realDesign({1.0000000044, 0.0, 3.000000016}),
          realDesign({1.0000000054, 0.0, 3.000000016}), realDesign({1.0000000044, 0.0, 3.0}, 7)}) {
        ASSERT_NE(store.hashOf(apart), store.record(0).hash);
        EXPECT_EQ(find(apart), -1);
        add(collidingWith(apart, store));
        EXPECT_EQ(find(apart), 0);
    }
}

TEST_F(DesignStoreTest, LatestDesignWithTheHashAnswersWhenEqualElseTheFirstEqual) {
    for (const Design& design : {integerDesign({10, 20}), realDesign({1.5, -2.5})}) {
        DesignStore fresh;
        fresh.setSharedDesigns(true);  // stored without a search
        for (Design copy : {design, design}) fresh.addDesign(copy);
        fresh.setSharedDesigns(false);
        EXPECT_EQ(fresh.findDesign(design).index, 1);
        Design other = collidingWith(design, fresh);
        ASSERT_EQ(fresh.addDesign(other), 2);
        EXPECT_EQ(fresh.findDesign(design).index, 0);
    }
}

TEST_F(DesignStoreTest, RealDesignsSharingEveryCellAreComparedExactlyAndNaNNeverMatches) {
    ASSERT_EQ(realValueCell(1.0), realValueCell(1.0 + 1e-7));
    add(realDesign({1.0, 2.0}));
    EXPECT_EQ(add(realDesign({1.0 + 1e-7, 2.0})), 1);
    EXPECT_EQ(find(realDesign({1.0 + 5e-9, 2.0})), 0);
    // A design with a NaN is never a duplicate; an infinity matches itself.
    EXPECT_EQ(add(realDesign({1.0, nan})), 2);
    EXPECT_EQ(add(realDesign({1.0, nan})), 3);
    EXPECT_EQ(add(realDesign({inf, 1.0})), 4);
    EXPECT_EQ(add(realDesign({inf, 1.0})), 4);
}

TEST_F(DesignStoreTest, ValuesEitherSideOfACellBoundaryAreStillEqual) {
    for (const double start : {1.0, -3.7, 1e-310}) {
        const auto [a, b] = neighboursAcrossCells(start);
        for (const std::size_t count : {1u, 3u, 12u}) {  // 12: more than the keys searched
            for (const auto& [stored, other] : {std::pair{a, b}, std::pair{b, a}}) {
                DesignStore fresh;
                Design first = realDesign(std::vector(count, stored));
                fresh.addDesign(first);
                EXPECT_EQ(fresh.findDesign(realDesign(std::vector(count, other))).index, 0)
                    << start << " " << count;
            }
        }
    }
}

TEST_F(DesignStoreTest, GridDesignsAreIntegerCodedAndSharedDesignsStoredWithoutSearch) {
    add(integerDesign({1, 2}));
    store.setIntegerCoding([](Design& d) {
        std::tie(d.evaluationKind, d.ints) = std::tuple(integerCoded, std::vector{1, 2});
        return true;
    });
    EXPECT_EQ(add(realDesign({0.5, 1.0})), 0);
    store.setSharedDesigns(true);
    Design repeat = integerDesign({1, 2});
    EXPECT_EQ(store.addDesign(repeat), 1);
    EXPECT_EQ(store.lookupSavedPerformance(repeat, {}, false), NEW_DESIGN_MARK);
}

// --------------------------------------------------------- saved performance

// With few values they are held in the record, with many apart from it.
TEST_F(DesignStoreTest, FoundDesignTakesOverTheStoredRecordAndIsRescored) {
    model::VARNODataVal text = model::makeDoubleValue(0.0);
    std::tie(text.dataType, text.textValue) = std::tuple(model::dataText, "closed");
    for (const std::size_t extraArrays : {0, 12}) {
        SCOPED_TRACE(extraArrays);
        store = DesignStore();
        Design stored = realDesign({0.5, 1.5}, 3);
        std::tie(stored.id, stored.tag1, stored.performance) = std::tuple(17, 4, 6.0);
        stored.status = {0, 1, 5, statusInfeasible, {1, 2}};
        stored.responseValues = {{text, model::makeDoubleValue(3.5), model::endOfListValue()},
                                 model::makeEmptyValueArray()};
        stored.dependentValues.assign(extraArrays + 1,
                                      {model::makeDoubleValue(-1.0), model::endOfListValue()});
        add(stored);

        Design again = realDesign({0.5, 1.5}, 0);  // of another agent, over arrays of its own
        add(collidingWith(again, store));
        again.responseValues = {{model::makeDoubleValue(8), text, model::makeDoubleValue(9)}};
        const auto rescore = [](Design& d) { return 2 * d.responseValues[0][1].doubleValue; };
        EXPECT_EQ(store.lookupSavedPerformance(again, rescore, true), 7.0);
        EXPECT_EQ(std::tie(again.id, again.tag1, again.agentTag, again.performance),
                  std::tuple(17, 4, 3, 7.0));
        for (const EvaluationStatus& s : {again.status, store.record(0).evaluationStatus()}) {
            EXPECT_EQ(std::tie(s.ok, s.complete, s.agent, s.status, s.responseStates),
                      std::tie(stored.status.ok, stored.status.complete, stored.status.agent,
                               stored.status.status, stored.status.responseStates));
        }
        EXPECT_EQ(fields(again.responseValues), fields(stored.responseValues));
        EXPECT_EQ(fields(again.dependentValues), fields(stored.dependentValues));
        EXPECT_EQ(fields(store.record(0).dependentValues()), fields(stored.dependentValues));
        EXPECT_EQ(std::vector(store.reals(0).begin(), store.reals(0).end()),
                  (std::vector{0.5, 1.5, 3.0}));
        EXPECT_EQ(store.lookupSavedPerformance(again, {}, true), 6.0);
        const auto mark = [](Design&) { return NEW_DESIGN_MARK; };
        EXPECT_DOUBLE_EQ(store.lookupSavedPerformance(again, mark, true), NEW_DESIGN_MARK - 1e-8);
    }
}

TEST_F(DesignStoreTest, UnknownDesignGetsTheMarkAndOnRequestAFreshStatus) {
    Design fresh = integerDesign({8}, 3);
    fresh.status = {0, 0, 9, statusFeasible, {2, 5}};
    Design kept = fresh;
    EXPECT_EQ(store.lookupSavedPerformance(kept, {}, false), NEW_DESIGN_MARK);
    EXPECT_EQ(store.lookupSavedPerformance(fresh, {}, true), NEW_DESIGN_MARK);
    const EvaluationStatus& s = fresh.status;
    EXPECT_EQ(std::tie(s.ok, s.complete, s.agent, s.status), std::tuple(1, 1, 3, statusError));
    EXPECT_EQ(std::pair(s.responseStates, kept.status.ok), std::pair(std::vector{0, 0}, 0));
}

// --------------------------------------------------------- growth and memory

TEST_F(DesignStoreTest, DesignAfterAFullChunkGrowsTheStoreKeepingEveryRecord) {
    addNumbered(10000);
    EXPECT_EQ(store.capacity(), 10000u);
    add(integerDesign({-1}, 5));
    EXPECT_EQ(store.capacity(), 20000u);
    for (int i = 0; i < 10000; i += 43) EXPECT_EQ(find(integerDesign({i, i % 7})), i);
    // The codes read back end with the agent tag, in both vectors.
    const auto codes = [&](std::size_t i) {
        return std::pair(std::vector(store.ints(i).begin(), store.ints(i).end()),
                         std::vector(store.reals(i).begin(), store.reals(i).end()));
    };
    EXPECT_EQ(codes(9999), std::pair(std::vector{9999, 9999 % 7, 0}, std::vector{0.0}));
    EXPECT_EQ(codes(10000), std::pair(std::vector{-1, 5}, std::vector{5.0}));
}

TEST_F(DesignStoreTest, OutOfMemoryStopsCheckingForGoodButKeepsStoring) {
    support::seams().allocationsBeforeFailure = 0;
    add(integerDesign({1}));
    EXPECT_EQ(add(integerDesign({1})), 1);
    EXPECT_EQ(logEntries(), (std::vector<std::string>{"\n*** Out of memory malloc'ing hash table.",
                                                      "  Will not check for saved fitnesses\n"}));
    support::resetSeams();
    clearMessageLog();
    store = DesignStore();
    addNumbered(10000);
    support::seams().allocationsBeforeFailure = 0;
    EXPECT_EQ(add(integerDesign({-1})), 10000);
    EXPECT_EQ(logEntries(),
              (std::vector<std::string>{"\n*** Out of memory malloc'ing bigger hash table.",
                                        "\n  No longer will check for saved fitnesses\n"}));
    support::resetSeams();
    EXPECT_EQ(std::pair(store.checksSavedFitness(), store.record(9999).id),
              std::pair(false, 10000));
    EXPECT_EQ(add(integerDesign({5, 5})), 10001);
    Design known = integerDesign({6, 6});
    EXPECT_EQ(store.lookupSavedPerformance(known, {}, false), NEW_DESIGN_MARK);
}

// ------------------------------------------------------------------- queries

TEST_F(DesignStoreTest, BestDesignIsTheEarliestOfEqualBestsAndQueriesByIdTheFirstWithIt) {
    EXPECT_EQ(store.bestDesignId(), 0);
    add(integerDesign({0}, 0, 5, failedPerformance));
    EXPECT_EQ(store.bestDesignId(), 5);
    Design infeasible = integerDesign({1}, 0, 6, 2.0);
    infeasible.status.status = statusInfeasible;
    add(infeasible);
    add(integerDesign({2}, 0, 7, 2.0));
    EXPECT_EQ(store.bestDesignId(), 6);
    add(integerDesign({3}, 0, 6, 9.0));
    double p = 0;
    int status = 0;
    EXPECT_TRUE(store.performanceById(6, p) && store.statusById(6, status));
    EXPECT_EQ(std::pair(p, status), std::pair(2.0, int{statusInfeasible}));
    EXPECT_FALSE(store.performanceById(4, p) || store.statusById(4, status));
    EXPECT_EQ(std::pair(p, status), std::pair(-1e99, int{statusNotEvaluated}));
}

TEST_F(DesignStoreTest, ViableDesignsAreEvaluatedOnesOfTheAgentsGroupAndSize) {
    std::vector<Design> designs = {integerDesign({0, 0}, 0), integerDesign({1, 0}, 0),
                                   integerDesign({2}, 0), integerDesign({3, 0}, 1),
                                   integerDesign({4, 0}, 2)};
    designs[1].status.status = statusError;
    for (Design& design : designs) store.addDesign(design);
    const ViableDesigns viable =
        store.viableDesigns(0, 2, [](int, int other) { return other == 2; });
    EXPECT_EQ(std::pair(viable.flags, viable.count), std::pair(std::vector{1, -1, -1, -1, 1}, 2));
    // The index of an agent's evaluated designs holds those of its own only.
    const std::vector<int> low = {0, 0}, high = {9, 9};
    EXPECT_EQ(store.evaluatedIndex(0, 2)->inBox(low, high), std::vector<std::int32_t>{0});
    EXPECT_EQ(store.evaluatedIndex(2, 2)->inBox(low, high), std::vector<std::int32_t>{4});
    EXPECT_EQ(store.evaluatedIndex(0, 3), nullptr);
}

}  // namespace
}  // namespace varno::design
