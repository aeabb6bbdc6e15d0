// Design encoding: integer codes and real values of a design, decoding into
// current values, host-value checks and design lists.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "design/encoding.h"
#include "test_support.h"

namespace varno::design {
namespace {

using varno::testing::expectFatal;
using varno::testing::logEntries;

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

// Centres on the baseline and "draws" baseline + seed, or fails to centre.
class FakeDistribution : public support::Distribution {
public:
    bool setProperty(const std::string& name, const std::string& value) override {
        if (name == "baseline") baseline = std::stod(value);
        if (name == "randomSeed") seed = std::stoi(value);
        return !failing;
    }
    bool property(const std::string&, std::string&) const override { return false; }
    double sample() override { return baseline + seed; }
    double cdf(double) const override { return 0.0; }
    double inverseCdf(double) const override { return 0.0; }
    double baseline = 0.0;
    int seed = -1;
    bool failing = false;
};

model::StudyVariable continuous(double min, double max, int resolution, double baseline = 0.0) {
    model::StudyVariable v;
    v.kindTag = model::continuousKindTag;
    v.id = 3;
    std::tie(v.min, v.max, v.resolution, v.baseline) = std::tuple(min, max, resolution, baseline);
    return v;
}

model::StudyVariable discrete(int items) {
    model::StudyVariable v = continuous(0, items, items);
    std::tie(v.kindTag, v.discrete) = std::tuple(model::discreteKindTag, 1);
    return v;
}

model::StudyVariable withLevels(model::StudyVariable v, std::vector<double> levels) {
    std::tie(v.doeDefined, v.doeLevelCount) = std::tuple(1, static_cast<int>(levels.size()));
    v.doe_vals = std::move(levels);
    return v;
}

class Encoding : public ::testing::Test {
protected:
    void use(std::vector<model::StudyVariable> variables, EncodingSettings settings = {}) {
        project.dvar.front().data = std::move(variables);
        encoding = std::make_unique<DesignEncoding>(project, settings);
    }
    std::vector<double> reals(std::vector<int> ints) {
        Design d;
        d.ints = std::move(ints);
        encoding->intsToDbls(d);
        return std::vector<double>(d.reals);
    }
    // The index of `value` for variable `variable` rounded down, to nearest and up.
    std::vector<int> indices(double value, std::size_t variable = 0) {
        std::vector<int> all;
        for (const int mode : {roundDown, roundNearest, roundUp}) {
            Design d;
            d.reals.assign(variable + 1, value);
            encoding->dblsToInts(d, mode);
            all.push_back(d.ints.at(variable));
        }
        return all;
    }
    bool accepts(int index, double value) { return encoding->acceptsHostValue(index, value); }
    auto current() {
        return std::tuple(encoding->currentIndices(), encoding->currentValues(),
                          encoding->fixedCurrentValues());
    }
    model::ProjectModel project;
    std::unique_ptr<DesignEncoding> encoding;
    const SeedSource seed40 = [] { return 40; };
};

TEST_F(Encoding, FieldSizesAreResolutionsAndItemCountsAndIndicesMapToTheGrid) {
    use({continuous(0, 1, 11), discrete(4)});
    EXPECT_EQ(encoding->fieldSizes(), (std::vector<int>{11, 4}));
    model::StudyVariable unknown = discrete(4);
    unknown.kindTag = 0;
    expectFatal([&] { use({unknown}); },
                "number of fields != num_dvar in user_set_field_sizes, exit");
    // Indices map to the grid with exact ends.
    use({continuous(0.3, 0.9, 4), continuous(0, 8, 5), discrete(3), continuous(2, 3, 1)});
    EXPECT_EQ(reals({0, 0, 0, 0}), (std::vector<double>{0.3, 0, 0, 2}));
    EXPECT_EQ(reals({3, 3, 2, 0}), (std::vector<double>{0.9, 6, 2, 2}));
}

// Down to the grid point at or below, up to the one at or above, to the
// nearest with halfway up; values outside the range take the end they passed.
TEST_F(Encoding, ValuesRoundToTheGridPointBelowNearestOrAbove) {
    use({continuous(0, 8, 5), discrete(3)});  // grid 0, 2, 4, 6, 8; items 0, 1, 2
    for (int k = 0; k <= 4; ++k) {
        const double point = 2.0 * k;
        const int next = std::min(k + 1, 4);
        EXPECT_EQ(indices(point), (std::vector{k, k, k})) << point;
        EXPECT_EQ(indices(std::nextafter(point, -1.0)), (std::vector{std::max(k - 1, 0), k, k}));
        const double hairAbove = point + std::max(point, 1.0) * 1e-15;
        EXPECT_EQ(indices(hairAbove), (std::vector{k, k, next})) << point;
        EXPECT_EQ(indices(point + 1), (std::vector{k, next, next})) << point;
    }
    EXPECT_EQ(indices(1e300), (std::vector{4, 4, 4}));
    EXPECT_EQ(indices(nan), (std::vector{0, 0, 0}));
    EXPECT_EQ(indices(1.9, 1), (std::vector{1, 1, 1}));  // items are truncated
    EXPECT_EQ(indices(8.5, 1), (std::vector{2, 2, 2}));
}

TEST_F(Encoding, FixedParametersFollowTheVariables) {
    project.file_user_fixed.resize(2);
    project.file_user_fixed[0].baseline = 1.5;
    project.file_user_fixed[1].baseline = -2;
    // The baseline where missing; where given, kept unless an optimisation agent's.
    const std::pair<EncodingSettings, double> cases[] = {
        {{}, 1.5}, {{AgentKind::reliability}, 9}, {{.designsFromHostAsIs = true}, 9}};
    for (const auto& [settings, first] : cases) {
        use({continuous(0, 8, 5, 2)}, settings);
        Design d;
        d.ints = {1};
        d.reals = {0, 9};
        encoding->intsToDbls(d);
        EXPECT_EQ(d.reals, (std::vector<double>{2, first, -2}));
    }
}

TEST_F(Encoding, DoeAgentsMoveOverLevelsOrStayAtBaseline) {
    const auto factor = withLevels(continuous(0, 10, 11), {1, 2, 5});
    use({factor, continuous(0, 10, 11, 7)}, {.agent = AgentKind::doe});
    EXPECT_EQ(reals({0, 3}), (std::vector<double>{1, 7}));
    EXPECT_EQ(reals({1, 0}), (std::vector<double>{3, 7}));
    EXPECT_EQ(reals({2, 9}), (std::vector<double>{5, 7}));
    EXPECT_EQ(indices(4.9), (std::vector{1, 2, 2}));  // (4.9 - 1) * 2 / 4 = 1.95
    EXPECT_EQ(indices(9), (std::vector{2, 2, 2}));
    for (const int kind : {4, 11, 12, 13}) {
        use({factor}, {.agent = AgentKind::reliability, .doeKind = kind});
        EXPECT_EQ(reals({1}), std::vector<double>{1.5}) << kind;
        EXPECT_EQ(reals({2}), std::vector<double>{2}) << kind;
    }
    use({withLevels(continuous(0, 10, 11), {4})}, {.agent = AgentKind::doe});
    expectFatal([&] { reals({0}); },
                "The number of factor levels (1) for design variable number 1 is less than 2. "
                "The number of levels must be 2 or larger.");
}

TEST_F(Encoding, HostDesignsAreRoundedToTheGridAndHostValuesMustLieInTheRange) {
    use({continuous(0, 8, 5)});
    Design d;
    d.reals = {4.9};
    encoding->takeInHostDesign(d);
    EXPECT_EQ(d.ints, std::vector{2});
    EXPECT_EQ(d.reals, std::vector{4.0});
    d.evaluationKind = realValued;
    d.reals = {5.1};
    encoding->takeInHostDesign(d);
    EXPECT_EQ(d.ints, std::vector{3});
    EXPECT_EQ(d.reals, std::vector{5.1});
    // Host values must lie in the range or be an item.
    use({continuous(-1, 1, 3), discrete(3)});
    EXPECT_TRUE(accepts(0, std::nextafter(1.0, 2.0)) && accepts(0, -1.0 - 2.220446049250313e-16));
    EXPECT_TRUE(accepts(1, 0) && accepts(1, 2.99));
    EXPECT_FALSE(accepts(0, 1.0 + 1e-12) || accepts(0, -1.0 - 1e-12) || accepts(0, nan));
    EXPECT_FALSE(accepts(-1, 0) || accepts(2, 0) || accepts(1, 3) || accepts(1, -0.1));
    EXPECT_EQ(refusedHostValueText(1, "Design4"),
              "The value for variable number 2 for design Design4 is outside the variable range "
              "defined. This design will not be used.");
}

TEST_F(Encoding, DecodingSetsCurrentValuesAndSamplesDistributionsOrIsFatalOutsideTheRange) {
    use({continuous(0, 10, 11)});
    Design d;
    d.id = 7;
    d.ints = {11};
    expectFatal([&] { encoding->decode(d, seed40); },
                "1 design variable value (real) larger than upper bound!\n Lower bound = 0.000000, "
                "upper bound = 10.000000, value=11.000000.\nid = 7, iden=3.");
    d.ints = {-1};
    expectFatal([&] { encoding->decode(d, seed40); },
                "1 design variable value (real) small than lower bound!\nLower bound = 0.000000, "
                "upper bound = 10.000000, value=-1.000000.\nid = 7, iden=3.");
    d.reals = {10.009};  // within 0.001 of the range width
    encoding->decodeReals(d, seed40);
    EXPECT_EQ(current(), std::tuple(std::vector{10}, std::vector{10.009}, std::vector<double>{}));
    // Decoding sets the current values and samples the distributions.
    auto owned = std::make_unique<FakeDistribution>();
    FakeDistribution& spread = *owned;
    project.user_distributions.push_back({"spread", "Normal", std::move(owned)});
    project.file_user_fixed.resize(1);
    project.file_user_fixed[0].distribution = 0;
    project.file_user_fixed[0].baseline = 1.5;
    model::StudyVariable sampledVariable = continuous(0, 8, 5);
    sampledVariable.distribution = 0;
    use({sampledVariable, discrete(3)});
    d.ints = {3, 2};
    d.reals = {6, 2, 0.25};
    encoding->decode(d, seed40);
    EXPECT_EQ(current(), std::tuple(std::vector{3, 2}, std::vector{46.0, 2.0}, std::vector{40.25}));

    use({sampledVariable, discrete(3)}, {.problemType = 3, .runMode = 5});
    d.reals = {5.2, 1.7, 0.25};
    encoding->decodeReals(d, seed40);
    EXPECT_EQ(current(), std::tuple(std::vector{3, 1}, std::vector{5.2, 1.0}, std::vector{0.25}));

    spread.failing = true;
    use({sampledVariable, discrete(3)});
    d.reals = {5.2, 1.7};  // without the fixed parameter: its baseline
    encoding->decode(d, seed40);
    EXPECT_EQ(current(), std::tuple(std::vector{3, 2}, std::vector{6.0, 2.0}, std::vector{1.5}));
    EXPECT_EQ(logEntries().back(),
              "*ERROR\nSampling the distribution \"spread\" for \"Initialized\" failed. The value "
              "1.5 is used as it is.");
}

TEST(DesignList, ParsesNumbersAndRangesInFirstSeenOrderOrRefusesTheList) {
    EXPECT_EQ(parseDesignList("3-5, 1 - 4,,2, 7,"), (std::vector<int>{3, 4, 5, 1, 2, 7}));
    EXPECT_EQ(parseDesignList("5-3"), std::vector<int>{});
    for (const char* text : {"1,1-2-3", "a-3", "4-"}) {
        EXPECT_EQ(parseDesignList(text), std::nullopt) << text;
    }
    EXPECT_EQ(logEntries().back(),
              "*ERROR\nError in the definition of the design set. The definition was read as: "
              "4-. The error is near 4-.");
    expectFatal([] { parseDesignList("2,x"); },
                "Error, the string \"x\" cannot be converted into an integer.");
}

}  // namespace
}  // namespace varno::design
