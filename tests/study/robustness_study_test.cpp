// Robustness and reliability studies through the C interface: the samples in
// one set, the statistics and reliability files, failed samples left out,
// and the set-up refusals at finalising.
#include <string>
#include <tuple>
#include <vector>

#include "test_support.h"

namespace varno {
namespace {

using testing::lastMessage;

class RobustnessStudy : public testing::StudyInFolder {
protected:
    // One variable x, parameters R ~ N(10, 1) and S ~ N(7, 1) and a plain
    // parameter c; response g with `goal` (a study-response definition).
    void define(const std::string& method, const std::string& goal) {
        testing::defineThrough({
            {VARNO_createNewStudy, "rr", "type: reliability and robustness"},
            {VARNO_defineNewDistribution, "unit", "type: Normal\nstdDev: 1"},
            {VARNO_defineNewProjectParameter, "x",
             "type: Continuous\nid: 1\nmin: 0\nbaseline: 5\nmax: 10"},
            {VARNO_defineNewProjectParameter, "R",
             "type: Parameter\nid: 2\nbaseline: 10\ndistribution: unit"},
            {VARNO_defineNewProjectParameter, "c", "type: Parameter\nid: 3\nbaseline: 1"},
            {VARNO_defineNewProjectParameter, "S",
             "type: Parameter\nid: 4\nbaseline: 7\ndistribution: unit"},
            {VARNO_defineNewProjectResponse, "g", "type: API"},
            {VARNO_defineStudyLevelData, "S",
             "startAgent: 0\nendAgent: 0\nfilePrefix: rr\nrandomSeed: 0.5\nmode: newStudy"},
        });
        if (VARNO_defineSearchMethodData("m", method.c_str()) != 1) return;
        testing::defineThrough({
            {VARNO_addVariableToStudy, "x",
             "type: Continuous\nid: 1\nresolution: 11\ndistribution: NONE"},
            {VARNO_addResponseToStudy, "g", goal},
        });
    }
};

const char* const atLeastZero =
    "type: constraint\nfactor: 1\noption: greater_equal\ntarget: 0\nquadWt: 1\nlinearWt: 0\n"
    "acceptMin: -1e300\nacceptMax: 1e300";
const char* const plainResponse = "type: response\ngoal: NONE\nacceptMin: -1e300\nacceptMax: 1e300";

TEST_F(RobustnessStudy, ReliabilityOfSamplesFromOneSet) {
    define("method: reliability\nnumEvals: 400\nsampleMethod: OtherLHC", atLeastZero);
    ASSERT_EQ(VARNO_finalizeStudyData(), 1) << lastMessage();
    // Values: x, then the parameters R, c, S. Sample 0 fails.
    int failures = 0;
    std::vector<double> drawsOfR;
    const auto answered = testing::answerNextSet([&](int i, const double* values, int& failed) {
        EXPECT_EQ(std::pair(values[0], values[2]), std::pair(5.0, 1.0));
        drawsOfR.push_back(values[1]);
        const double g = values[1] - values[3];
        failed = i == 0;
        failures += i > 0 && g < 0.0;
        return std::vector{g};
    });
    ASSERT_EQ(answered, std::pair(400, 1)) << lastMessage();
    EXPECT_NE(drawsOfR[1], drawsOfR[2]);
    EXPECT_EQ(VARNO_isStudyComplete(), 1);
    const std::string file = testing::readWholeFile(dir.path() + "/RandR_0_g.out");
    EXPECT_NE(file.find("\n               g,       399,"), std::string::npos) << file;
    char expected[100];
    std::snprintf(expected, sizeof expected, "\n    Probability of failure: %g", failures / 399.0);
    EXPECT_NE(file.find(expected), std::string::npos) << file;
    EXPECT_NE(file.find("****** RELIABILITY RESULTS FOR R&R AGENT ******"), std::string::npos);
    // The surface of g over the parameters R and S: g = R - S exactly.
    const std::string model = testing::readWholeFile(dir.path() + "/g-Quadratic-0.mdl");
    EXPECT_NE(model.find("Number of variables used = 2"), std::string::npos) << model;
    EXPECT_TRUE(testing::logMentions("1 of the 400 samples of the R&R study failed"));
}

TEST_F(RobustnessStudy, AllSamplesFailedWritesNoSamples) {
    define("method: robustness\nnumEvals: 2\nsampleMethod: OtherMonteCarlo", plainResponse);
    ASSERT_EQ(VARNO_finalizeStudyData(), 1) << lastMessage();
    const auto allFail = [](int, const double*, int& failed) {
        failed = 1;
        return std::vector{0.0};
    };
    ASSERT_EQ(testing::answerNextSet(allFail), std::pair(2, 1));
    EXPECT_EQ(testing::readWholeFile(dir.path() + "/RandR_0_g.out"),
              "\n    ****** ANOVA RESULTS FOR R&R AGENT ******\n\n    #Samples 0\n\n\n");
}

TEST_F(RobustnessStudy, SetUpRefusals) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"method: robustness\nnumEvals: 1\nsampleMethod: OtherMonteCarlo", plainResponse,
         "The number of evaluations for the reliability and robustness method must be at least 2. "
         "Found 1."},
        {"method: robustness\nnumEvals: 2\nsampleMethod: OtherMonteCarlo", atLeastZero,
         "Performance id 0 cannot have any objectives or constraints defined  as it is being used "
         "by a R&R agent (id=0) for robustness assessment."},
        {"method: reliability\nnumEvals: 2\nsampleMethod: OtherLHC", plainResponse,
         "must have at least one constraint"},
    };
    for (const auto& [method, goal, reason] : cases) {
        initialise();
        define(method, goal);
        EXPECT_EQ(VARNO_finalizeStudyData(), 0);
        EXPECT_NE(testing::lastFatalReason().find(reason), std::string::npos)
            << testing::lastFatalReason();
    }
}

}  // namespace
}  // namespace varno
