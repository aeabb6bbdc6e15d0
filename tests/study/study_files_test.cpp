// The files a study writes through the C interface: the report, the results
// and graph tables, the best-design and plot files, the result-file calls and
// what the end of the study removes.
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "frame/call_frame.h"
#include "frame/fatal_error.h"
#include "study/study_history_test_support.h"
#include "support/seams.h"
#include "test_support.h"
#include "varno.h"

namespace varno {
namespace {

using testing::lastMessage;
using testing::readWholeFile;

constexpr std::int64_t fixedClock = 1796558593;  // a fixed moment of the wall clock

// The local time of the fixed clock in `format`.
std::string fixedTime(const char* format) {
    const auto seconds = static_cast<std::time_t>(fixedClock);
    char text[64];
    std::strftime(text, sizeof text, format, std::localtime(&seconds));
    return text;
}

void replaceAll(std::string& text, const std::string& mark, const std::string& value) {
    for (auto at = text.find(mark); at != std::string::npos; at = text.find(mark, at)) {
        text.replace(at, mark.size(), value);
    }
}

// `text` with @START@ made the start time and @DIR@ the working directory.
std::string withRunDetails(std::string text, const std::string& directory) {
    replaceAll(text, "@START@", fixedTime("%a %b %e %H:%M:%S %Y"));  // asctime's, no line end
    replaceAll(text, "@DIR@", directory);
    return text;
}

// The library starts on a fixed wall clock.
class StudyFiles : public testing::StudyInFolder {
protected:
    void SetUp() override {
        support::seams().wallClockSeconds = [] { return fixedClock; };
        StudyInFolder::SetUp();
    }
    std::string file(const std::string& name) const { return readWholeFile(dir.file(name)); }
    bool exists(const std::string& name) const { return std::filesystem::exists(dir.file(name)); }
};

// A beam study with every kind of variable, parameter and response goal.
void defineBeamStudy(const std::string& runtimeOptions) {
    std::vector<testing::SetUpCall> calls = {
        {VARNO_createNewStudy, "beam", "type: optimization"},
        {VARNO_defineNewDistribution, "spread", "type: Normal\nmean: 5\nstdDev: 1"},
        {VARNO_defineNewDiscreteSet, "sections", "ordered: 1\nvalues:3\nI100\nI200\nI300"},
        {VARNO_defineNewProjectParameter, "x1",
         "type: Continuous\nid: 1\nmin: 0\nbaseline: 2.5\nmax: 10"},
        {VARNO_defineNewProjectParameter, "x2",
         "type: Continuous\nid: 2\nmin: -1\nbaseline: 0\nmax: 1"},
        {VARNO_defineNewProjectParameter, "section",
         "type: Discrete\nid: 3\nset: sections\nbaseline: 2"},
        {VARNO_defineNewProjectParameter, "load",
         "type: Parameter\nid: 4\nbaseline: 2\ndistribution: spread"},
        {VARNO_defineNewProjectParameter, "span", "type: Parameter\nid: 5\nbaseline: 0.5"},
        {VARNO_defineNewProjectParameter, "area", "type: Dependent\nid: 6\nformula: x1 * x2"},
        {VARNO_defineNewProjectParameter, "label", "type: String\nid: 7\nbaseline: beam A"}};
    for (const char* name : {"f1", "f2", "f3", "f4", "g1", "g2", "g3", "note"})
        calls.push_back({VARNO_defineNewProjectResponse, name, "type: API"});
    const std::string tail = "\nquadWt: 0\nlinearWt: 1\nacceptMin: -1e300\nacceptMax: 1e300";
    const std::string plain = "type: response\ngoal: NONE\nacceptMin: -1e300\nacceptMax: 1e300";
    calls.insert(calls.end(),
                 {{VARNO_defineNewProjectResponse, "ratio", "type: Formula\nformula: x1 / load"},
                  {VARNO_defineStudyLevelData, "Beam study",
                   "startAgent: 0\nendAgent: 0\nfilePrefix: beam\nrandomSeed: 0.5\nmode: newStudy"},
                  {VARNO_defineSearchMethodData, "m", "method: TRAVOK\nnumEvals: 60"},
                  {VARNO_defineStudyRuntimeOptions, "r", runtimeOptions},
                  {VARNO_addVariableToStudy, "x2",
                   "type: Continuous\nid: 2\nresolution: 21\ndistribution: NONE"},
                  {VARNO_addVariableToStudy, "x1",
                   "type: Continuous\nid: 1\nresolution: 101\ndistribution: spread"},
                  {VARNO_addVariableToStudy, "section", "type: Discrete\nid: 3"},
                  {VARNO_addResponseToStudy, "f1",
                   "type: objective\nfactor: 2\noption: min_value\ntarget: 0" + tail},
                  {VARNO_addResponseToStudy, "f2",
                   "type: objective\nfactor: baseline\noption: equal\ntarget: 3" + tail},
                  {VARNO_addResponseToStudy, "f3",
                   "type: objective\nfactor: 1\noption: max_value\ntarget: 0" + tail},
                  {VARNO_addResponseToStudy, "f4",
                   "type: objective\nfactor: 1\noption: max_diff\ntarget: 4" + tail},
                  {VARNO_addResponseToStudy, "g1",
                   "type: constraint\nfactor: 1\noption: less_equal\ntarget: 5" + tail},
                  {VARNO_addResponseToStudy, "g2",
                   "type: constraint\nfactor: 1\noption: equal\ntarget: 1.5" + tail},
                  {VARNO_addResponseToStudy, "g3",
                   "type: constraint\nfactor: 1\noption: greater_equal\ntarget: -2" + tail},
                  {VARNO_addResponseToStudy, "note", plain},
                  {VARNO_addResponseToStudy, "ratio", plain}});
    testing::defineThrough(calls);
}

TEST_F(StudyFiles, ReportHeadSetsOutTheWholeDefinition) {
    defineBeamStudy("turnOffHashing: 1");
    ASSERT_EQ(VARNO_finalizeStudyData(), 1) << lastMessage();
    const char* expected =
        "Version: 2019.1.0.8677\n"
        "Start time: @START@\n\n"
        "Working directory: @DIR@\n"
        "POST directory: @DIR@\n"
        "Evaluation directory: @DIR@\n\n*********** GENERAL AGENT INFORMATION ***********\n\n"
        "filePrefix: beam\n\nagentName: Search_1\n\nStudy Type: optimization\n\n"
        "studyName: Beam study\n\nAgent ID: 0\n\nAgents in this group:  0,\n\nprocessName: 0\n\n"
        "Random seed: 0.500000\n\n"
        "Number of design variables: 3\n"
        " x1,    1, CONTINUOUS, 0.000000e+00, 2.500000e+00, 1.000000e+01,        101,"
        "                   spread,\n"
        " x2,    2, CONTINUOUS, -1.000000e+00, 0.000000e+00, 1.000000e+00,         21,"
        "                     None,\n"
        " section, 3, DISCRETE, sections,     3, 2, Choices ->I100,I200,I300\n\n\n"
        "Number of parameters: 2\n\n"
        " load,    4, 2.00000000e+00, spread\n"
        " span,    5, 5.00000000e-01, None\n\n\nNumber of dependents: 1\n\n"
        " area, 6, None, _result=x1 * x2\n\n\nNumber of string parameters: 1\n\n"
        " label,    7, beam A\n\n\n*********** RESPONSE VARIABLE INFORMATION ***********\n\n"
        "Number of responses: 9\n\n"
        "                   f1,  OBJECTIVE,  Minimize, , Norm = 2.000000e+00\n"
        "                   f2,  OBJECTIVE,  Match target, 3 , Norm = Use baseline design value\n"
        "                   f3,  OBJECTIVE,  Maximize, , Norm = 1.000000e+00\n"
        "                   f4,  OBJECTIVE,  Push away from target, 4 , Norm = 1.000000e+00\n"
        "                   g1, CONSTRAINT, Less than, 5.000000e+00 , Norm = 1.000000e+00\n"
        "                   g2, CONSTRAINT, Match target, 1.500000e+00 , Norm = 1.000000e+00\n"
        "                   g3, CONSTRAINT, More than, -2.000000e+00 , Norm = 1.000000e+00\n"
        "                 note, PREREQUISITE\n"
        "                ratio, PREREQUISITE, _result=x1 / load\n\n\n"
        "*AGENT\n"
        "name: m\n"
        "method: TRAVOK\n"
        "numEvals: 60\n\n\n\n"
        "**** The design hashing has been turned off by the user. Same designs could be "
        "re-evaluated.";
    EXPECT_EQ(file("beam0.rpt"), withRunDetails(expected, dir.path()));
}

std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

TEST_F(StudyFiles, ReportTailClosesTheRunOnceWithItsExitState) {
    defineBeamStudy("verbose: 0");
    ASSERT_EQ(VARNO_finalizeStudyData(), 1) << lastMessage();
    ASSERT_EQ(VARNO_endStudy(), 1);
    const std::string report = file("beam0.rpt");
    const std::string tail = "\nEnd of VARNO run.\n*EXIT STATE\nCancelled\n*ENDTIME\n" +
                             fixedTime("%Y-%m-%dT%H:%M:%S") + ".000\n";
    ASSERT_GE(report.size(), tail.size());
    EXPECT_EQ(report.substr(report.size() - tail.size()), tail);

    initialise();
    defineBeamStudy("verbose: 0");
    ASSERT_EQ(VARNO_finalizeStudyData(), 1) << lastMessage();
    runTrapped(CallRule{"test", Lifecycle::any}, 0, []() -> int { fatalError("Stop here."); });
    ASSERT_EQ(VARNO_endStudy(), 1);
    const std::string failed = file("beam0.rpt");
    EXPECT_EQ(occurrences(failed, "*EXIT STATE"), 1u) << failed;
    EXPECT_NE(failed.find("*EXIT STATE\nError\n"), std::string::npos);
}

TEST_F(StudyFiles, ReportOnRequestNeedsTheFilePrefix) {
    ASSERT_EQ(VARNO_createNewStudy("beam", "type: optimization"), 1);
    EXPECT_EQ(VARNO_generateReportFile(), 0) << "no file prefix yet";
    EXPECT_FALSE(exists("0.rpt"));
    ASSERT_EQ(VARNO_defineStudyLevelData("S", "startAgent: 0\nendAgent: 0\nfilePrefix: beam\n"
                                              "randomSeed: 0.5\nmode: newStudy"),
              1);
    EXPECT_EQ(VARNO_generateReportFile(), 1) << lastMessage();
    EXPECT_EQ(file("beam0.rpt").rfind("Version: 2019.1.0.8677\nStart time: ", 0), 0u);
}

// The pieces of `text` between `separator`s, blanks removed when `trim` is set.
std::vector<std::string> split(const std::string& text, char separator, bool trim = false) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string piece; std::getline(in, piece, separator);) {
        if (trim) std::erase(piece, ' ');
        result.push_back(piece);
    }
    return result;
}

