// A whole TRAVOK study through the C interface, as a host runs it: a smooth
// problem with a known optimum, every design handed out new, consecutive ids
// and the evaluation budget honoured exactly.
#include <gtest/gtest.h>

#include <array>
#include <set>
#include <string>
#include <vector>

#include "test_support.h"
#include "varno.h"

namespace varno {
namespace {

using testing::TempDirectory;

constexpr int variables = 5;
constexpr std::array<double, variables> optimum = {1.2, -0.7, 2.3, -2.1, 0.4};

// 1 plus the squared distance to the optimum: the optimum value is 1.0.
double shiftedSphere(const double* x) {
    double sum = 1.0;
    for (int i = 0; i < variables; ++i) sum += (x[i] - optimum[i]) * (x[i] - optimum[i]);
    return sum;
}

std::string lastMessage() {
    const char* last = VARNO_getLastMessage();
    return last == nullptr ? std::string("<none>") : std::string(last);
}

void defineStudy(const std::string& directory, int budget, const char* seed) {
    ASSERT_EQ(VARNO_initializeStudySetup(("workingDirectory: " + directory).c_str()), 1);
    ASSERT_EQ(VARNO_createNewStudy("sphere", "type: optimization"), 1);
    for (int i = 1; i <= variables; ++i) {
        const std::string name = "x" + std::to_string(i);
        const std::string id = std::to_string(i);
        ASSERT_EQ(VARNO_defineNewProjectParameter(
                      name.c_str(), ("type: Continuous\nid: " + id + "\nmin: -5\nbaseline: -4\nmax: 5").c_str()),
                  1);
    }
    ASSERT_EQ(VARNO_defineNewProjectResponse("f", "type: API"), 1);
    ASSERT_EQ(VARNO_defineStudyLevelData("S", ("startAgent: 0\nendAgent: 0\nfilePrefix: s\nrandomSeed: " +
                                               std::string(seed) + "\nmode: newStudy")
                                                  .c_str()),
              1);
    ASSERT_EQ(VARNO_defineSearchMethodData(
                  "m", ("method: TRAVOK\nnumEvals: " + std::to_string(budget)).c_str()),
              1)
        << lastMessage();
    for (int i = 1; i <= variables; ++i) {
        const std::string name = "x" + std::to_string(i);
        ASSERT_EQ(VARNO_addVariableToStudy(name.c_str(), ("type: Continuous\nid: " + std::to_string(i) +
                                                          "\nresolution: 1001\ndistribution: NONE")
                                                             .c_str()),
                  1);
    }
    ASSERT_EQ(VARNO_addResponseToStudy(
                  "f", "type: objective\nfactor: 1\noption: min_value\ntarget: 0\nquadWt: 0\n"
                       "linearWt: 1\nacceptMin: -1e300\nacceptMax: 1e300"),
              1);
    ASSERT_EQ(VARNO_finalizeStudyData(), 1) << lastMessage();
}

struct StudyRun {
    std::vector<int> ids;
    std::vector<std::vector<double>> designs;
    double best = 1e300;
};

// The host's loop: get, evaluate, return, until no designs come.
StudyRun runStudy() {
    StudyRun run;
    for (int cycle = 0; cycle < 10000; ++cycle) {
        int* ids = nullptr;
        double** values = nullptr;
        const int count = VARNO_getNextSetOfDesignsFromStudy(&ids, &values);
        if (count == 0) break;
        std::vector<std::vector<double>> responses(static_cast<std::size_t>(count));
        std::vector<double*> pointers;
        for (int k = 0; k < count; ++k) {
            const double f = shiftedSphere(values[k]);
            run.best = std::min(run.best, f);
            run.ids.push_back(ids[k]);
            run.designs.emplace_back(values[k], values[k] + variables);
            responses[static_cast<std::size_t>(k)] = {f};
            pointers.push_back(responses[static_cast<std::size_t>(k)].data());
        }
        EXPECT_EQ(VARNO_updateResultsForDesignSet(count, ids, nullptr, pointers.data(), nullptr), 1);
        VARNO_freePtr(ids);
        VARNO_freePtr(values);
        if (VARNO_isStudyComplete()) break;
    }
    return run;
}

class TravokStudy : public ::testing::Test {
protected:
    TempDirectory dir;
};

TEST_F(TravokStudy, FindsTheOptimumWithNewDesignsWithinTheBudget) {
    constexpr int budget = 1000;
    defineStudy(dir.path(), budget, "0.5");
    const StudyRun run = runStudy();

    ASSERT_EQ(run.ids.size(), static_cast<std::size_t>(budget)) << "the budget is spent exactly";
    for (std::size_t i = 0; i < run.ids.size(); ++i) {
        ASSERT_EQ(run.ids[i], static_cast<int>(i) + 1) << "ids are consecutive";
    }
    EXPECT_EQ(run.designs.front(), std::vector<double>(variables, -4.0))
        << "design 1 is the baseline design";
    const std::set<std::vector<double>> distinct(run.designs.begin(), run.designs.end());
    EXPECT_EQ(distinct.size(), run.designs.size()) << "no design is handed out twice";
    EXPECT_LE(run.best, 1.01) << "within 1% of the optimum value 1.0";

    double bestPerformance = 0.0;
    const int bestId = VARNO_getBestDesignId();
    ASSERT_EQ(VARNO_getPerformanceValueForDesign(bestId, &bestPerformance), 1);
    EXPECT_DOUBLE_EQ(-bestPerformance, run.best);
    EXPECT_EQ(VARNO_isStudyComplete(), 1);
    int* ids = nullptr;
    double** values = nullptr;
    EXPECT_EQ(VARNO_getNextSetOfDesignsFromStudy(&ids, &values), 0);
}

TEST_F(TravokStudy, TheSameSeedGivesTheSameDesigns) {
    defineStudy(dir.path(), 120, "0.25");
    const StudyRun first = runStudy();
    defineStudy(dir.path(), 120, "0.25");
    const StudyRun second = runStudy();
    EXPECT_EQ(first.designs, second.designs);
    defineStudy(dir.path(), 120, "0.75");
    const StudyRun other = runStudy();
    EXPECT_NE(first.designs, other.designs);
}

}  // namespace
}  // namespace varno
