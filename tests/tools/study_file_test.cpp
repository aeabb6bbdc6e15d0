// The study-file parser: every block kind, counted lists, comments, the lines
// named by errors, what the runner reads from the blocks, and the blocks
// handed to the library.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "library.h"
#include "study_check.h"
#include "study_file.h"
#include "study_model.h"
#include "study_setup.h"
#include "tool_test_support.h"
#include "varno.h"

namespace varno::tool {
namespace {

using ::testing::ElementsAre;
using ::testing::StartsWith;
using ::testing::ThrowsMessage;

const char* const everyKind = R"(# A beam study with one block of every kind.
[parameter width]   # the first block
type: Continuous
id: 1

[parameter section]
type: Discrete
set: sections
[parameter load]
type: Parameter
[discreteSet sections]
ordered: 1
values:3
IPE100
  IPE#200
IPE300   # comment after the item
[distribution spread]
[curve target]
data:2
0, 1
1, 2
[format wide]
[response mass]
[study beam]
[studyData beam]
nParallel: 3
[method search]
method: TRAVOK
numEvals: 200
[options runtime]
[variable width]
[variable section]
type: Discrete
[factor width]
[objective mass]
option: min_value
[constraint stress]
option: less_equal
target: 250
[studyResponse deflection]
[evaluator]
command: python3 beam.py --fast
timeout: 2.5
parallel: 4
)";

TEST(StudyFile, ReadsEveryBlockKindInFileOrder) {
    const StudyFile file = parseStudyText(everyKind, "beam.study");
    std::vector<std::string> headers, kinds;
    std::istringstream lines(everyKind);
    for (std::string line; std::getline(lines, line);) {
        if (line[0] == '[') headers.push_back(line.substr(1, line.find_first_of(" ]") - 1));
    }
    for (const Block& block : file.blocks) kinds.push_back(blockKindWord(block.kind));
    EXPECT_EQ(kinds, headers);
    EXPECT_EQ(file.blocks[0].name, "width");
    EXPECT_EQ(file.blocks[0].line, 2);
    EXPECT_EQ(file.blocks[0].text(), "type: Continuous\nid: 1");
    EXPECT_EQ(file.blocks.back().name, "");
    // Counted lists pass their lines through, even when they look like headers.
    EXPECT_EQ(file.find(BlockKind::discreteSet)->text(),
              "ordered: 1\nvalues:3\nIPE100\nIPE#200\nIPE300");
    EXPECT_THAT(file.find(BlockKind::curve)->list("data"), ElementsAre("0, 1", "1, 2"));
    const StudyFile odd =
        parseStudyText("[curve c]\ndata:2\n[not a header]\nx: y\n[format f]\n", "c");
    ASSERT_EQ(odd.blocks.size(), 2u);
    EXPECT_THAT(odd.blocks[0].list("data"), ElementsAre("[not a header]", "x: y"));
}

TEST(StudyFile, DropsCommentsBlanksAndIndentationAndPropertiesSkipOneBlank) {
    const StudyFile file =
        parseStudyText("\n  # note\n[study s]  # trailing\n\n   type: a   # why\nlabel: a#b\n\r\n"
                       "name:  two blanks\ntype: b\nprefix:x\n",
                       "s");
    ASSERT_EQ(file.blocks.size(), 1u);
    const Block& block = file.blocks[0];
    EXPECT_EQ(block.text(), "type: a\nlabel: a#b\nname:  two blanks\ntype: b\nprefix:x");
    EXPECT_EQ(block.property("name"), " two blanks");
    EXPECT_EQ(block.property("type"), "a") << "the first line of a key";
    EXPECT_EQ(block.property("prefix"), "x");
    EXPECT_EQ(block.property("missing"), std::nullopt);
    EXPECT_THAT(block.list("type"), ElementsAre("a"));
}

// Reading `text` as the file "e", then `use` on what was read, fails with a
// message that starts with `expected`.
void expectRefused(const std::string& text, const std::string& expected,
                   void (*use)(const StudyFile&) = nullptr) {
    const auto read = [&] {
        const StudyFile file = parseStudyText(text, "e");
        if (use != nullptr) use(file);
    };
    EXPECT_THAT(read, ThrowsMessage<StudyFileError>(StartsWith(expected))) << text;
}

void describe(const StudyFile& file) { describeStudy(file); }

TEST(StudyFile, ErrorsNameTheFileAndLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"# comment\n\ntype: optimization\n", "e:3: a definition line outside a block"},
        {"[study s]\n[widget w]\n", "e:2: unknown block kind \"widget\""},
        {"[study s]\n[parameter]\n", "e:2: the block [parameter] needs a name"},
        {"[study s\n", "e:1: a block header must end with \"]\""},
        {"[study s]\ntype optimization\n", "e:2: expected \"key: value\""},
        {"[study s]\n: value\n", "e:2: expected \"key: value\""},
        {"[discreteSet d]\nvalues:3\na\nb\n[study s]\n", "e:2: the list \"values\" announces 3"},
        {"[discreteSet d]\nvalues:2\na\n", "e:2: the list \"values\" announces 2 lines"},
        {"[evaluator]\ncommand: a\n[evaluator]\n", "e:3: a second [evaluator] block"},
    };
    for (const auto& [text, expected] : cases) expectRefused(text, expected);
}