std::vector<std::string> lines(const std::string& text) { return split(text, '\n'); }

// A design sweep whose host shares three designs and returns their results:
// one feasible, one infeasible, one failed.
class SweepFiles : public StudyFiles {
protected:
    void run(const std::string& runtimeOptions = "verbose: 0", int updateAnswer = 1) {
        testing::defineSmallSweep();
        ASSERT_EQ(VARNO_defineStudyRuntimeOptions("r", runtimeOptions.c_str()), 1);
        ASSERT_EQ(VARNO_finalizeStudyData(), 1) << lastMessage();
        std::vector<int> types(3, 2);
        std::vector<double*> values;
        for (auto& row : designs) values.push_back(row.data());
        ASSERT_EQ(VARNO_shareDesigns("host", 3, types.data(), 3, values.data(), 2, nullptr, nullptr,
                                     nullptr),
                  1);
        const auto answer = [this](int i, const double*, int& failed) {
            failed = i == 2;
            return responses[static_cast<std::size_t>(i)];
        };
        EXPECT_EQ(testing::answerNextSet(answer), std::pair(3, updateAnswer));
    }

    std::vector<std::vector<double>> designs = {{1, 2, 2}, {3, 4, 2}, {5, 6, 2}};
    std::vector<std::vector<double>> responses = {{-1.5, 2}, {7.25, 9}, {0, 0}};
};

