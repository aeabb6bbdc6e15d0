// The model-guided candidates of the TRAVOK search: the adaptive choice of
// surrogate kind and local method, the SQP solver over smooth functions, and
// the candidate sources driven over a store of a smooth problem.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <span>
#include <string>
#include <tuple>
#include <vector>

#include "search/smooth_maximizer.h"
#include "search/travok_search.h"
#include "search_test_support.h"

namespace varno::search {
namespace {

TEST(SurrogateChoiceTest, SurrogateKindsAndLocalMethodsFollowTheirShares) {
    RandomStream random(0.5f);
    SurrogateChoice choice;
    for (const auto& [k, l, r] : {std::tuple{0.5f, 0.25f, 0.25f}, std::tuple{0.2f, 0.6f, 0.2f}}) {
        choice.kriging = k;
        choice.leastSquares = l;
        choice.radialBasis = r;
        std::map<int, int> counts;
        constexpr int draws = 20000;
        for (int i = 0; i < draws; ++i) ++counts[choice.draw(random)];
        EXPECT_NEAR(counts[tagKriging] / double(draws), k, 0.015);
        EXPECT_NEAR(counts[tagLargestLevel] / double(draws), (1 - k) * l / (l + r), 0.015);
        EXPECT_NEAR(counts[tagRadialBasis] / double(draws), (1 - k) * r / (l + r), 0.015);
    }
    choice = SurrogateChoice{};
    choice.credit(tagLargestLevel, -10.0, -4.0);  // better by 60 %: counted twice more
    EXPECT_EQ(std::pair(choice.leastSquaresRecord.successes, choice.leastSquaresRecord.trials),
              std::pair(2, 2));
    EXPECT_FLOAT_EQ(choice.leastSquares, 0.75f) << "1.0 clamped";
    EXPECT_FLOAT_EQ(choice.kriging, 0.2f) << "0.0 clamped";
    EXPECT_DOUBLE_EQ(choice.trustRadius(tagLargestLevel), 2 * SurrogateChoice::firstRadius);
    choice.credit(tagKriging, -1.0, -2.0);       // worse
    choice.credit(tagRadialBasis, -10.0, -9.0);  // better by 10 %
    choice.credit(tagRadialBasis, 0.0, 5.0);     // no bonus against 0
    EXPECT_EQ(choice.krigingRecord.successes, 0);
    EXPECT_EQ(choice.radialBasisRecord.successes, 2);
    EXPECT_FLOAT_EQ(choice.leastSquares, 2.0f / 5.0f);
    EXPECT_FLOAT_EQ(choice.radialBasis, 2.0f / 5.0f);
    // Each kind's trust radius doubles after a success and halves after a
    // failure; Kriging's never falls below the first radius.
    EXPECT_DOUBLE_EQ(choice.trustRadius(tagKriging), SurrogateChoice::firstRadius);
    EXPECT_DOUBLE_EQ(choice.trustRadius(tagRadialBasis), 4 * SurrogateChoice::firstRadius);
    choice.credit(tagRadialBasis, -1.0, -2.0);
    EXPECT_DOUBLE_EQ(choice.trustRadius(tagRadialBasis), 2 * SurrogateChoice::firstRadius);
    for (int i = 0; i < 50; ++i) choice.credit(tagLargestLevel, -10.0, -4.0);
    EXPECT_DOUBLE_EQ(choice.trustRadius(tagLargestLevel), SurrogateChoice::largestRadius);
    // Least squares narrows down to its smallest radius.
    for (int i = 0; i < 50; ++i) choice.credit(tagLargestLevel, -1.0, -2.0);
    EXPECT_DOUBLE_EQ(choice.trustRadius(tagLargestLevel), SurrogateChoice::smallestLocalRadius);
    for (int i = 0; i < 50; ++i) choice.credit(tagRadialBasis, -1.0, -2.0);
    EXPECT_DOUBLE_EQ(choice.trustRadius(tagRadialBasis), SurrogateChoice::firstRadius);
    LocalMethodChoice local;
    std::set<LocalMethod> drawn;
    for (int i = 0; i < 100; ++i) drawn.insert(local.draw(random, 4, 20));
    EXPECT_EQ(drawn.size(), 3u) << "equal shares before any success";
    local.used(LocalMethod::trustRegion);
    local.succeeded(LocalMethod::trustRegion);
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(local.draw(random, 4, 20), LocalMethod::trustRegion);
        ASSERT_EQ(local.draw(random, 4, 5), LocalMethod::pattern);
    }
}

TEST(SmoothMaximizerTest, ImprovesWithinBoundsAndConstraintsAndStopsAtTheStepTolerance) {
    SmoothProblem problem;
    // Unconstrained best at (0.5, -2), below the lower bound of y.
    problem.objective = [](const Eigen::VectorXd& x, Eigen::VectorXd* g) {
        if (g) *g = Eigen::Vector2d(-2 * (x[0] - 0.5), -2 * (x[1] + 2));
        return -(x[0] - 0.5) * (x[0] - 0.5) - (x[1] + 2) * (x[1] + 2);
    };
    problem.lower = Eigen::Vector2d(-1, -1);
    problem.upper = Eigen::Vector2d(1, 1);
    const Eigen::Vector2d start(0.9, 0.9);
    SmoothResult result = maximizeSmooth(problem, start, 50);
    EXPECT_TRUE(result.converged);
    EXPECT_NEAR(result.x[0], 0.5, 1e-6);
    EXPECT_DOUBLE_EQ(result.x[1], -1.0);
    EXPECT_GT(problem.objective(result.x, nullptr), problem.objective(start, nullptr));

    // x0 kept at or below -0.25 by an inequality, x1 at 0.5 by an equality.
    problem.inequalities.push_back([](const Eigen::VectorXd& x, Eigen::VectorXd* g) {
        if (g) *g = Eigen::Vector2d(1, 0);
        return x[0] + 0.25;
    });
    problem.equalities.push_back([](const Eigen::VectorXd& x, Eigen::VectorXd* g) {
        if (g) *g = Eigen::Vector2d(0, 1);
        return x[1] - 0.5;
    });
    result = maximizeSmooth(problem, start, 50);
    EXPECT_NEAR(result.x[0], -0.25, 1e-6);
    EXPECT_NEAR(result.x[1], 0.5, 1e-6);
    // The highest points are kept, highest first.
    std::vector<Eigen::VectorXd> points;
    for (const double v : {0.4, -0.9, 0.8, 0.1, -0.1}) points.push_back(Eigen::Vector2d(v, 0.0));
    const auto value = [](const Eigen::VectorXd& x) { return -std::fabs(x[0] - 0.3); };
    const std::vector<Eigen::VectorXd> best = bestValued(points, value, 3);
    std::vector<double> firsts;
    for (const Eigen::VectorXd& point : best) firsts.push_back(point[0]);
    EXPECT_EQ(firsts, (std::vector<double>{0.4, 0.1, -0.1}));
    EXPECT_EQ(bestValued(points, value, 9).size(), points.size());

    // A step tolerance ends the search once its steps are that small: on a flat
    // quartic peak, well before the default tolerances would, short of the peak
    // by a few tolerances since the steps shrink slowly there.
    int evaluations = 0;
    SmoothProblem quartic;
    quartic.objective = [&evaluations](const Eigen::VectorXd& x, Eigen::VectorXd* g) {
        ++evaluations;
        const Eigen::Array2d d = x.array() - Eigen::Array2d(0.3, -0.2);
        if (g) *g = -4.0 * d.cube().matrix();
        return -d.square().square().sum();
    };
    quartic.lower = Eigen::Vector2d(-1, -1);
    quartic.upper = Eigen::Vector2d(1, 1);
    const SmoothResult fine = maximizeSmooth(quartic, start, 200);
    const int fineEvaluations = evaluations;
    evaluations = 0;
    quartic.stepTolerance = Eigen::Vector2d::Constant(0.01);
    const SmoothResult coarse = maximizeSmooth(quartic, start, 200);
    EXPECT_TRUE(coarse.converged);
    EXPECT_LT(evaluations, fineEvaluations);
    EXPECT_NEAR(coarse.x[0], 0.3, 0.1);
    EXPECT_NEAR(coarse.x[1], -0.2, 0.1);
    EXPECT_LT((fine.x - Eigen::Vector2d(0.3, -0.2)).norm(), 0.05);
}

// A store of a smooth problem over codes: response "f" = 1 + the squared
// distance from `centre` in tenths of codes, minimised.
struct SmoothStore : DesignsByCodes {
    std::vector<int> centre;
    model::PerformanceDefinition goals;