TEST(StudyFile, MisspeltKeysTypesAndModesAreRefusedWithTheNearestWord) {
    const std::pair<const char*, const char*> cases[] = {
        {"[evaluator]\ncommand: a\n\nparalel: 4\n",
         "e:4: [evaluator] has no key \"paralel\" (did you mean \"parallel\"?)"},
        {"[parameter w]\ntype: Continuous\nunit: mm\n", "e:3: [parameter w] has no key \"unit\""},
        {"[discreteSet d]\nvalues:2\nmin\nmax\norderd: 1\n",
         "e:5: [discreteSet d] has no key \"orderd\" (did you mean \"ordered\"?)"},
        {"[variable w]\nid: 1\ntype: Continous\n",
         "e:3: [variable w] type \"Continous\" is not one of Continuous, Discrete (did you mean "
         "\"Continuous\"?)"},
        {"[studyData s]\nmode: resume\n", "e:2: [studyData s] mode \"resume\": varno run starts"},
        {"[study s]\n[paramter w]\n", "e:2: unknown block kind \"paramter\" (did you mean "
                                      "\"parameter\"?)"},
    };
    for (const auto& [text, expected] : cases) expectRefused(text, expected, checkStudyFile);
    // Keys of method blocks depend on the method and are left to the library.
    EXPECT_NO_THROW(checkStudyFile(parseStudyText("[method m]\nanyKey: 1\n", "m")));
}

TEST(StudyFileModel, DescribesVariablesParametersResponsesAndEvaluator) {
    const StudyModel model = describeStudy(parseStudyText(everyKind, "beam.study"));
    EXPECT_EQ(model.studyName, "beam");
    EXPECT_EQ(model.method, "TRAVOK");
    EXPECT_EQ(model.budget, 200);
    EXPECT_EQ(model.nParallel, 3);
    ASSERT_EQ(model.variables.size(), 2u);
    EXPECT_TRUE(model.variables[0].items.empty());
    EXPECT_THAT(model.variables[1].items, ElementsAre("IPE100", "IPE#200", "IPE300"));
    EXPECT_THAT(model.parameters, ElementsAre("load"));
    ASSERT_EQ(model.responses.size(), 3u);
    EXPECT_EQ(model.responses[0].name, "mass");
    EXPECT_EQ(model.responses[1].kind, BlockKind::constraint);
    EXPECT_EQ(model.responses[2].kind, BlockKind::studyResponse);
    EXPECT_DOUBLE_EQ(model.responses[1].target, 250.0);
    EXPECT_THAT(model.objectives(), ElementsAre(&model.responses[0]));
    ASSERT_TRUE(model.evaluator.has_value());
    EXPECT_EQ(model.evaluator->command, "python3 beam.py --fast");
    EXPECT_DOUBLE_EQ(model.evaluator->timeoutSeconds, 2.5);
    EXPECT_EQ(model.evaluator->parallel, 4);
}

