// The analysis of a response over a DOE array: which report each array gets,
// the analysis of variance of regular two-level fractions, the level means
// and the sorting routine.
#include <gtest/gtest.h>

#include <boost/math/distributions/normal.hpp>
#include <functional>
#include <numeric>
#include <random>
#include <sstream>

#include "doe/anova.h"
#include "doe/doe_analysis.h"
#include "doe/doe_sort.h"
#include "doe/factorial_arrays.h"
#include "doe/orthogonal_arrays.h"
#include "doe/space_filling.h"
#include "doe/two_level_arrays.h"
#include "frame/text_format.h"
#include "study/doe_analysis_study.h"
#include "test_support.h"

namespace varno::doe {
namespace {

// A response that is `base` plus, per factor, its coefficient times the
// factor's coded level (−1 low, +1 high).
std::vector<double> planted(const DoeTable& table, double base, const std::vector<double>& coef) {
    std::vector<double> y;
    for (int r = 0; r < table.num_runs; ++r) {
        double value = base;
        for (std::size_t f = 0; f < coef.size(); ++f) {
            value += coef[f] * (table.level(r, static_cast<int>(f)) != 0 ? 1.0 : -1.0);
        }
        y.push_back(value);
    }
    return y;
}

// The text of the fatal error `call` ends in, or "not refused".
std::string fatalText(const std::function<void()>& call) {
    try {
        call();
    } catch (const FatalError& error) {
        return error.what();
    }
    return "not refused";
}

class DoeAnalysis : public ::testing::Test {
protected:
    testing::TempDirectory dir;
    std::string report;

    DoeReport analyse(DoeTable& table, const std::vector<double>& y) {
        const DoeReport kind = analyseDoeResponse(table, y, dir.file("DOE_1_y.out"));
        report = testing::readWholeFile(dir.file("DOE_1_y.out"));
        return kind;
    }

