// The study-file parser: every block kind, counted lists, comments, the lines
// named by errors, and what the runner reads from the blocks.
#include <gtest/gtest.h>

#include "library.h"
#include "study_file.h"
#include "study_model.h"
#include "study_setup.h"
#include "tool_test_support.h"
#include "varno.h"

namespace varno::tool {
namespace {

const char* const everyKind = R"(# A beam study with one block of every kind.
[parameter width]   # the first block
type: Continuous
id: 1
min: 10
baseline: 30
max: 50

[parameter section]
type: Discrete
id: 2
set: sections
baseline: 1
[parameter load]
type: Parameter
id: 3
baseline: 2.5
[discreteSet sections]
ordered: 1
values:3
IPE100
  IPE#200
IPE300   # comment after the item
[distribution spread]
type: Normal
[curve target]
data:2
0, 1
1, 2
[format wide]
type: float
[response mass]
type: API
[study beam]
type: optimization
[studyData beam]
startAgent: 0
nParallel: 3
[method search]
method: TRAVOK
numEvals: 200
[options runtime]
verbose: 0
[variable width]
type: Continuous
[variable section]
type: Discrete
[factor width]
levels: 10, 50
[objective mass]
option: min_value
target: 0
[constraint stress]
option: less_equal
target: 250
[studyResponse deflection]
goal: NONE
[evaluator]
command: python3 beam.py --fast
timeout: 2.5
parallel: 4
)";

TEST(StudyFile, ReadsEveryBlockKindInFileOrder) {
    const StudyFile file = parseStudyText(everyKind, "beam.study");
    const std::vector<BlockKind> expected = {
        BlockKind::parameter,     BlockKind::parameter,     BlockKind::parameter, BlockKind::discreteSet,
        BlockKind::distribution,  BlockKind::curve,         BlockKind::format,    BlockKind::response,
        BlockKind::study,         BlockKind::studyData,     BlockKind::method,    BlockKind::options,
        BlockKind::variable,      BlockKind::variable,      BlockKind::factor,    BlockKind::objective,
        BlockKind::constraint,    BlockKind::studyResponse, BlockKind::evaluator};
    ASSERT_EQ(file.blocks.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(file.blocks[i].kind, expected[i]) << "block " << i;
    }
    EXPECT_EQ(file.blocks[0].name, "width");
    EXPECT_EQ(file.blocks[0].line, 2);
    EXPECT_EQ(file.blocks[0].text(), "type: Continuous\nid: 1\nmin: 10\nbaseline: 30\nmax: 50");
    EXPECT_EQ(file.blocks.back().name, "");
}

TEST(StudyFile, CountedListsPassTheirLinesThrough) {
    const StudyFile file = parseStudyText(everyKind, "beam.study");
    const Block* sections = file.find(BlockKind::discreteSet);
    ASSERT_NE(sections, nullptr);
    EXPECT_EQ(sections->text(), "ordered: 1\nvalues:3\nIPE100\nIPE#200\nIPE300");
    EXPECT_EQ(sections->list("values"), (std::vector<std::string>{"IPE100", "IPE#200", "IPE300"}));
    EXPECT_EQ(file.find(BlockKind::curve)->list("data"), (std::vector<std::string>{"0, 1", "1, 2"}));
}

TEST(StudyFile, ListItemsMayLookLikeHeadersOrKeys) {
    const StudyFile file = parseStudyText("[curve c]\ndata:2\n[not a header]\nx: y\n[format f]\ntype: float\n", "c.study");
    ASSERT_EQ(file.blocks.size(), 2u);
    EXPECT_EQ(file.blocks[0].list("data"), (std::vector<std::string>{"[not a header]", "x: y"}));
}

TEST(StudyFile, PropertiesSkipOneBlankAndFindTheFirstLine) {
    const StudyFile file = parseStudyText("[study s]\nname:  two blanks\ntype: a\ntype: b\nprefix:x\n", "s.study");
    const Block& block = file.blocks[0];
    EXPECT_EQ(block.property("name"), " two blanks");
    EXPECT_EQ(block.property("type"), "a");
    EXPECT_EQ(block.property("prefix"), "x");
    EXPECT_EQ(block.property("missing"), std::nullopt);
    EXPECT_EQ(block.list("type"), std::vector<std::string>{"a"});
}

TEST(StudyFile, DropsCommentsBlankLinesAndIndentation) {
    const StudyFile file =
        parseStudyText("\n  # note\n[study s]  # trailing\n\n   type: optimization   # why\nlabel: a#b\n\r\n", "s.study");
    ASSERT_EQ(file.blocks.size(), 1u);
    EXPECT_EQ(file.blocks[0].text(), "type: optimization\nlabel: a#b");
}

void expectError(const std::string& text, const std::string& expected) {
    try {
        parseStudyText(text, "beam.study");
        ADD_FAILURE() << "no error for:\n" << text;
    } catch (const StudyFileError& error) {
        EXPECT_EQ(std::string(error.what()).rfind(expected, 0), 0u) << error.what();
    }
}

TEST(StudyFile, ErrorsNameTheFileAndLine) {
    expectError("# comment\n\ntype: optimization\n", "beam.study:3: a definition line outside a block");
    expectError("[study s]\n[widget w]\n", "beam.study:2: unknown block kind \"widget\"");
    expectError("[study s]\n[parameter]\n", "beam.study:2: the block [parameter] needs a name");
    expectError("[study s\n", "beam.study:1: a block header must end with \"]\"");
    expectError("[study s]\ntype optimization\n", "beam.study:2: expected \"key: value\"");
    expectError("[study s]\n: value\n", "beam.study:2: expected \"key: value\"");
    expectError("[discreteSet d]\nordered: 1\nvalues:3\na\nb\n[study s]\n",
                "beam.study:3: the list \"values\" announces 3 lines, but only 2 follow");
    expectError("[discreteSet d]\nvalues:2\na\n", "beam.study:2: the list \"values\" announces 2 lines");
    expectError("[evaluator]\ncommand: a\n[evaluator]\ncommand: b\n", "beam.study:3: a second [evaluator] block");
}

TEST(StudyFileModel, DescribesVariablesParametersResponsesAndEvaluator) {
    const StudyModel model = describeStudy(parseStudyText(everyKind, "beam.study"));
    EXPECT_EQ(model.studyName, "beam");
    EXPECT_EQ(model.method, "TRAVOK");
    EXPECT_EQ(model.budget, 200);
    EXPECT_EQ(model.nParallel, 3);
    ASSERT_EQ(model.variables.size(), 2u);
    EXPECT_EQ(model.variables[0].name, "width");
    EXPECT_TRUE(model.variables[0].items.empty());
    EXPECT_EQ(model.variables[1].items, (std::vector<std::string>{"IPE100", "IPE#200", "IPE300"}));
    EXPECT_EQ(model.parameters, std::vector<std::string>{"load"});
    ASSERT_EQ(model.responses.size(), 3u);
    EXPECT_EQ(model.responses[0].name, "mass");
    EXPECT_EQ(model.responses[0].kind, BlockKind::objective);
    EXPECT_EQ(model.responses[1].kind, BlockKind::constraint);
    EXPECT_DOUBLE_EQ(model.responses[1].target, 250.0);
    EXPECT_EQ(model.responses[2].kind, BlockKind::studyResponse);
    ASSERT_EQ(model.objectives().size(), 1u);
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
    EXPECT_THROW(describeStudy(parseStudyText("[evaluator]\ntimeout: 3\n", "e.study")), StudyFileError);
    try {
        describeStudy(parseStudyText("[study s]\n[evaluator]\ncommand: x\ntimeout: soon\n", "e.study"));
        ADD_FAILURE() << "a timeout that is not a number was accepted";
    } catch (const StudyFileError& error) {
        EXPECT_EQ(error.line(), 2);
    }
}

// --- the blocks handed to the library ---

const char* const smallStudy = R"([study s]
type: optimization
[parameter x]
type: Continuous
id: 1
min: 0
baseline: 1
max: 2
[response f]
type: API
[method m]
method: TRAVOK
numEvals: 50
[variable x]
type: Continuous
id: 1
resolution: 101
distribution: NONE
[objective f]
factor: 1
option: min_value
target: 0
quadWt: 0
linearWt: 1
acceptMin: -1e300
acceptMax: 1e300
)";