TEST_F(SweepFiles, EveryEvaluatedDesignHasItsRowAsSoonAsItIsEvaluated) {
    run();
    // Read before the study ends: nothing waits for a close at the end.
    const std::vector<std::string> table = lines(file("sweep0.res"));
    ASSERT_EQ(table.size(), 4u);
    EXPECT_EQ(table[0],
              "         Time,      Cycle  #, Evaluation  #,            Design Source,              "
              "Design Name,   Design Flag,               performance,                         f,"
              "                         g,                        x1,                        x2,"
              "                      load");
    const char* flags[] = {"FEASIBLE", "INFEASIBLE", "ERROR"};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const std::string& row = table[static_cast<std::size_t>(i) + 1];
        EXPECT_EQ(row.size(), table[0].size()) << "columns line up with the header";
        const std::vector<std::string> cells = split(row, ',', true);
        ASSERT_EQ(cells.size(), 12u);
        EXPECT_EQ(cells[0], "00:00:00");
        EXPECT_EQ(cells[2], std::to_string(i + 1));
        EXPECT_EQ(cells[3], "UD(host)");
        EXPECT_EQ(cells[4], "host-" + std::to_string(i + 1));
        EXPECT_EQ(cells[5], flags[i]);
        double performance = 0;
        ASSERT_EQ(VARNO_getPerformanceValueForDesign(i + 1, &performance), 1);
        EXPECT_DOUBLE_EQ(std::stod(cells[6]), performance);
        for (int k = 0; k < 3; ++k) EXPECT_EQ(std::stod(cells[9 + k]), designs[i][k]);
        if (i < 2) {
            EXPECT_EQ(std::stod(cells[7]), responses[i][0]);
        }
    }
    EXPECT_EQ(file("sweep0.gph"), file("sweep0.res"));
    // A later failure keeps every row written before it.
    runTrapped(CallRule{"test", Lifecycle::any}, 0, []() -> int { fatalError("Stop here."); });
    EXPECT_EQ(lines(file("sweep0.res")).size(), 4u);
}

