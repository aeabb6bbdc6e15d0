// Design encoding: integer codes and real values of a design, decoding into
// current values, host-value checks and design lists.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "design/encoding.h"
#include "test_support.h"

namespace varno::design {
namespace {

using varno::testing::expectFatal;
using varno::testing::logEntries;

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
    v.min = min;
    v.max = max;
    v.resolution = resolution;
    v.baseline = baseline;
    return v;
}

model::StudyVariable discrete(int items) {
    model::StudyVariable v;
    v.kindTag = model::discreteKindTag;
    v.discrete = 1;
    v.resolution = items;
    v.max = items;
    return v;
}

model::StudyVariable withLevels(model::StudyVariable v, std::vector<double> levels) {
    v.doeDefined = 1;
    v.doeLevelCount = static_cast<int>(levels.size());
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
        return d.reals;
    }
    int index(double value, int mode) {
        Design d;
        d.reals = {value};
        encoding->dblsToInts(d, mode);
        return d.ints.at(0);
    }
    FakeDistribution& addDistribution() {
        auto object = std::make_unique<FakeDistribution>();
        FakeDistribution& fake = *object;
        project.user_distributions.push_back({"spread", "Normal", std::move(object)});
        return fake;
    }
    model::ProjectModel project;
    std::unique_ptr<DesignEncoding> encoding;
    const SeedSource seed40 = [] { return 40; };
};

TEST_F(Encoding, FieldSizesAreResolutionsAndItemCounts) {
    use({continuous(0, 1, 11), discrete(4)});
    EXPECT_EQ(encoding->fieldSizes(), (std::vector<int>{11, 4}));
    model::StudyVariable unknown = discrete(4);
    unknown.kindTag = 0;
    expectFatal([&] { use({unknown}); },
                "number of fields != num_dvar in user_set_field_sizes, exit");
}

TEST_F(Encoding, IndicesMapToTheGridWithExactEnds) {
    use({continuous(0.1, 0.7, 2), continuous(0, 8, 5), discrete(3), continuous(2, 3, 1)});
    EXPECT_EQ(reals({0, 0, 0, 0}), (std::vector<double>{0.1, 0, 0, 2}));
    EXPECT_EQ(reals({1, 3, 2, 0}), (std::vector<double>{0.7, 6, 2, 2}));
}

TEST_F(Encoding, ValuesRoundToIndicesByMode) {
    use({continuous(0, 8, 5), discrete(3)});  // grid 0, 2, 4, 6, 8; items 0, 1, 2
    const double hairAboveFour = std::nextafter(4.0, 5.0);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Row { double value; int mode; int expected; int discreteExpected; };
    for (const Row& row : std::vector<Row>{{5, -1, 2, 2}, {5, 0, 3, 2}, {5, 1, 3, 2},
                                           {4, -1, 2, 2}, {4, 0, 2, 2}, {4, 1, 2, 2},
                                           {6, 1, 3, 2}, {1.9, 0, 1, 1}, {1.9, 1, 1, 1},
                                           {hairAboveFour, 0, 2, 2}, {hairAboveFour, 1, 3, 2},
                                           {8.5, -1, 4, 2}, {1e300, 1, 4, 2}, {-3, 1, 0, 0},
                                           {nan, 0, 0, 0}}) {
        Design d;
        d.reals = {row.value, row.value};
        encoding->dblsToInts(d, row.mode);
        EXPECT_EQ(d.ints, (std::vector<int>{row.expected, row.discreteExpected}))
            << row.value << " mode " << row.mode;
    }
}

TEST_F(Encoding, FixedParametersFollowTheVariables) {
    project.file_user_fixed.resize(2);
    project.file_user_fixed[0].baseline = 1.5;
    project.file_user_fixed[1].baseline = -2;
    use({continuous(0, 8, 5, 2)});
    Design d;
    d.ints = {1};
    d.reals = {0, 9, 9};
    encoding->intsToDbls(d);
    EXPECT_EQ(d.reals, (std::vector<double>{2, 1.5, -2}));

    for (const EncodingSettings settings : {EncodingSettings{AgentKind::reliability},
                                            EncodingSettings{.designsFromHostAsIs = true}}) {
        use({continuous(0, 8, 5, 2)}, settings);
        d.reals = {0, 9};
        encoding->intsToDbls(d);  // kept where given, baseline where missing
        EXPECT_EQ(d.reals, (std::vector<double>{2, 9, -2}));
    }
}

