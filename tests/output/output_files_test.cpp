// The output layer from its records: table widths and flag words, the DOE
// lines of the report, file names made safe, and the clean-up lists.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <tuple>

#include "output/report_file.h"
#include "output/result_tables.h"
#include "output/study_cleanup.h"
#include "output/study_file_names.h"
#include "test_support.h"

namespace varno::output {
namespace {

using testing::TempDirectory;

std::vector<std::size_t> commaPositions(const std::string& line) {
    std::vector<std::size_t> positions;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == ',') positions.push_back(i);
    }
    return positions;
}

TEST(ResultTables, ColumnsLineUpWithTheHeaderAtEveryPrecision) {
    for (int precision : {15, 20}) {
        SCOPED_TRACE(precision);
        TableLayout layout{
            true, {"stress", "a_rather_long_column_name_of_40_letters!", "label"}, precision};
        const std::string header = tableHeader(layout);
        EXPECT_NE(header.find(std::string(precision == 15 ? 15 : 19, ' ') + "performance,"),
                  std::string::npos)
            << "column width " << columnWidth(precision) << ": " << header;
        for (double value : {1.25, -1.25e-300, -1e99}) {
            ResultRow row;
            std::tie(row.name, row.performance) = std::tuple("Design1", value);
            row.cells = {RowCell::of(value), RowCell::of(-value), RowCell::ofText("beam A")};
            const std::string line = tableRow(layout, row);
            EXPECT_EQ(commaPositions(line), commaPositions(header)) << line << header;
            if (value == 1.25) {
                const std::string digits(static_cast<std::size_t>(precision) - 2, '0');
                EXPECT_NE(line.find(" 1.25" + digits + "e+00,"), std::string::npos) << line;
            }
        }
    }
    EXPECT_EQ(columnWidth(15), 26);
    EXPECT_EQ(columnWidth(20), 30);
}

TEST(ResultTables, FlagWordsAndInactiveValues) {
    TableLayout layout{false, {"f"}, 15};
    const char* words[] = {",         ERROR", ",       SUCCESS", ",      FEASIBLE",
                           ",    INFEASIBLE", ",         ERROR"};
    for (int status = 0; status <= 4; ++status) {
        ResultRow row;
        row.status = status;
        const std::string line = tableRow(layout, row);
        EXPECT_NE(line.find(std::string(words[status]) + ",                  INACTIVE\n"),
                  std::string::npos)
            << line;
    }
}

TEST(ReportFile, DoeFactorsListTheirTypeAndLevels) {
    ReportHead head;
    ReportVariable width, section;
    std::tie(width.name, width.id, width.baseline, width.max, width.resolution) =
        std::tuple("width", 1, 1.0, 2.0, 3);
    std::tie(width.doeFactor, width.noise, width.levelValues) =
        std::tuple(true, true, std::vector{0.5, 1.5});
    std::tie(section.name, section.id, section.discrete, section.setName) =
        std::tuple("section", 2, true, "sections");
    std::tie(section.choices, section.doeFactor, section.levelTexts) = std::tuple(
        std::vector<std::string>{"I100", "I200"}, true, std::vector<std::string>{"I200", "I100"});
    head.variables = {section, width};
    head.factorMapping = FactorMapping{{2}, {1}};
    const std::string text = reportHeadText(head);
    EXPECT_NE(text.find("\n\nNumber of design variables: 2\n"
                        " width,    1, CONTINUOUS, 0.000000e+00, 1.000000e+00, 2.000000e+00,"
                        "          3,                     None, noise, levels-> 0.5, 1.5\n"
                        " section, 2, DISCRETE, sections,     2, 1, Choices ->I100,I200, control,"
                        " levels-> I200, I100\n"
                        "\n\n*FACTOR_MAPPING\ncontrolFactorOrder: 2\nnoiseFactorOrder: 1\n"),
              std::string::npos)
        << text;
}

TEST(StudyFileNames, UserPartsCannotLeaveTheFolder) {
    EXPECT_EQ(safeFileNamePart("../up/and\\away\x01"), "__up_and_away_");
    EXPECT_EQ(safeFileNamePart("plain.name"), "plain.name");
    const StudyFileNames names{"work", "../x", 0, true};
    EXPECT_EQ(studyFileName(names, ".res", true), "__x_post0.res");
    EXPECT_EQ(studyFileName(names, ".rpt", false), "__x0.rpt");
    EXPECT_THROW(checkPathLength(std::string(5000, 'a')), FatalError);
    EXPECT_NO_THROW(checkPathLength(std::string(200, 'a')));
}

class Cleanup : public ::testing::Test {
protected:
    void touch(const std::string& name) { std::ofstream(dir.file(name)) << "x"; }
    bool exists(const std::string& name) { return std::ifstream(dir.file(name)).good(); }

    CleanupRequest request(bool deleteResults) {
        return {{dir.path(), "beam", 0, false}, "DOE", deleteResults, true, {"mass"}};
    }

    TempDirectory dir;
    const std::vector<std::string> always = {"beam0.gph",         "beam0.plot",    "beam0.dat",
                                             "beam0.hst",         "beam0.ckp",     "beam0.mem",
                                             "check_status_junk", "check_output_3"};
    const std::vector<std::string> withResults = {"beam0.pto", "mass-Linear-0.mdl",
                                                  "mass-Linear-0.err"};
    const std::vector<std::string> kept = {"beam0.res", "beam0.rpt", "mass-Linear-1.mdl",
                                           "other0.gph"};
};

TEST_F(Cleanup, WorkFilesGoAndResultsGoOnlyWhenAsked) {
    for (bool deleteResults : {false, true}) {
        SCOPED_TRACE(deleteResults);
        for (const auto* list : {&always, &withResults, &kept}) {
            for (const std::string& name : *list) touch(name);
        }
        std::filesystem::create_directories(dir.file("DOE/run1"));
        removeStudyFiles(request(deleteResults));
        for (const std::string& name : always) EXPECT_FALSE(exists(name)) << name;
        for (const std::string& name : withResults) EXPECT_EQ(exists(name), !deleteResults) << name;
        for (const std::string& name : kept) EXPECT_TRUE(exists(name)) << name;
        EXPECT_FALSE(std::filesystem::exists(dir.file("DOE")));
    }
    EXPECT_EQ(lockFileName({dir.path(), "beam", 2, true}), "beam2.lock");
}

}  // namespace
}  // namespace varno::output