TEST_F(SweepFiles, AnUnwritableResultsTableStopsTheRunNamingIt) {
    support::seams().failFileOpen = [](const std::string& path) {
        return path.size() > 4 && path.compare(path.size() - 4, 4, ".res") == 0;
    };
    run("verbose: 0", 0);
    EXPECT_EQ(testing::lastFatalReason(), "*ERROR\nError in writing to the results file \"" +
                                              dir.file("sweep0.res") +
                                              "\". Make sure it is not open in another program.");
}

TEST_F(SweepFiles, SuppressedFilesAreWrittenOnRequestEachDesignOnce) {
    run("suppressOutputFiles: 1");
    EXPECT_FALSE(exists("sweep0.res"));
    EXPECT_FALSE(exists("sweep0.gph"));
    for (int request = 0; request < 2; ++request) {
        ASSERT_EQ(VARNO_generateDesignResultsFile(), 1);
        EXPECT_EQ(lines(file("sweep0.res")).size(), 4u) << "rows are not repeated";
    }
}

TEST_F(SweepFiles, EndOfStudyKeepsTheResultsAndTheReport) {
    run();
    std::ofstream(dir.file("sweep0.lock")) << "busy";
    ASSERT_EQ(VARNO_endStudy(), 1);
    EXPECT_TRUE(exists("sweep0.res"));
    EXPECT_TRUE(exists("sweep0.rpt"));
    EXPECT_FALSE(exists("sweep0.gph"));
    EXPECT_FALSE(exists("sweep0.lock"));
}

TEST_F(StudyFiles, ParetoResultsNeedAnArchiveOfSuccessfulDesigns) {
    ASSERT_TRUE(testing::historyStudy(dir.path(), "newStudy", 100, "", "5.0", 2));
    EXPECT_EQ(VARNO_generateStudyResultsFiles(), 0);
    EXPECT_EQ(lastMessage(), "The number of successful designs in the database (0) is less than "
                             "the archive size (20). No Pareto information will be created.");
    testing::HistoryHost::run(20);
    const std::string before = file("s0.pto");
    EXPECT_EQ(VARNO_generateStudyResultsFiles(), 1) << lastMessage();
    const std::string after = file("s0.pto");
    EXPECT_GT(occurrences(after, "Eval #, Rank in Cycle"),
              occurrences(before, "Eval #, Rank in Cycle"));
    EXPECT_TRUE(exists("s0.dat"));
    EXPECT_TRUE(exists("s0.plot"));
}

}  // namespace
}  // namespace varno