TEST_F(Encoding, DoeAgentsMoveOverLevelsOrStayAtBaseline) {
    const auto factor = withLevels(continuous(0, 10, 11), {1, 2, 5});
    use({factor, continuous(0, 10, 11, 7)}, {.agent = AgentKind::doe});
    EXPECT_EQ(reals({0, 3}), (std::vector<double>{1, 7}));
    EXPECT_EQ(reals({1, 0}), (std::vector<double>{3, 7}));
    EXPECT_EQ(reals({2, 9}), (std::vector<double>{5, 7}));
    EXPECT_EQ(index(4.9, 0), 2);  // (4.9 - 1) * 2 / 4 + 0.5 = 2.45
    EXPECT_EQ(index(0.4, 0), 0);
    EXPECT_EQ(index(9, -1), 2);

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

TEST_F(Encoding, HostDesignsAreRoundedToTheGridWhenIntegerCoded) {
    use({continuous(0, 8, 5)});
    Design d;
    d.reals = {4.9};
    encoding->takeInHostDesign(d);
    EXPECT_EQ(d.ints, std::vector<int>{2});
    EXPECT_EQ(d.reals, std::vector<double>{4});
    d.evaluationKind = realValued;
    d.reals = {5.1};
    encoding->takeInHostDesign(d);
    EXPECT_EQ(d.ints, std::vector<int>{3});
    EXPECT_EQ(d.reals, std::vector<double>{5.1});
}

TEST_F(Encoding, HostValuesAreCheckedAgainstTheRange) {
    use({continuous(-1, 1, 3), discrete(3)});
    struct Row { int index; double value; bool accepted; };
    for (const Row& row : std::vector<Row>{
             {0, std::nextafter(1.0, 2.0), true}, {0, 1.0 + 1e-12, false},
             {0, -1.0 - 2.220446049250313e-16, true}, {0, -1.0 - 1e-12, false},
             {0, std::numeric_limits<double>::quiet_NaN(), false}, {-1, 0, false}, {2, 0, false},
             {1, 0, true}, {1, 2.99, true}, {1, 3, false}, {1, -0.1, false}}) {
        EXPECT_EQ(encoding->acceptsHostValue(row.index, row.value), row.accepted)
            << row.index << " " << row.value;
    }
    EXPECT_EQ(refusedHostValueText(1, "Design4"),
              "The value for variable number 2 for design Design4 is outside the variable range "
              "defined. This design will not be used.");
}

TEST_F(Encoding, DecodingOutsideTheRangeIsFatal) {
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
    EXPECT_EQ(encoding->currentValues(), std::vector<double>{10.009});
    EXPECT_EQ(encoding->currentIndices(), std::vector<int>{10});
}

TEST_F(Encoding, DecodingSetsCurrentValuesAndSamplesDistributions) {
    FakeDistribution& spread = addDistribution();
    project.file_user_fixed.resize(1);
    project.file_user_fixed[0].distribution = 0;
    model::StudyVariable sampledVariable = continuous(0, 8, 5);
    sampledVariable.distribution = 0;
    use({sampledVariable, discrete(3)});
    Design d;
    d.ints = {3, 2};
    d.reals = {6, 2, 0.25};
    encoding->decode(d, seed40);
    EXPECT_EQ(encoding->currentIndices(), (std::vector<int>{3, 2}));
    EXPECT_EQ(encoding->currentValues(), (std::vector<double>{46, 2}));
    EXPECT_EQ(encoding->fixedCurrentValues(), std::vector<double>{40.25});

    use({sampledVariable, discrete(3)}, {.problemType = 3, .runMode = 5});
    d.reals = {5.2, 1.7, 0.25};
    encoding->decodeReals(d, seed40);
    EXPECT_EQ(encoding->currentIndices(), (std::vector<int>{3, 1}));
    EXPECT_EQ(encoding->currentValues(), (std::vector<double>{5.2, 1}));
    EXPECT_EQ(encoding->fixedCurrentValues(), std::vector<double>{0.25});

    spread.failing = true;
    use({sampledVariable, discrete(3)});
    encoding->decode(d, seed40);
    EXPECT_EQ(encoding->currentValues(), (std::vector<double>{6, 2}));
    EXPECT_EQ(logEntries().back(),
              "*ERROR\nSampling the distribution \"spread\" for \"Initialized\" failed. The value "
              "0.25 is used as it is.");
}

TEST(DesignList, ParsesNumbersAndRangesInFirstSeenOrder) {
    struct Row { const char* text; std::vector<int> expected; };
    for (const Row& row : std::vector<Row>{{"1-3,2,7", {1, 2, 3, 7}},
                                           {"5-3", {}},
                                           {",4,,2, 4,", {4, 2}},
                                           {"3-5, 1 - 4", {3, 4, 5, 1, 2}}}) {
        EXPECT_EQ(parseDesignList(row.text), row.expected) << row.text;
    }
}

TEST(DesignList, MalformedEntriesAreRefused) {
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
