// Whole TRAVOK and MOTRAVOK studies through the C interface, as a host runs
// them: problems with a known optimum or Pareto front, every design handed
// out new, the budget honoured exactly, and the same seed giving the same
// designs.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "test_support.h"
#include "varno.h"

namespace varno {
namespace {

using testing::lastMessage;
using testing::readWholeFile;
using testing::TempDirectory;

// The definition calls in the order a host makes them: `variables`
// continuous variables of `levels` levels within `bounds`, the minimised
// responses `objectives`, and the method block `method`.
void defineStudy(const std::string& directory, int variables, const std::string& bounds, int levels,
                 const std::vector<std::string>& objectives, const std::string& seed,
                 const std::string& method) {
    ASSERT_EQ(VARNO_initializeStudySetup(("workingDirectory: " + directory).c_str()), 1);
    std::vector<testing::SetUpCall> calls{{VARNO_createNewStudy, "search", "type: optimization"}};
    std::vector<testing::SetUpCall> added;
    for (int i = 1; i <= variables; ++i) {
        const std::string name = "x" + std::to_string(i);
        const std::string id = "type: Continuous\nid: " + std::to_string(i);
        calls.push_back({VARNO_defineNewProjectParameter, name, id + bounds});
        added.push_back({VARNO_addVariableToStudy, name,
                         id + "\nresolution: " + std::to_string(levels) + "\ndistribution: NONE"});
    }
    for (const std::string& response : objectives) {
        calls.push_back({VARNO_defineNewProjectResponse, response, "type: API"});
        added.push_back({VARNO_addResponseToStudy, response,
                         "type: objective\nfactor: 1\noption: min_value\ntarget: 0\nquadWt: 0\n"
                         "linearWt: 1\nacceptMin: -1e300\nacceptMax: 1e300"});
    }
    calls.push_back(
        {VARNO_defineStudyLevelData, "S",
         "startAgent: 0\nendAgent: 0\nfilePrefix: s\nrandomSeed: " + seed + "\nmode: newStudy"});
    calls.push_back({VARNO_defineSearchMethodData, "m", method});
    calls.insert(calls.end(), added.begin(), added.end());
    testing::defineThrough(calls);
    ASSERT_EQ(VARNO_finalizeStudyData(), 1) << lastMessage();
}

struct HostRun {
    std::vector<int> ids;
    std::vector<std::vector<double>> designs;    // the variables' values
    std::vector<std::vector<double>> responses;  // the evaluator's answers
};

// The host's loop: get, evaluate, return, until no designs come.
HostRun runHost(int variables, const std::function<std::vector<double>(const double*)>& evaluate) {
    HostRun run;
    for (int cycle = 0; cycle < 10000; ++cycle) {
        int* ids = nullptr;
        double** values = nullptr;
        const int count = VARNO_getNextSetOfDesignsFromStudy(&ids, &values);
        if (count == 0) break;
        std::vector<double*> pointers;
        for (int k = 0; k < count; ++k) {
            run.ids.push_back(ids[k]);
            run.designs.emplace_back(values[k], values[k] + variables);
            run.responses.push_back(evaluate(values[k]));
        }
        for (int k = count; k > 0; --k) pointers.push_back(run.responses.end()[-k].data());
        EXPECT_EQ(VARNO_updateResultsForDesignSet(count, ids, nullptr, pointers.data(), nullptr),
                  1);
        VARNO_freePtr(ids);
        VARNO_freePtr(values);
        if (VARNO_isStudyComplete()) break;
    }
    return run;
}

constexpr int sphereVariables = 5;
constexpr std::array<double, sphereVariables> optimum = {1.2, -0.7, 2.3, -2.1, 0.4};

// 1 plus the squared distance to the optimum: the optimum value is 1.0.
std::vector<double> shiftedSphere(const double* x) {
    double sum = 1.0;
    for (int i = 0; i < sphereVariables; ++i) sum += (x[i] - optimum[i]) * (x[i] - optimum[i]);
    return {sum};
}

HostRun runSphere(const std::string& directory, int budget, const std::string& seed) {
    defineStudy(directory, sphereVariables, "\nmin: -5\nbaseline: -4\nmax: 5", 100001, {"f"}, seed,
                "method: TRAVOK\nnumEvals: " + std::to_string(budget));
    return runHost(sphereVariables, shiftedSphere);
}

// No design is handed out twice.
void expectDistinct(const HostRun& run) {
    const std::set<std::vector<double>> distinct(run.designs.begin(), run.designs.end());
    EXPECT_EQ(distinct.size(), run.designs.size());
}

// Whole studies through the C interface, each ending with every block
// released and every file closed.
class SearchStudy : public testing::CInterfaceTest {};

// The surrogate candidates carry a smooth problem on a fine grid to its
// optimum within a budget that breeding alone is far from enough for.
TEST_F(SearchStudy, TravokFindsTheOptimumWithNewDesignsWithinTheBudget) {
    TempDirectory dir;
    constexpr int budget = 150;
    const HostRun run = runSphere(dir.path(), budget, "0.5");

    ASSERT_EQ(run.ids.size(), static_cast<std::size_t>(budget)) << "the budget is spent exactly";
    for (std::size_t i = 0; i < run.ids.size(); ++i) {
        ASSERT_EQ(run.ids[i], static_cast<int>(i) + 1) << "ids are consecutive";
    }
    EXPECT_EQ(run.designs.front(), std::vector<double>(sphereVariables, -4.0))
        << "design 1 is the baseline design";
    expectDistinct(run);
    const double best = (*std::min_element(run.responses.begin(), run.responses.end()))[0];
    EXPECT_LE(best, 1.001) << "within 0.1% of the optimum value 1.0";

    double bestPerformance = 0.0;
    ASSERT_EQ(VARNO_getPerformanceValueForDesign(VARNO_getBestDesignId(), &bestPerformance), 1);
    EXPECT_DOUBLE_EQ(-bestPerformance, best);
    EXPECT_EQ(VARNO_isStudyComplete(), 1);
    int* ids = nullptr;
    double** values = nullptr;
    EXPECT_EQ(VARNO_getNextSetOfDesignsFromStudy(&ids, &values), 0);
}

// A space of 20 designs and a budget of 100: the search hands out each
// design once and ends, saying the space is exhausted, instead of trying
// millions of mutations per child.
TEST_F(SearchStudy, TravokEndsWhenTheDesignSpaceIsUsedUp) {
    TempDirectory dir;
    defineStudy(dir.path(), 1, "\nmin: 0\nbaseline: 0\nmax: 1", 20, {"f"}, "0.23",
                "method: TRAVOK\nnumEvals: 100");
    const HostRun run = runHost(1, [](const double* x) { return std::vector<double>{x[0]}; });
    expectDistinct(run);
    EXPECT_EQ(run.designs.size(), 20u);
    EXPECT_EQ(VARNO_isStudyComplete(), 1);
    EXPECT_TRUE(testing::logMentions("The design space has been exhausted."));
}

constexpr int zdtVariables = 4;

// ZDT1 in four variables: the front is f2 = 1 - sqrt(f1) with x2..x4 = 0.
std::vector<double> zdt1(const double* x) {
    double sum = 0.0;
    for (int i = 1; i < zdtVariables; ++i) sum += x[i];
    const double g = 1.0 + 9.0 * sum / (zdtVariables - 1);
    const double f1 = x[0];
    return {f1, g * (1.0 - std::sqrt(f1 / g))};
}

// Hypervolume of a two-objective point set against the reference (1.1, 1.1).
double hypervolume(std::vector<std::pair<double, double>> points) {
    std::sort(points.begin(), points.end());
    double volume = 0.0;
    double lowestF2 = 1.1;
    for (const auto& [f1, f2] : points) {
        if (f1 >= 1.1 || f2 >= lowestF2) continue;
        volume += (1.1 - f1) * (lowestF2 - f2);
        lowestF2 = f2;
    }
    return volume;
}

// The true front's hypervolume: the integral of 1.1 - (1 - sqrt(f1)) over
// [0, 1], plus the strip 1 <= f1 <= 1.1.
constexpr double trueHypervolume = 0.1 + 2.0 / 3.0 + 0.1 * 1.1;

void defineZdt1(const std::string& directory, int budget, const std::string& seed = "0.5") {
    defineStudy(
        directory, zdtVariables, "\nmin: 0\nbaseline: 0.5\nmax: 1", 1001, {"f1", "f2"}, seed,
        "method: MOTRAVOK\nnumEvals: " + std::to_string(budget) + "\narchiveSize: 40\nshutOff: 0");
}

bool dominates(const std::pair<double, double>& a, const std::pair<double, double>& b) {
    return a.first <= b.first && a.second <= b.second && a != b;
}

TEST_F(SearchStudy, MotravokFindsANonDominatedFrontCloseToTheTrueOne) {
    TempDirectory dir;
    constexpr int budget = 3000;
    defineZdt1(dir.path(), budget);
    EXPECT_EQ(VARNO_getIntStudyData(0), 40) << "the archive size";
    int* ids = nullptr;
    int* ranks = nullptr;
    EXPECT_EQ(VARNO_getParetoDesignIds(&ids, &ranks), 0) << "no archive of designs yet";
    EXPECT_TRUE(ids == nullptr && ranks == nullptr);
    EXPECT_EQ(lastMessage(), "Not enough designs in the database to form a Pareto Front.");
    const HostRun run = runHost(zdtVariables, zdt1);
    EXPECT_EQ(run.ids.size(), static_cast<std::size_t>(budget));
    std::map<int, std::pair<double, double>> evaluated;
    for (std::size_t k = 0; k < run.ids.size(); ++k) {
        evaluated[run.ids[k]] = {run.responses[k][0], run.responses[k][1]};
    }

    const int count = VARNO_getParetoDesignIds(&ids, &ranks);
    ASSERT_EQ(count, 40) << lastMessage();
    std::vector<std::pair<double, double>> front;
    for (int k = 0; k < count; ++k) {
        EXPECT_EQ(ranks[k], 1) << "id " << ids[k];
        ASSERT_EQ(evaluated.count(ids[k]), 1u);
        front.push_back(evaluated.at(ids[k]));
    }
    VARNO_freePtr(ids);
    VARNO_freePtr(ranks);
    for (const auto& a : front) {
        for (const auto& b : front) EXPECT_FALSE(dominates(a, b));
    }
    EXPECT_GE(hypervolume(front), 0.9 * trueHypervolume);

    const std::string pareto = readWholeFile(dir.file("s0.pto"));
    EXPECT_EQ(pareto.rfind("Eval #, Rank in Cycle 1\n", 0), 0u) << pareto.substr(0, 80);
}

// For either search, the same seed gives the same designs and another seed others.
TEST_F(SearchStudy, TheSameSeedGivesTheSameDesigns) {
    TempDirectory dir;
    const auto travok = [&](const std::string& seed) {
        return runSphere(dir.path(), 120, seed).designs;
    };
    const auto motravok = [&](const std::string& seed) {
        defineZdt1(dir.path(), 200, seed);
        return runHost(zdtVariables, zdt1).designs;
    };
    for (const auto& [run, budget] :
         {std::pair{std::function(travok), 120u}, {std::function(motravok), 200u}}) {
        const std::vector<std::vector<double>> first = run("0.25");
        EXPECT_EQ(first.size(), budget);
        EXPECT_EQ(run("0.25"), first);
        EXPECT_NE(run("0.75"), first);
    }
}

}  // namespace
}  // namespace varno