TEST(StudyFileModel, ObjectiveCostFollowsTheOption) {
    EXPECT_DOUBLE_EQ((StudyResponse{"f", BlockKind::objective, "min_value", 0}).cost(3), 3);
    EXPECT_DOUBLE_EQ((StudyResponse{"f", BlockKind::objective, "max_value", 0}).cost(3), -3);
    EXPECT_DOUBLE_EQ((StudyResponse{"f", BlockKind::objective, "min_diff", 5}).cost(3), 2);
    EXPECT_DOUBLE_EQ((StudyResponse{"f", BlockKind::objective, "max_diff", 5}).cost(3), -2);
}

TEST(StudyFileModel, RejectsAnUnusableEvaluatorBlock) {
    expectRefused("[evaluator]\ntimeout: 3\n", "e:1: [evaluator] needs", describe);
    // Words, and numbers a duration or a count cannot hold, are refused.
    for (const std::string setting : {"timeout: soon", "timeout: 0", "timeout: inf",
                                      "timeout: 1e30", "parallel: 1e10", "parallel: nan"}) {
        expectRefused("[study s]\n[evaluator]\ncommand: x\n" + setting + "\n",
                      "e:2: [evaluator] " + setting.substr(0, setting.find(':')), describe);
    }
}

TEST(StudyFileModel, ReadsTheExecutorBlockAndRejectsWhatSbatchWouldNot) {
    const StudyModel model =
        describeStudy(parseStudyText("[executor]\npartition: short\naccount: lab\ntime: 1-02:30\n"
                                     "options: --mem=2G '--comment=two words'\npoll: 0.5\n",
                                     "e"));
    ASSERT_TRUE(model.executor);
    EXPECT_EQ(model.executor->partition + " " + model.executor->account + " " +
                  model.executor->timeLimit,
              "short lab 1-02:30");
    EXPECT_THAT(model.executor->options, ElementsAre("--mem=2G", "--comment=two words"));
    EXPECT_DOUBLE_EQ(model.executor->pollSeconds, 0.5);
    const std::pair<const char*, const char*> cases[] = {
        {"time: 2 hours", "e:3: [executor] time: expected a Slurm time limit"},
        {"options: mem=2G", "e:3: [executor] options: \"mem=2G\" is not an sbatch option"},
        {"options: --output=x.txt", "e:3: [executor] options: --output is set by varno"},
        {"options: '--mem=2G", "e:2: [executor] options: an unclosed quote"},
        {"partition: a b", "e:3: [executor] partition: a name without blanks"},
        {"poll: 0", "e:2: [executor] poll: expected a number from 0.05 to 600"},
    };
    for (const auto& [setting, expected] : cases) {
        expectRefused("[study s]\n[executor]\n" + std::string(setting) + "\n", expected, describe);
    }
    expectRefused("[executor]\npartiton: a\n",
                  "e:2: [executor] has no key \"partiton\" (did you mean \"partition\"?)",
                  checkStudyFile);
}

TEST(StudyFileModel, OnlyIndexesOfItemsNameADiscreteItem) {
    const StudyVariable variable{"v", {"a", "b"}};
    EXPECT_EQ(*variable.item(1), "b");
    for (double value : {-1.0, 2.0, 1e300, std::nan("")}) EXPECT_EQ(variable.item(value), nullptr);
}

class StudyFileSetup : public ::testing::Test {
protected:
    testing::ScratchFolder folder;
    const LibraryStudy study{folder.path().string()};
};

// The study has no [studyData] block: the runner supplies one.
TEST_F(StudyFileSetup, GivesEveryResponseBlockItsTypeAndFinalises) {
    const std::string text =
        testing::sphereStudy() +
        "[response h]\ntype: API\n[studyResponse h]\ngoal: NONE\nacceptMin: -1\n"
        "acceptMax: 1\n";
    ASSERT_NO_THROW(defineStudy(parseStudyText(text, "s.study")));
    // Variables, responses, objectives, constraints.
    EXPECT_THAT((std::vector{VARNO_getIntStudyData(1), VARNO_getIntStudyData(2),
                             VARNO_getIntStudyData(4), VARNO_getIntStudyData(5)}),
                ElementsAre(2, 3, 1, 1));
    EXPECT_THROW(defineStudy(parseStudyText("[response f]\ntype: API\n", "s")), StudyFileError)
        << "no [study] block";
}

}  // namespace
}  // namespace varno::tool
