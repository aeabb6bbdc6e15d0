// A whole MOTRAVOK study through the C interface: a two-objective problem
// whose true Pareto front is known, searched until the budget is spent, then
// the Pareto query.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "test_support.h"
#include "varno.h"

namespace varno {
namespace {

using testing::TempDirectory;

constexpr int variables = 4;

// ZDT1 in four variables: the front is f2 = 1 - sqrt(f1) with x2..x4 = 0.
std::pair<double, double> zdt1(const double* x) {
    double sum = 0.0;
    for (int i = 1; i < variables; ++i) sum += x[i];
    const double g = 1.0 + 9.0 * sum / (variables - 1);
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

std::string lastMessage() {
    const char* last = VARNO_getLastMessage();
    return last == nullptr ? std::string("<none>") : std::string(last);
}

void defineStudy(const std::string& directory, int budget) {
    ASSERT_EQ(VARNO_initializeStudySetup(("workingDirectory: " + directory).c_str()), 1);
    ASSERT_EQ(VARNO_createNewStudy("zdt1", "type: optimization"), 1);
    for (int i = 1; i <= variables; ++i) {
        const std::string name = "x" + std::to_string(i);
        ASSERT_EQ(VARNO_defineNewProjectParameter(
                      name.c_str(), ("type: Continuous\nid: " + std::to_string(i) +
                                     "\nmin: 0\nbaseline: 0.5\nmax: 1")
                                        .c_str()),
                  1);
    }
    for (const char* response : {"f1", "f2"}) {
        ASSERT_EQ(VARNO_defineNewProjectResponse(response, "type: API"), 1);
    }
    ASSERT_EQ(VARNO_defineStudyLevelData(
                  "S", "startAgent: 0\nendAgent: 0\nfilePrefix: zdt\nrandomSeed: 0.5\nmode: newStudy"),
              1);
    ASSERT_EQ(VARNO_defineSearchMethodData(
                  "m", ("method: MOTRAVOK\nnumEvals: " + std::to_string(budget) +
                        "\narchiveSize: 40\nshutOff: 0")
                           .c_str()),
              1)
        << lastMessage();
    for (int i = 1; i <= variables; ++i) {
        const std::string name = "x" + std::to_string(i);
        ASSERT_EQ(VARNO_addVariableToStudy(name.c_str(), ("type: Continuous\nid: " + std::to_string(i) +
                                                          "\nresolution: 1001\ndistribution: NONE")
                                                             .c_str()),
                  1);
    }
    for (const char* response : {"f1", "f2"}) {
        ASSERT_EQ(VARNO_addResponseToStudy(
                      response, "type: objective\nfactor: 1\noption: min_value\ntarget: 0\n"
                                "quadWt: 0\nlinearWt: 1\nacceptMin: -1e300\nacceptMax: 1e300"),
                  1);
    }
    ASSERT_EQ(VARNO_finalizeStudyData(), 1) << lastMessage();
}

// Runs the host loop; returns every evaluated design's objectives by id.
std::map<int, std::pair<double, double>> runStudy() {
    std::map<int, std::pair<double, double>> evaluated;
    for (int cycle = 0; cycle < 10000; ++cycle) {
        int* ids = nullptr;
        double** values = nullptr;
        const int count = VARNO_getNextSetOfDesignsFromStudy(&ids, &values);
        if (count == 0) break;
        std::vector<std::vector<double>> responses;
        std::vector<double*> pointers;
        responses.reserve(static_cast<std::size_t>(count));
        for (int k = 0; k < count; ++k) {
            const auto [f1, f2] = zdt1(values[k]);
            evaluated[ids[k]] = {f1, f2};
            responses.push_back({f1, f2});
            pointers.push_back(responses.back().data());
        }
        EXPECT_EQ(VARNO_updateResultsForDesignSet(count, ids, nullptr, pointers.data(), nullptr), 1);
        VARNO_freePtr(ids);
        VARNO_freePtr(values);
        if (VARNO_isStudyComplete()) break;
    }
    return evaluated;
}

bool dominates(const std::pair<double, double>& a, const std::pair<double, double>& b) {
    return a.first <= b.first && a.second <= b.second && a != b;
}

TEST(MotravokStudy, FindsANonDominatedFrontCloseToTheTrueOne) {
    TempDirectory dir;
    constexpr int budget = 3000;
    defineStudy(dir.path(), budget);
    EXPECT_EQ(VARNO_getIntStudyData(0), 40) << "the archive size";
    const auto evaluated = runStudy();
    EXPECT_EQ(evaluated.size(), static_cast<std::size_t>(budget));

    int* ids = nullptr;
    int* ranks = nullptr;
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

    const std::string pareto = testing::readWholeFile(dir.file("zdt0.pto"));
    EXPECT_EQ(pareto.rfind("Eval #, Rank in Cycle 1\n", 0), 0u) << pareto.substr(0, 80);
}

TEST(MotravokStudy, TheParetoQueryNeedsAnArchiveOfDesigns) {
    TempDirectory dir;
    defineStudy(dir.path(), 500);
    int* ids = nullptr;
    int* ranks = nullptr;
    EXPECT_EQ(VARNO_getParetoDesignIds(&ids, &ranks), 0);
    EXPECT_EQ(ids, nullptr);
    EXPECT_EQ(ranks, nullptr);
    EXPECT_EQ(lastMessage(), "Not enough designs in the database to form a Pareto Front.");
}

}  // namespace
}  // namespace varno
