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

class RobustDesignStudy : public testing::CInterfaceTest {
protected:
    testing::TempDirectory dir;

    void SetUp() override {
        CInterfaceTest::SetUp();
        ASSERT_EQ(VARNO_initializeStudySetup(("workingDirectory: " + dir.path()).c_str()), 1);
    }

    void addFactor(const std::string& name, int id, const std::string& levels,
                   const std::string& factorType) {
        const std::string text =
            "type: Continuous\nid: " + std::to_string(id) + "\nmin: -10\nbaseline: 1\nmax: 10";
        ASSERT_EQ(VARNO_defineNewProjectParameter(name.c_str(), text.c_str()), 1);
        pending_.push_back({name, id, levels, factorType});
    }

    void define(const std::string& goal, const std::string& studyType = "doe") {
        ASSERT_EQ(VARNO_createNewStudy("rpd", ("type: " + studyType).c_str()), 1);
        addFactor("x1", 1, "1, 10", "Control");
        addFactor("x2", 2, "1, 10", "Control");
        addFactor("n1", 3, "-1, 1", "Noise");
        addFactor("n2", 4, "-1, 1", "Noise");
        ASSERT_EQ(VARNO_defineNewProjectResponse("y", "type: API"), 1);
        ASSERT_EQ(VARNO_defineStudyLevelData("S", "startAgent: 0\nendAgent: 0\nfilePrefix: rpd\n"
                                                  "randomSeed: 0.5\nmode: newStudy"),
                  1);
        ASSERT_EQ(VARNO_defineSearchMethodData(
                      "m", "method: RobustParameterDesign\ncontrolSampleMethod: 2LevelFull\n"
                           "numFactors: 2\nnoiseSampleMethod: 2LevelFull\nnumFactors: 2"),
                  1)
            << VARNO_getLastMessage();
        for (const Factor& f : pending_) {
            const std::string variable = "type: Continuous\nid: " + std::to_string(f.id) +
                                         "\nresolution: 21\ndistribution: NONE";
            ASSERT_EQ(VARNO_addVariableToStudy(f.name.c_str(), variable.c_str()), 1);
            const std::string factor =
                "type: Continuous\nlevels: " + f.levels + "\nfactorType: " + f.type;
            ASSERT_EQ(VARNO_addDOEFactorToStudy(f.name.c_str(), factor.c_str()), 1)
                << VARNO_getLastMessage();
        }
        ASSERT_EQ(VARNO_addResponseToStudy("y", goal.c_str()), 1) << VARNO_getLastMessage();
    }

private:
    struct Factor {
        std::string name;
        int id;
        std::string levels;
        std::string type;
    };
    std::vector<Factor> pending_;
};

TEST_F(RobustDesignStudy, RatiosFindTheLeastScatteredControlSetting) {
    define("type: response\ngoal: nominal\nacceptMin: -1e300\nacceptMax: 1e300");
    ASSERT_EQ(VARNO_finalizeStudyData(), 1) << VARNO_getLastMessage();
    int* ids = nullptr;
    double** values = nullptr;
    const int n = VARNO_getNextSetOfDesignsFromStudy(&ids, &values);
    ASSERT_EQ(n, 16) << VARNO_getLastMessage();
    std::vector<double> y(16);
    std::vector<double*> rows;
    for (int i = 0; i < n; ++i) {
        // Values: x1, x2, n1, n2. The noise moves y least at x1 = x2 = 10.
        const double scatter =
            (values[i][0] == 10.0 ? 0.1 : 1.0) * (values[i][1] == 10.0 ? 0.5 : 1.0);
        y[static_cast<std::size_t>(i)] = 10.0 + scatter * (values[i][2] + 0.5 * values[i][3]);
        rows.push_back(&y[static_cast<std::size_t>(i)]);
        EXPECT_EQ(values[i][0], values[i / 4 * 4][0]) << "a control run keeps its control values";
    }
    EXPECT_EQ(VARNO_updateResultsForDesignSet(n, ids, nullptr, rows.data(), nullptr), 1);
    VARNO_freePtr(ids);
    VARNO_freePtr(values);
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
}

TEST_F(RobustDesignStudy, GoalsAreRefusedAtFinalising) {
    define("type: objective\nfactor: 1\noption: min_value\ntarget: 0\nquadWt: 0\nlinearWt: 1\n"
           "acceptMin: -1e300\nacceptMax: 1e300");
    EXPECT_EQ(VARNO_finalizeStudyData(), 0);
    EXPECT_NE(testing::lastFatalReason().find("as it is being used by a DOE agent (id=0)."),
              std::string::npos)
        << testing::lastFatalReason();
}

}  // namespace
}  // namespace varno
