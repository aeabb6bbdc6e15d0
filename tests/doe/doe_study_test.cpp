// A designed experiment through the C interface: the whole array in one set,
// repeated runs evaluated once, the factor labels, and the set-up refusals.
#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "frame/text_format.h"
#include "test_support.h"

namespace varno {
namespace {

using testing::lastMessage;

class DoeStudy : public testing::StudyInFolder {
protected:
    // Four continuous variables x1 … x4 on [0, 10]; `factors` of them are
    // DOE factors with `levels`; the method block is `method`.
    void define(const std::string& method, int factors, const std::string& levels) {
        std::vector<testing::SetUpCall> calls = {
            {VARNO_createNewStudy, "doe", "type: doe"},
            {VARNO_defineNewProjectResponse, "f", "type: API"},
            {VARNO_defineStudyLevelData, "S",
             "startAgent: 0\nendAgent: 0\nfilePrefix: doe\nrandomSeed: 0.5\nmode: newStudy"},
            {VARNO_defineSearchMethodData, "m", "method: DOE\n" + method}};
        for (int i = 1; i <= 4; ++i) {
            const std::string name = "x" + std::to_string(i);
            const std::string variable = "type: Continuous\nid: " + std::to_string(i);
            calls.insert(calls.begin() + i, {VARNO_defineNewProjectParameter, name,
                                             variable + "\nmin: 0\nbaseline: 5\nmax: 10"});
            calls.push_back({VARNO_addVariableToStudy, name,
                             variable + "\nresolution: 11\ndistribution: NONE"});
            if (i > factors) continue;
            calls.push_back({VARNO_addDOEFactorToStudy, name,
                             "type: Continuous\nlevels: " + levels + "\nfactorType: Control"});
        }
        calls.push_back({VARNO_addResponseToStudy, "f",
                         "type: response\ngoal: NONE\nacceptMin: -1e300\nacceptMax: 1e300"});
        testing::defineThrough(calls);
    }

    // Returns `response` of their values as the results of the `count`
    // designs handed out, with the error flags `errors` when given.
    void answerAll(int count, const std::function<double(const double*)>& response,
                   int* errors = nullptr) {
        std::vector<double> responses;
        for (int i = 0; i < count; ++i) responses.push_back(response(handed[i]));
        std::vector<double*> rows;
        for (double& r : responses) rows.push_back(&r);
        EXPECT_EQ(VARNO_updateResultsForDesignSet(count, ids, errors, rows.data(), nullptr), 1);
        VARNO_freePtr(ids);
        VARNO_freePtr(handed);
    }
    int* ids = nullptr;  // the last designs handed out
    double** handed = nullptr;
};

// The whole array goes out in one set, repeated runs once. Study results
// need every design of the array; a refusal leaves the cycle as it was.
TEST_F(DoeStudy, HandsOutTheWholeArrayOnceAndCompletes) {
    int count = 7;
    EXPECT_EQ(VARNO_getFactorNames(&count), nullptr) << "no names before the array exists";
    EXPECT_EQ(count, 0);
    define("sampleMethod: 2LevelPB\nnumFactors: 4\nnumEvals: 12", 4, "1, 10");
    ASSERT_EQ(VARNO_finalizeStudyData(), 1) << lastMessage();
    char** names = VARNO_getFactorNames(&count);
    ASSERT_EQ(count, 4);
    EXPECT_EQ((std::vector<std::string>(names, names + 4)),
              (std::vector<std::string>{"A", "B", "C", "D"}));
    const std::string notAllShared =
        "Error in calling the VARNO_generateStudyResultsFiles function. Not all designs for the "
        "study have been shared before trying to create the study results.";
    EXPECT_EQ(VARNO_generateStudyResultsFiles(), 0);
    EXPECT_EQ(lastMessage(), notAllShared);

    const int n = VARNO_getNextSetOfDesignsFromStudy(&ids, &handed);
    const Study& study = *currentStudy();
    ASSERT_EQ(study.doeRuns.runToDesign.size(), 12u);
    ASSERT_EQ(n, static_cast<int>(study.doeRuns.designValues.size()));
    EXPECT_LT(n, 12) << "12 runs over 16 corners repeat some corners";
    std::set<std::vector<double>> distinct;
    for (int i = 0; i < n; ++i) {
        const std::vector<double> row(handed[i], handed[i] + 4);
        distinct.insert(row);
        for (double v : row) EXPECT_TRUE(v == 1.0 || v == 10.0) << "level values, not codes";
    }
    EXPECT_EQ(distinct.size(), static_cast<std::size_t>(n));
    for (int run = 0; run < 12; ++run) {
        const int design = study.doeRuns.runToDesign[static_cast<std::size_t>(run)];
        for (int j = 0; j < 4; ++j) {
            EXPECT_EQ(study.doeRuns.designValues[design][j],
                      study.doeTable->level(run, j) == 1 ? 10.0 : 1.0);
        }
    }
    EXPECT_EQ(VARNO_generateStudyResultsFiles(), 0);
    EXPECT_EQ(lastMessage(), notAllShared);
    EXPECT_EQ(library().designSetPending, 1);

    answerAll(n, [](const double*) { return 3.0; });
    EXPECT_EQ(VARNO_isStudyComplete(), 1);
    EXPECT_EQ(VARNO_generateStudyResultsFiles(), 1) << lastMessage();
    const std::string table = testing::readWholeFile(dir.file("doe0.res"));
    EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), n + 1);
    EXPECT_EQ(VARNO_getNextSetOfDesignsFromStudy(&ids, &handed), 0);
    EXPECT_EQ(lastMessage(), "No more designs to evaluate for this study. Only Optimization "
                             "studies allow multiple cycles.");
    // The seven columns past the factors carry no interaction.
    char** interactions = VARNO_getInteractionNames(&count);
    ASSERT_EQ(count, 7);
    for (int i = 0; i < count; ++i) EXPECT_STREQ(interactions[i], "");
}

