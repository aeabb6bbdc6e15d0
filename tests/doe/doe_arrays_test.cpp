// The DOE arrays: run counts and standard order, labels, generator columns,
// balance and orthogonality of every two- and three-level array, the
// space-filling designs and the refusals.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <map>
#include <set>

#include "doe/factorial_arrays.h"
#include "doe/orthogonal_arrays.h"
#include "doe/space_filling.h"
#include "doe/two_level_arrays.h"
#include "frame/fatal_error.h"
#include "support/hammersley.h"
#include "test_support.h"

namespace varno::doe {
namespace {

void expectRefused(const std::function<void()>& build, const std::string& part) {
    try {
        build();
        ADD_FAILURE() << "not refused: " << part;
    } catch (const FatalError& error) {
        EXPECT_NE(std::string(error.what()).find(part), std::string::npos) << error.what();
    }
}

// Every level of every column equally often, and every pair of levels of
// two columns equally often.
void expectBalancedAndOrthogonal(const DoeTable& t, int columns, const std::string& what) {
    for (int a = 0; a < columns; ++a) {
        std::map<int, int> counts;
        for (int r = 0; r < t.num_runs; ++r) ++counts[t.level(r, a)];
        ASSERT_EQ(static_cast<int>(counts.size()), t.factor_levels[a]) << what << " column " << a;
        for (const auto& [level, n] : counts) EXPECT_EQ(n * t.factor_levels[a], t.num_runs) << what;
        for (int b = a + 1; b < columns; ++b) {
            std::map<std::pair<int, int>, int> pairs;
            for (int r = 0; r < t.num_runs; ++r) ++pairs[{t.level(r, a), t.level(r, b)}];
            for (const auto& [levels, n] : pairs) {
                ASSERT_EQ(n * t.factor_levels[a] * t.factor_levels[b], t.num_runs)
                    << what << " columns " << a << ", " << b;
            }
        }
    }
}

int labelledColumns(const DoeTable& t) {
    int n = t.num_factors;
    while (n < t.num_cols && !t.inter_name[n].empty()) ++n;
    return n;
}

// Every array is balanced and orthogonal. A generated or interaction column
// of a fraction holds the product of the columns its label names (two
// levels: high when an even number of them are low; three: the sum of the
// levels times their exponents, modulo 3).
TEST(DoeArrays, EveryArrayIsBalancedAndOrthogonalAndFractionsHoldTheirProducts) {
    for (int k = 2; k <= 6; ++k)
        expectBalancedAndOrthogonal(fullFactorial2(k, k), (1 << k) - 1, "2^k");
    for (int k = 3; k <= 13; ++k) {
        for (int p = 1; p <= 10; ++p) {
            if (k <= 11 && p <= 7 && twoLevelGenerators(k, p) != nullptr) {
                const DoeTable t = fractionalFactorial2(k, p);
                ASSERT_EQ(t.num_runs, 1 << (k - p));
                ASSERT_EQ(t.num_cols, (1 << k) - 1);
                expectBalancedAndOrthogonal(t, k, "2^(k-p) factors");
                for (int c = k - p; c < labelledColumns(t); ++c) {
                    const std::string label = t.inter_name[c];
                    const std::string product = c < k ? label.substr(2) : label;
                    for (int r = 0; r < t.num_runs; ++r) {
                        int low = 0;
                        for (const LabelTerm& term : labelTerms(product))
                            low += t.level(r, term.factor) == 0;
                        EXPECT_EQ(t.level(r, c), low % 2 == 0 ? 1 : 0) << label;
                    }
                }
            }
            if (threeLevelGenerators(k, p) == nullptr) continue;
            const DoeTable t = fractionalFactorial3(k, p);
            expectBalancedAndOrthogonal(t, k, "3^(k-p)");
            for (int c = k - p; c < k; ++c) {
                for (int r = 0; r < t.num_runs; ++r) {
                    int sum = 0;
                    for (const LabelTerm& term : labelTerms(t.inter_name[c].substr(2)))
                        sum += term.exponent * t.level(r, term.factor);
                    EXPECT_EQ(t.level(r, c), sum % 3) << t.inter_name[c];
                }
            }
        }
    }
    const DoeTable quarter = fractionalFactorial2(4, 1);
    EXPECT_EQ(quarter.inter_name[3], "D=ABC");
    EXPECT_EQ(labelledColumns(quarter), 10) << "interactions of up to two letters";
    expectBalancedAndOrthogonal(fullFactorial3(3, 3), 3, "3^k factors");
    for (int runs : {12, 20, 24, 36, 40, 48, 64}) {
        expectBalancedAndOrthogonal(plackettBurman(6, runs), runs - 1, "PB" + std::to_string(runs));
    }
    for (std::size_t i = 0; i < orthogonalArrays().size(); ++i) {
        const OrthogonalArrayInfo& info = orthogonalArrays()[i];
        const int k = info.mostFactors;
        std::vector<int> levels(static_cast<std::size_t>(k), 3);
        for (int j = 0; j < info.twoLevelColumns; ++j) levels[j] = 2;
        std::vector<int> ids(static_cast<std::size_t>(k));
        const DoeTable t = orthogonalArray(k, static_cast<int>(i), levels, ids);
        EXPECT_EQ(t.num_runs, info.runs);
        expectBalancedAndOrthogonal(t, k, info.name);
    }
}

TEST(DoeArrays, FullFactorialRunsInStandardOrderAndLabelsSkipI) {
    const DoeTable t = fullFactorial2(3, 3);
    ASSERT_EQ(t.num_runs, 8);
    ASSERT_EQ(t.num_cols, 7);
    for (int r = 0; r < 8; ++r) {
        for (int j = 0; j < 3; ++j) EXPECT_EQ(t.level(r, j), (r >> j) & 1);
    }
    const std::vector<std::string> labels(t.inter_name.begin() + 3, t.inter_name.end());
    EXPECT_EQ(labels, (std::vector<std::string>{"AB", "AC", "BC", "ABC"}));
    EXPECT_EQ((std::vector<std::string>(t.col_name.begin(), t.col_name.begin() + 3)),
              (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_EQ(fullFactorial3(3, 3).num_runs, 27);
    EXPECT_EQ(fullFactorial2(4, 4).inter_name[14], "ABCD");
    for (const auto& [index, label] : {std::pair{0, "A"},
                                       {7, "H"},
                                       {8, "J"},
                                       {24, "Z"},
                                       {25, "A'"},
                                       {33, "J'"},
                                       {50, "A''"},
                                       {60, "L''"}}) {
        EXPECT_EQ(factorLabel(index), label);
        EXPECT_EQ(labelTerms(label)[0].factor, index);
    }
    expectRefused([] { labelTerms("AI"); }, "No label I premitted.");
}

TEST(DoeArrays, PlackettBurmanCentralCompositeAndMixedLayouts) {
    const DoeTable pb = plackettBurman(4, 12);
    EXPECT_EQ(pb.num_cols, 11);
    EXPECT_EQ(pb.col_name[3], "D");
    EXPECT_TRUE(pb.col_name[4].empty());
    for (int c = 0; c < 11; ++c) EXPECT_EQ(pb.level(11, c), 0) << "last run all low";
    const DoeTable cc = centralComposite(2);
    ASSERT_EQ(cc.num_runs, 9);
    for (int r = 0; r < 4; ++r) EXPECT_EQ(cc.level(r, 0), 1 + 2 * (r & 1));
    EXPECT_EQ(cc.array[4], (std::vector<int>{0, 2}));
    EXPECT_EQ(cc.array[7], (std::vector<int>{2, 4}));
    EXPECT_EQ(cc.array[8], (std::vector<int>{2, 2}));
    // A mixed orthogonal array puts the two-level factors first.
    const DoeTable mixed = orthogonalArray(3, 14, {3, 2, 3}, {7, 8, 9});
    EXPECT_EQ(mixed.factor_map, (std::vector<int>{8, 7, 9}));
    EXPECT_EQ(mixed.factor_levels, (std::vector<int>{2, 3, 3}));
}

TEST(DoeArrays, RefusalsNameTheLimits) {
    expectRefused([] { fractionalFactorial2(9, 1); }, "Please check the number of factors");
    expectRefused([] { fractionalFactorial2(12, 4); }, "number of factors (12) allowed is 3 - 11");
    expectRefused([] { fractionalFactorial3(4, 3); }, "Error when generating fractional factorial");
    expectRefused([] { plackettBurman(5, 16); },
                  "Only number of runs allowed are: 12, 20, 24, 36, 40, 48 and 64.");
    expectRefused([] { plackettBurman(3, 12); }, "Factors must be in range [4, 11].");
    expectRefused(
        [] {
            orthogonalArray(3, 14, {3, 2, 2}, {1, 2, 3});
        },
        "requires selecting at least 2 3 level variables.\n\t Found 1 3 level variables.");
    expectRefused([] { fullFactorial2(40, 40); }, "Maximum number of interactions is 39");
    expectRefused([] { fullFactorial3(32, 3); }, "number of factors (32) gives an array too large");
    expectRefused([] { centralComposite(40); }, "number of factors (40) gives an array too large");
}

TEST(DoeSpaceFilling, LatinHypercubeHammersleyAndDOptimalDesigns) {
    search::RandomStream random(0.3f);
    const DoeTable t = latinHypercube(3, 10, 200, 20, random);
    for (int j = 0; j < 3; ++j) {
        std::set<int> strata;
        for (int r = 0; r < 10; ++r) strata.insert(t.level(r, j) / 20);
        EXPECT_EQ(strata.size(), 10u);
    }
    search::RandomStream single(0.3f);
    EXPECT_GE(smallestRunDistance(t), smallestRunDistance(latinHypercube(3, 10, 200, 1, single)));
    EXPECT_DOUBLE_EQ(support::HammersleyDesign::radicalInverse(6, 2), 0.375);
    EXPECT_DOUBLE_EQ(support::HammersleyDesign::radicalInverse(5, 3), 7.0 / 9.0);
    const support::HammersleyDesign points(8, 3, 8);
    EXPECT_EQ(points.level(3, 0), 3);
    EXPECT_EQ(points.level(3, 1), 6);  // 0.75 of 8 levels
    EXPECT_EQ(points.level(4, 2), 3);  // 4/9 of 8 levels
    search::RandomStream other(0.7f);
    ModelMatrix x(12, std::vector<double>(5, 1.0));
    for (auto& row : x) {
        for (std::size_t j = 1; j < row.size(); ++j) row[j] = 2.0 * other.draw() - 1.0;
    }
    const double start = informationDeterminant(x);
    exchangeCoordinates(x);
    EXPECT_GT(informationDeterminant(x), 10.0 * start);
    expectRefused([&] { dOptimal(3, 3, 0, other); }, "must be greater than the number of factors");
}

TEST(DoeUserFile, ReadsTheArrayAndNamesWhatIsWrongInIt) {
    testing::TempDirectory dir;
    const auto file = [&dir](const std::string& text) {
        std::ofstream(dir.file("Doe_input.in"), std::ios::binary) << text;
        return dir.file("Doe_input.in");
    };
    const DoeTable t = doeFromFile(file("3 2 3\r\n0 2\r\n1 1\r\n2 0\r\n"), 4);
    EXPECT_EQ(t.num_runs, 3);
    EXPECT_EQ(t.factor_levels, (std::vector<int>{3, 3}));
    EXPECT_EQ(t.col_name[1].data(), std::string("B"));
    EXPECT_EQ(t.array, (std::vector<std::vector<int>>{{0, 2}, {1, 1}, {2, 0}}));
    const std::pair<const char*, const char*> faults[] = {
        {"3 2 3\n0 3\n", "level 3 of factor 2 in run 1 is outside 0 to 2"},
        {"2 2 3\n0 -1\n", "level -1 of factor 2 in run 1 is outside 0 to 2"},
        {"2 2 3\n0 1 2\n", "run 1 has 3 levels, expected 2 (one per factor)"},
        {"3 2 3\n0 1\n1 1\n", "run 3 has 0 levels, expected 2"},
        {"2 2 3\n0 1\n1 x\n", "run 2 \"1 x\" holds a value that is not a level index"},
        {"10001 2 3\n0 1\n", "10001 runs are more than the limit of 10000 designs per study"},
        {"1 2000000000 2\n0 1\n", "run 1 has 2 levels, expected 2000000000"},
        {"2 2\n", "the first line \"2 2\" must give the numbers of runs, factors and levels"},
        {"3 1 3\n0\n1\n2\n", "At least TWO factors need to be defined for using the User "
                             "Defined DOE in agent # 4."},
    };
    for (const auto& [text, message] : faults) {
        expectRefused([&, text = text] { doeFromFile(file(text), 4); }, message);
    }
    expectRefused([&dir] { doeFromFile(dir.file("missing.in"), 4); },
                  "Could not open DOE file: " + dir.file("missing.in"));
}

}  // namespace
}  // namespace varno::doe