    // The comma-separated numbers of the results line of `label`.
    std::vector<double> resultRow(const std::string& label) {
        std::istringstream lines(report.substr(report.find("FINAL RESULTS")));
        for (std::string line; std::getline(lines, line);) {
            if (line.rfind(label + ",", 0) != 0) continue;
            std::vector<double> numbers;
            std::istringstream fields(line.substr(label.size() + 1));
            for (std::string field; std::getline(fields, field, ',');) {
                numbers.push_back(std::stod(field));
            }
            return numbers;
        }
        return {};
    }
};

// A response moved by A and by whether A and B agree. The report's level 1
// of a term is where the XOR of its factor levels is 1; the table's column AB
// is at level 1 where A and B agree: for even-order terms the two are opposite.
TEST_F(DoeAnalysis, FullFactorialWithAMainEffectAndAnInteraction) {
    DoeTable table = fullFactorial2(3, 3);
    std::vector<double> y = planted(table, 10.0, {2.0});
    for (int r = 0; r < table.num_runs; ++r)
        y[r] += table.level(r, 0) == table.level(r, 1) ? 1 : -1;
    ASSERT_EQ(analyse(table, y), DoeReport::fullReport);
    EXPECT_NE(report.find("\n\nIdentity Report: I\nSS_Size = 7\n"), std::string::npos) << report;
    // Level averages, effect, SS, contribution, cells (A low, B low) … (A high, B high).
    EXPECT_EQ(resultRow("A"), (std::vector<double>{8, 12, 4, 32, 0.8, 0, 0, 0, 0}));
    EXPECT_EQ(resultRow("AB"), (std::vector<double>{11, 9, -2, 8, 0.2, 9, 7, 11, 13}));
    for (const char* other : {"B", "C", "AC", "BC", "ABC"}) {
        const std::vector<double> row = resultRow(other);
        ASSERT_EQ(row.size(), 9u) << other;
        EXPECT_EQ(row[2], 0.0) << other;
        EXPECT_EQ(row[3], 0.0) << other;
    }
    EXPECT_NE(report.find("Error = 0\nTotal = 40\n"), std::string::npos);
    EXPECT_EQ(table.effects[1][3], 11.0) << table.inter_name[3];
    EXPECT_EQ(table.effects[0][3], 9.0);
}

TEST_F(DoeAnalysis, HalfFractionAliasesByTheDefiningRelation) {
    DoeTable table = fractionalFactorial2(4, 1);
    ASSERT_EQ(analyse(table, planted(table, 5.0, {1.0, 0.0, 0.5, 3.0})), DoeReport::fullReport);
    EXPECT_NE(report.find("Identity Report: I = ABCD\nSS_Size = 14\n"), std::string::npos)
        << report;
    EXPECT_NE(report.find("\nAB = CD\n"), std::string::npos);
    EXPECT_NE(report.find("\nD = ABC\n"), std::string::npos);
    EXPECT_TRUE(resultRow("CD").empty()) << "an alias is left out of the results";
    EXPECT_TRUE(resultRow("ABC").empty());
    EXPECT_EQ(resultRow("D").at(2), 6.0);
    for (const char* term : {"A", "B", "C", "AB", "AC", "AD"})
        EXPECT_EQ(resultRow(term).size(), 9u);
    EXPECT_NE(report.find("Error = 0\n"), std::string::npos);
    // Column CD of the table is an alias: no contribution.
    for (int c = 0; c < table.num_cols; ++c) {
        if (table.inter_name[static_cast<std::size_t>(c)] == "CD") {
            EXPECT_EQ(table.contrib[c], 0.0);
        }
    }
}

// A resolution-III fraction (D = AB, E = AC) recovers a main-effects model
// exactly, and the half-normal plot puts the largest effect last.
TEST_F(DoeAnalysis, PlantedModelOnResolutionThree) {
    DoeTable table = fractionalFactorial2(5, 2);
    ASSERT_EQ(analyse(table, planted(table, 10.0, {2.0, 0.0, -1.5, 0.0, 1.0})),
              DoeReport::fullReport);
    for (const auto& [term, effect] : {std::pair{"A", 4.0}, {"C", -3.0}, {"E", 2.0}, {"B", 0.0}})
        EXPECT_EQ(resultRow(term).at(2), effect) << term;
    EXPECT_NEAR(resultRow("A").at(4), 32.0 / 58.0, 1e-6);
    EXPECT_NE(report.find("Error = 0\nTotal = 58\n"), std::string::npos);

    const std::string plot = report.substr(report.find("HALF NORMAL PLOT DATA\n"));
    const int plotted = table.num_runs - 1;
    ASSERT_EQ(static_cast<int>(table.sorted_resp.size()), plotted);
    const boost::math::normal standard;
    for (int i = 0; i < plotted; ++i) {
        const double p = 0.5 + 0.5 * (i + 0.5) / plotted;
        EXPECT_NEAR(table.norm_plot_x[i], boost::math::quantile(standard, p), 1e-12);
        if (i > 0) {
            EXPECT_LE(table.sorted_resp[i - 1], table.sorted_resp[i]);
        }
    }
    EXPECT_EQ(table.sorted_resp.back(), 4.0);
    EXPECT_NE(plot.find(formatText("A, %f, 4\n", table.norm_plot_x.back())), std::string::npos)
        << plot;
}

TEST_F(DoeAnalysis, ShortReportWhereTheAnalysisOfVarianceDoesNotHold) {
    DoeTable constant = fullFactorial2(3, 3);
    std::vector<double> y(8, 7.0);
    y[3] = 7.0004;  // within the relative tolerance
    EXPECT_EQ(analyse(constant, y), DoeReport::shortReport);
    EXPECT_NE(report.find("FINAL RESULTS\n\nSource, Avg Lev 0, Avg Lev 1\n   A,"),
              std::string::npos)
        << report;
    EXPECT_EQ(report.find("Identity"), std::string::npos);

    // Taguchi L16 is a regular fraction: 13 factors get the full report, 14 do not.
    search::RandomStream random(0.3f);
    const int l16 = orthogonalArrayIndex("L16");
    const auto l16Of = [l16](int k) {
        return orthogonalArray(k, l16, std::vector<int>(k, 2), std::vector<int>(k, 1));
    };
    for (auto [table, kind] : {std::pair{dOptimal(3, 6, 1, random), DoeReport::shortReport},
                               {l16Of(13), DoeReport::fullReport},
                               {l16Of(14), DoeReport::shortReport}}) {
        EXPECT_EQ(analyse(table, planted(table, 1.0, {1.0, 2.0})), kind) << table.num_factors;
    }
    // Plackett-Burman arrays are no regular fractions; an unlabelled column keeps no means.
    DoeTable pb = plackettBurman(4, 12);
    EXPECT_EQ(analyse(pb, planted(pb, 1.0, {1.0, 1.0, 1.0, 1.0, 1.0})), DoeReport::shortReport);
    EXPECT_EQ(pb.lev_count[0][3], 6);
    EXPECT_EQ(pb.lev_count[0][4], 0) << "column 4 carries no factor";
    EXPECT_EQ(pb.effects[1][4], 0.0);

    // L12 is not a regular fraction: its sums of squares would exceed the total.
    DoeTable l12 = orthogonalArray(6, orthogonalArrayIndex("L12"), std::vector<int>(6, 2),
                                   std::vector<int>(6, 1));
    std::vector<double> noisy = planted(l12, 3.0, {1.0, -2.0, 0.5});
    for (std::size_t r = 0; r < noisy.size(); ++r) noisy[r] += 0.1 * static_cast<double>(r % 5);
    EXPECT_EQ(analyse(l12, noisy), DoeReport::shortReport);
    EXPECT_EQ(l12.contrib, std::vector<double>(static_cast<std::size_t>(l12.num_cols), 0.0));
}

TEST_F(DoeAnalysis, LevelMeansOfThreeAndFiveLevelArrays) {
    DoeTable cc = centralComposite(2);
    std::vector<double> y;
    for (int r = 0; r < cc.num_runs; ++r) y.push_back(10.0 * cc.level(r, 0) + cc.level(r, 1));
    EXPECT_EQ(analyse(cc, y), DoeReport::shortReport);
    // A's factorial points sit at levels 1 (runs 0, 2) and 3 (runs 1, 3).
    EXPECT_NE(report.find("Source, Avg Lev 0, Avg Lev 1\n   A,  12.000000,  32.000000\n"
                          "   B,  21.000000,  23.000000\n\n"),
              std::string::npos)
        << report;
    EXPECT_EQ(cc.lev_count[2][0], 3) << "B's two axial runs and the centre";
    EXPECT_EQ(cc.effects[0][0], 2.0);

    DoeTable three = fullFactorial3(2, 2);
    y.clear();
    for (int r = 0; r < three.num_runs; ++r) y.push_back(three.level(r, 0) == 2 ? 9.0 : 0.0);
    EXPECT_EQ(analyse(three, y), DoeReport::shortReport);
    EXPECT_NE(report.find("Source, Avg Lev 0, Avg Lev 1, Avg Lev 2\n   A,   0.000000,   0.000000,"
                          "   9.000000\n"),
              std::string::npos)
        << report;
    EXPECT_NE(report.find("\n     1,        0,           0,          0.00000000e+00\n"),
              std::string::npos);
}

TEST(DoeSort, OrdersLikeAnyCorrectSortAndRefusesAnOverflow) {
    std::mt19937 engine(7);
    std::uniform_int_distribution<int> draw(0, 40);
    std::vector<double> values;
    for (int i = 0; i < 1000; ++i) values.push_back(draw(engine));
    const std::vector<int> index = sortedValueIndex(values);
    std::vector<double> sorted;
    for (int i : index) sorted.push_back(values[i]);
    std::vector<double> expected = values;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(sorted, expected);
    std::vector<int> all(1000);
    std::iota(all.begin(), all.end(), 0);
    EXPECT_TRUE(std::is_permutation(index.begin(), index.end(), all.begin(), all.end()));

    EXPECT_EQ(fatalText([&] { sortedValueIndex(values, 2); }),
              "\n\t NSTACK TO SMALL, jstack = 4.\n");
}

TEST(DoeTerms, LabelsOrderAndNormalPlotPositions) {
    EXPECT_EQ(termLabel(0b1011), "ABD");
    std::vector<TermMask> terms{0b110, 0b011, 0b100, 0b101, 0b111};
    std::sort(terms.begin(), terms.end(), termBefore);
    EXPECT_EQ(terms, (std::vector<TermMask>{0b100, 0b011, 0b101, 0b110, 0b111}));  // C AB AC BC
    const boost::math::normal standard;
    EXPECT_NEAR(normalPlotPositions(4, normalPlot)[0], boost::math::quantile(standard, 0.125),
                1e-12);
    EXPECT_NEAR(normalPlotPositions(1, halfNormalPlot)[0], 0.6744897501960817, 1e-12);
    EXPECT_EQ(fatalText([] { normalPlotPositions(3, 2); }),
              "Invalid normal plot type selected.\nError in selecting the normal plot type.");
}

TEST(DoeResponses, VectorResponseIsSkippedAndTheOthersAnalysed) {
    testing::TempDirectory dir;
    DoeTable table = fullFactorial2(2, 2);
    DoeRunValues runs;
    for (int r = 0; r < table.num_runs; ++r) {
        model::DataValueArray scalar{model::makeDoubleValue(r), model::endOfListValue()};
        model::DataValueArray vector{model::makeDoubleValue(1), model::makeDoubleValue(2),
                                     model::endOfListValue()};
        runs.push_back({r == 2 ? vector : scalar, scalar});
    }
    EXPECT_TRUE(analyseDoeResponses(table, runs, {"v", "s/../x"}, dir.path(), 3));
    EXPECT_FALSE(support::fileExists(dir.file("DOE_3_v.out")));
    EXPECT_TRUE(support::fileExists(dir.file("DOE_3_s___x.out")));
    EXPECT_EQ(table.effects[1][0], 2.0) << "the scalar response's means stay";
    EXPECT_TRUE(testing::logMentions("The DOE calculations are not performed on vector valued "
                                     "responses. Skipping \"v\""));
}

}  // namespace
}  // namespace varno::doe