// Existing designs: the designs the host shares, once their results are in,
// are the array; each factor is normalised over its range to a level of 100001.
TEST_F(DoeStudy, ExistingDesignsAreTheSharedDesigns) {
    define("sampleMethod: OtherExisting\nnumFactors: 2\nnumEvals: 10", 2, "0, 10");
    ASSERT_EQ(VARNO_finalizeStudyData(), 1) << lastMessage();
    double rows[3][4] = {{0, 10, 5, 5}, {5, 2.5, 5, 5}, {10, 0, 1, 9}};
    double responses[3] = {1.0, 2.0, 3.0};
    double* values[3] = {rows[0], rows[1], rows[2]};
    double* results[3] = {&responses[0], &responses[1], &responses[2]};
    int kinds[3] = {2, 2, 2};
    ASSERT_EQ(VARNO_shareDesigns("old", 3, kinds, 4, values, 1, results, nullptr, nullptr), 1)
        << lastMessage();
    EXPECT_EQ(VARNO_getNextSetOfDesignsFromStudy(&ids, &handed), 0) << "all have results";
    EXPECT_EQ(VARNO_isStudyComplete(), 1);
    const Study& study = *currentStudy();
    ASSERT_TRUE(study.doeTable);
    ASSERT_EQ(study.doeTable->num_runs, 3);
    EXPECT_EQ(study.doeTable->array,
              (std::vector<std::vector<int>>{{0, 100000}, {50000, 25000}, {100000, 0}}));
    EXPECT_EQ(study.doeRuns.designIds.size(), 3u);
}

TEST_F(DoeStudy, ExistingDesignsNeedDesigns) {
    define("sampleMethod: OtherExisting\nnumFactors: 2\nnumEvals: 10", 2, "0, 10");
    ASSERT_EQ(VARNO_finalizeStudyData(), 1) << lastMessage();
    EXPECT_EQ(VARNO_getNextSetOfDesignsFromStudy(&ids, &handed), 0);
    EXPECT_NE(testing::lastFatalReason().find(
                  "Either could not locate the UserDesigns file or this file did not contain any "
                  "designs.\n The DOE type selected requires you to specify the designs to be "
                  "used in the RSM fit."),
              std::string::npos)
        << testing::lastFatalReason();
}