    explicit SmoothStore(std::vector<int> optimum) : centre(std::move(optimum)) {
        goals.add(testing::goalOf("f", model::kindObjective, -1, 0.0, 1.0));
        goals.goals.back().offset = 1.0;
    }
    StoreView view() {
        StoreView v = DesignsByCodes::view();
        v.storedDesigns = [this](const design::Design& start, int count, bool) {
            std::vector<design::Design> designs = all();
            std::stable_sort(designs.begin(), designs.end(), [&](const auto& a, const auto& b) {
                return distance(a.ints, start.ints) < distance(b.ints, start.ints);
            });
            designs.resize(std::min(designs.size(), static_cast<std::size_t>(count)));
            return designs;
        };
        v.designsInBox = [this](const std::vector<int>& low, const std::vector<int>& high,
                                int limit, RandomStream& random) {
            std::vector<design::Design> designs = all();
            std::erase_if(designs, [&](const design::Design& d) {
                for (std::size_t j = 0; j < low.size(); ++j) {
                    if (d.ints[j] < low[j] || d.ints[j] > high[j]) return true;
                }
                return false;
            });
            std::vector<design::Design> kept;
            for (int k : random.sample(static_cast<int>(designs.size()), limit)) {
                kept.push_back(designs[static_cast<std::size_t>(k)]);
            }
            return kept;
        };
        v.evaluatedCount = [this] { return static_cast<int>(stored.size()); };
        v.goals = &goals;
        return v;
    }
    static double distance(std::span<const int> a, std::span<const int> b) {
        double sum = 0.0;
        for (std::size_t j = 0; j < a.size(); ++j) sum += (a[j] - b[j]) * (a[j] - b[j]) / 100.0;
        return sum;
    }
    void evaluate(Population& population) {
        for (PopulationMember& m : population) {
            if (!m.changed) continue;
            const double f = 1.0 + distance(m.codes(), centre);
            m.design.responseValues = {{model::makeDoubleValue(f)}};
            m.design.performance = -f;
            stored[m.codes()] = m.design;
        }
    }
};

TEST(TravokSurrogateTest, EveryCandidateSourceAppearsIsNewAndIsCredited) {
    TravokSettings s = travokSettings(8);
    s.baselineImportant = true;
    // Eight fields, so that the search needs long enough to draw every surrogate kind.
    s.baselineCodes = std::vector<int>(8, 10);
    StartedSearch started(s, std::vector<int>(8, 201),
                          SmoothStore({120, 60, 150, 90, 30, 180, 100, 70}), 0.7f);
    auto& [random, search, store] = started;
    std::set<CandidateSource> sources;
    for (int cycle = 0; cycle < 30; ++cycle) {
        Population& pending = search.breed(store.view(), cycle);
        for (const Candidate& c : search.candidates()) {
            sources.insert(c.source);
            ASSERT_EQ(store.stored.count(c.design.ints), 0u) << "cycle " << cycle;
        }
        store.evaluate(pending);
        search.acceptResults({});
    }
    EXPECT_EQ(sources.size(), 6u);
    const SurrogateChoice& choice = search.surrogateChoice();
    for (const auto& record :
         {choice.krigingRecord, choice.leastSquaresRecord, choice.radialBasisRecord})
        EXPECT_GT(record.trials, 0);
    EXPECT_FALSE(search.startRecords().empty()) << "successful surrogate candidates";
    EXPECT_GT(search.simplexRecord().found, 0);
    int baselineSteps = 0;
    for (auto m : {LocalMethod::trustRegion, LocalMethod::simplex, LocalMethod::pattern}) {
        baselineSteps += search.localMethods().record(m).trials;
    }
    EXPECT_GT(baselineSteps, 0);
    EXPECT_GT(search.bestSoFar(), -1.05) << "the surrogates find the optimum";
}

TEST(TravokSurrogateTest, TheBestDesignLostByThePopulationIsTheNextSecondStart) {
    const std::vector<int> sizes(4, 201);
    StartedSearch started(travokSettings(6), sizes, SmoothStore({150, 40, 170, 90}), 0.25f);
    auto& [random, search, store] = started;
    design::IntegerCodes bestCodes;
    double best = -HUGE_VAL;
    int lost = 0;
    bool lostLastCycle = false;
    for (int cycle = 0; cycle < 40; ++cycle) {
        Population& pending = search.breed(store.view(), cycle);
        if (lostLastCycle) {
            EXPECT_EQ(search.startRecords().back().uses, 1) << "used as a start, cycle " << cycle;
        }
        store.evaluate(pending);
        for (const PopulationMember& m : pending) {
            if (m.rawFitness() > best)
                std::tie(best, bestCodes) = std::pair{m.rawFitness(), m.codes()};
        }
        search.acceptResults({});
        lostLastCycle = findByCodes(search.current(), bestCodes) < 0;
        if (!lostLastCycle) continue;
        ++lost;
        const StartRecord& newest = search.startRecords().back();
        EXPECT_EQ(newest.codes, bestCodes) << "cycle " << cycle;
        EXPECT_EQ(newest.uses, 0);
        EXPECT_DOUBLE_EQ(newest.rawFitness, best);
        EXPECT_EQ(std::count_if(search.startRecords().begin(), search.startRecords().end(),
                                [&](const StartRecord& r) { return r.codes == bestCodes; }),
                  1);
    }
    EXPECT_GT(lost, 0) << "the population never lost its best design";
    // A saved search, start records and kept best design included, restores whole.
    const std::optional<SearchSnapshot> saved = search.snapshot();
    ASSERT_TRUE(saved.has_value());
    RandomStream otherRandom(0.5f);
    TravokSearch restored(travokSettings(6), sizes, otherRandom);
    ASSERT_TRUE(restored.restore(*saved));
    EXPECT_EQ(restored.snapshot()->state, saved->state);
}

TEST(TravokSurrogateTest, NoSurrogatesBeyond160VariablesAndNoBaselineStepWithoutBaseline) {
    TravokSettings s = travokSettings(8);
    s.baselineImportant = true;  // but no baseline codes
    std::vector<std::string> warnings;
    SearchMessages messages;
    messages.warning = [&](const std::string& text) { warnings.push_back(text); };
    StartedSearch started(s, std::vector<int>(161, 5), SmoothStore(std::vector<int>(161, 2)), 0.5f,
                          messages);
    auto& [random, search, store] = started;
    for (int cycle = 0; cycle < 3; ++cycle) {
        store.evaluate(search.breed(store.view(), cycle));
        for (const Candidate& c : search.candidates()) {
            EXPECT_TRUE(c.source == CandidateSource::simplex ||
                        c.source == CandidateSource::largestLevel);
        }
        search.acceptResults({});
    }
    EXPECT_FALSE(search.modelSwitch());
    EXPECT_EQ(warnings, std::vector<std::string>{
                            "The baseline design was not set properly. As a result, the Advanced "
                            "Study Option \"Baseline design is important\" is being disabled for "
                            "this study."});
}

}  // namespace
}  // namespace varno::search