TEST(StudyFileSetup, SuppliesDefaultStudyLevelDataAndFinalises) {
    testing::ScratchFolder folder;
    const LibraryStudy study(folder.path().string());
    ASSERT_NO_THROW(defineStudy(parseStudyText(smallStudy, "s.study")));
    EXPECT_EQ(VARNO_getIntStudyData(1), 1);
    EXPECT_EQ(VARNO_getIntStudyData(4), 1) << "the objective block became an objective";
    EXPECT_EQ(defaultStudyLevelData("s"), "startAgent: 0\nendAgent: 0\nfilePrefix: s\nrandomSeed: 0.5\nmode: newStudy");
}

TEST(StudyFileSetup, ConstraintAndResponseBlocksGetTheirType) {
    testing::ScratchFolder folder;
    const LibraryStudy study(folder.path().string());
    const std::string text = std::string(smallStudy) +
                             "[response g]\ntype: API\n[constraint g]\nfactor: 1\noption: less_equal\ntarget: 1\n"
                             "quadWt: 1\nlinearWt: 0\nacceptMin: -1e300\nacceptMax: 1e300\n"
                             "[response h]\ntype: API\n[studyResponse h]\ngoal: NONE\nacceptMin: -1\nacceptMax: 1\n";
    // The response block comes after the study variables: the library accepts it there too.
    ASSERT_NO_THROW(defineStudy(parseStudyText(text, "s.study")));
    EXPECT_EQ(VARNO_getIntStudyData(4), 1);
    EXPECT_EQ(VARNO_getIntStudyData(5), 1);
    EXPECT_EQ(VARNO_getIntStudyData(2), 3);
}

TEST(StudyFileSetup, ARefusedBlockNamesItsLineAndTheLibraryLog) {
    testing::ScratchFolder folder;
    const LibraryStudy study(folder.path().string());
    std::string text = smallStudy;
    text.replace(text.find("max: 2"), 6, "max: -2");
    try {
        defineStudy(parseStudyText(text, "s.study"));
        ADD_FAILURE() << "bounds min > max were accepted";
    } catch (const StudyFileError& error) {
        const std::string what = error.what();
        EXPECT_EQ(what.rfind("s.study:3: [parameter x] was refused by the library:", 0), 0u) << what;
        EXPECT_NE(what.find("Lower bound"), std::string::npos) << what;
    }
}

TEST(StudyFileSetup, AFileWithoutStudyBlockIsRefused) {
    testing::ScratchFolder folder;
    const LibraryStudy study(folder.path().string());
    EXPECT_THROW(defineStudy(parseStudyText("[response f]\ntype: API\n", "s.study")), StudyFileError);
}

}  // namespace
}  // namespace varno::tool