TEST_F(DoeStudy, RefusesWhatTheFactorsCannotServe) {
    const std::tuple<const char*, int, const char*, const char*> refusals[] = {
        {"sampleMethod: 2LevelFull\nnumFactors: 3", 2, "1, 10",
         "The DOE method names 3 factors (numFactors) but 2 DOE factors were added to the study."},
        {"sampleMethod: 2LevelFull\nnumFactors: 2", 2, "1, 5, 10",
         "is not consistent with the doe type defined."},
        {"sampleMethod: OtherLHC\nnumFactors: 2\nnumEvals: 20000", 2, "1, 10",
         "The DOE array of the study has 20000 runs, more than the limit of 10000 designs per "
         "study."},
        {"sampleMethod: OtherCC\nnumFactors: 1", 1, "1, 2, 3, 4, 5",
         "At least TWO factors need to be defined for using the Central Composite DOE in agent "
         "# 0."},
    };
    for (const auto& [method, factors, levels, text] : refusals) {
        testing::resetLibrary();
        initialise();
        define(method, factors, levels);
        EXPECT_EQ(VARNO_finalizeStudyData(), 0);
        EXPECT_NE(testing::lastFatalReason().find(text), std::string::npos)
            << testing::lastFatalReason();
        VARNO_endStudy();
    }
}

class DoeAnalysisStudy : public DoeStudy {
protected:
    // A 2^3 full factorial over x1 … x3 whose response is 10 ± 2 by x1,
    // with `failing` designs reported as failed.
    void runFullFactorial(int failing) {
        define("sampleMethod: 2LevelFull\nnumFactors: 3", 3, "1, 10");
        ASSERT_EQ(VARNO_finalizeStudyData(), 1) << lastMessage();
        const int n = VARNO_getNextSetOfDesignsFromStudy(&ids, &handed);
        ASSERT_EQ(n, 8);
        std::vector<int> errors(8, 0);
        std::fill_n(errors.begin(), failing, 1);
        answerAll(
            n, [](const double* x) { return x[0] == 10.0 ? 12.0 : 8.0; }, errors.data());
        EXPECT_EQ(VARNO_isStudyComplete(), 1);
    }
};

TEST_F(DoeAnalysisStudy, QueriesReadTheLevelMeansOfTheAnalysis) {
    int levels = -1, terms = -1, count = -1;
    runFullFactorial(0);
    double** effects = VARNO_getDOEEffectsData(&levels, &terms);
    ASSERT_NE(effects, nullptr);
    ASSERT_EQ(levels, 2);
    ASSERT_EQ(terms, 7);
    EXPECT_EQ(effects[0][0], 8.0);
    EXPECT_EQ(effects[1][0], 12.0);
    EXPECT_EQ(effects[0][3], 10.0) << "AB: both levels hold two runs of each A level";
    double* contributions = VARNO_getPercentContribution(&count);
    ASSERT_EQ(count, 7);
    EXPECT_EQ((std::vector<double>(contributions, contributions + 7)),
              (std::vector<double>{100, 0, 0, 0, 0, 0, 0}));
    char** names = VARNO_getInteractionNames(&count);
    ASSERT_EQ(count, 4);
    EXPECT_EQ((std::vector<std::string>(names, names + 4)),
              (std::vector<std::string>{"AB", "AC", "BC", "ABC"}));
    const std::string report = testing::readWholeFile(
        dir.file(formatText("DOE_%d_f.out", currentStudy()->agent().number)));
    EXPECT_NE(report.find("Identity Report: I\nSS_Size = 7\n"), std::string::npos) << report;
    // Two-level factors allow a linear surface only; it fits y exactly.
    const std::string model = testing::readWholeFile(
        dir.file(formatText("f-Linear-%d.mdl", currentStudy()->agent().number)));
    EXPECT_NE(model.find("Linear"), std::string::npos) << model;
}

TEST_F(DoeAnalysisStudy, FailedDesignsLeaveNoAnalysis) {
    runFullFactorial(1);
    int levels = -1, terms = -1, count = -1;
    EXPECT_EQ(VARNO_getDOEEffectsData(&levels, &terms), nullptr);
    EXPECT_EQ(levels + terms, 0);
    EXPECT_EQ(VARNO_getPercentContribution(&count), nullptr);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(VARNO_getInteractionNames(&count), nullptr);
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(testing::logMentions("*WARNING\nThe DOE annova calculations are not performed "
                                     "when some designs have errors."));
}

}  // namespace
}  // namespace varno
