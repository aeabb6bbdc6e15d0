// A robust parameter design through the C interface: a 4-run control array
// crossed with a 4-run noise array, and a planted control setting whose
// response scatters least over the noise, which the ratios must find.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "study/robust_design_study.h"
#include "study/study.h"
#include "test_support.h"

namespace varno {
namespace {

// Controls x1, x2 and noises n1, n2, each on [-10, 10] at two levels;
// response y with `goal`, in a study of `studyType`.
class RobustDesignStudy : public testing::StudyInFolder {
protected:
    void define(const std::string& goal, const std::string& studyType = "doe") {
        std::vector<testing::SetUpCall> calls = {
            {VARNO_createNewStudy, "rpd", "type: " + studyType},
            {VARNO_defineNewProjectResponse, "y", "type: API"},
            {VARNO_defineStudyLevelData, "S",
             "startAgent: 0\nendAgent: 0\nfilePrefix: rpd\nrandomSeed: 0.5\nmode: newStudy"},
            {VARNO_defineSearchMethodData, "m",
             "method: RobustParameterDesign\ncontrolSampleMethod: 2LevelFull\nnumFactors: 2\n"
             "noiseSampleMethod: 2LevelFull\nnumFactors: 2"}};
        const char* const names[] = {"x1", "x2", "n1", "n2"};
        for (int i = 0; i < 4; ++i) {
            const std::string variable = "type: Continuous\nid: " + std::to_string(i + 1);
            calls.insert(calls.begin() + 1 + i, {VARNO_defineNewProjectParameter, names[i],
                                                 variable + "\nmin: -10\nbaseline: 1\nmax: 10"});
            calls.push_back({VARNO_addVariableToStudy, names[i],
                             variable + "\nresolution: 21\ndistribution: NONE"});
            calls.push_back({VARNO_addDOEFactorToStudy, names[i],
                             i < 2 ? "type: Continuous\nlevels: 1, 10\nfactorType: Control"
                                   : "type: Continuous\nlevels: -1, 1\nfactorType: Noise"});
        }
        calls.push_back({VARNO_addResponseToStudy, "y", goal});
        testing::defineThrough(calls);
    }
};

TEST_F(RobustDesignStudy, RatiosFindTheLeastScatteredControlSetting) {
    define("type: response\ngoal: nominal\nacceptMin: -1e300\nacceptMax: 1e300");
    ASSERT_EQ(VARNO_finalizeStudyData(), 1) << VARNO_getLastMessage();
    std::vector<double> controlX1;
    const auto answered = testing::answerNextSet([&](int i, const double* values, int&) {
        // Values: x1, x2, n1, n2. The noise moves y least at x1 = x2 = 10.
        controlX1.push_back(values[0]);
        EXPECT_EQ(values[0], controlX1[i / 4 * 4]) << "a control run keeps its control values";
        const double scatter = (values[0] == 10.0 ? 0.1 : 1.0) * (values[1] == 10.0 ? 0.5 : 1.0);
        return std::vector{10.0 + scatter * (values[2] + 0.5 * values[3])};
    });
    ASSERT_EQ(answered, std::pair(16, 1)) << VARNO_getLastMessage();
    EXPECT_EQ(VARNO_isStudyComplete(), 1);
    const Study& study = *currentStudy();
    ASSERT_EQ(study.controlRunSummaries.size(), 1u);
    const doe::ControlRunSummary& summary = study.controlRunSummaries.front().second;
    ASSERT_EQ(summary.snRatios.size(), 4u);
    for (double mean : summary.means) EXPECT_DOUBLE_EQ(mean, 10.0);
    const auto best = std::max_element(summary.snRatios.begin(), summary.snRatios.end()) -
                      summary.snRatios.begin();
    EXPECT_EQ(study.doeTable->level(summary.controlRuns[static_cast<std::size_t>(best)], 0), 1);
    EXPECT_EQ(study.doeTable->level(summary.controlRuns[static_cast<std::size_t>(best)], 1), 1);
    // Both vectors are analysed over the control array like a DOE response.
    const std::string& response = study.controlRunSummaries.front().first;
    for (const char* vector : {"means", "SNratio"}) {
        EXPECT_TRUE(std::filesystem::exists(robustAnalysisPath(study, response, vector))) << vector;
    }
}

TEST_F(RobustDesignStudy, OnlyADoeAgentWithoutGoalsIsAccepted) {
    define("type: response\ngoal: nominal\nacceptMin: -1e300\nacceptMax: 1e300", "evaluation");
    EXPECT_EQ(VARNO_finalizeStudyData(), 0);
    EXPECT_EQ(testing::lastFatalReason(),
              "*ERROR\nA robust parameter design needs a study of type \"doe\".");
    initialise();
    define("type: objective\nfactor: 1\noption: min_value\ntarget: 0\nquadWt: 0\nlinearWt: 1\n"
           "acceptMin: -1e300\nacceptMax: 1e300");
    EXPECT_EQ(VARNO_finalizeStudyData(), 0);
    EXPECT_NE(testing::lastFatalReason().find("as it is being used by a DOE agent (id=0)."),
              std::string::npos)
        << testing::lastFatalReason();
}

}  // namespace
}  // namespace varno
