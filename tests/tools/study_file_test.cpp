// The study-file parser: every block kind, counted lists, comments, the lines
// named by errors, what the runner reads from the blocks, and the blocks
// handed to the library; dependent variables and Formula responses computed
// by the runner around the evaluator's answers.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <sstream>
#include <tuple>

#include "formula_evaluator.h"
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
using ::testing::Field;
using ::testing::IsEmpty;
using ::testing::StartsWith;
using ::testing::ThrowsMessage;

const char* const everyKind =
    "# A beam study with one block of every kind.\n"
    "[parameter width]   # the first block\ntype: Continuous\nid: 1\n\n"
    "[parameter section]\ntype: Discrete\nset: sections\n[parameter load]\ntype: Parameter\n"
    "[discreteSet sections]\nordered: 1\nvalues:3\nIPE100\n  IPE#200\n"
    "IPE300   # comment after the item\n"
    "[distribution spread]\n[curve target]\ndata:2\n0, 1\n1, 2\n[format wide]\n[response mass]\n"
    "[study beam]\n[studyData beam]\nnParallel: 3\n[method search]\nmethod: TRAVOK\nnumEvals: 200\n"
    "[options runtime]\n[variable width]\n[variable section]\ntype: Discrete\n[factor width]\n"
    "[objective mass]\noption: min_value\n[constraint stress]\noption: less_equal\ntarget: 250\n"
    "[studyResponse deflection]\n"
    "[evaluator]\ncommand: python3 beam.py --fast\ntimeout: 2.5\nparallel: 4\n";

TEST(StudyFile, ReadsEveryBlockKindInFileOrder) {
    const StudyFile file = parseStudyText(everyKind, "beam.study");
    std::vector<std::string> headers, kinds;
    std::istringstream lines(everyKind);
    for (std::string line; std::getline(lines, line);) {
        if (line[0] == '[') headers.push_back(line.substr(1, line.find_first_of(" ]") - 1));
    }
    for (const Block& block : file.blocks) kinds.push_back(blockKindWord(block.kind));
    EXPECT_EQ(kinds, headers);
    EXPECT_EQ(std::tuple(file.blocks[0].name, file.blocks[0].line, file.blocks[0].text()),
              std::tuple("width", 2, "type: Continuous\nid: 1"));
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
                   void (*use)(const StudyFile&)) {
    EXPECT_THAT([&] { use(parseStudyText(text, "e")); },
                ThrowsMessage<StudyFileError>(StartsWith(expected)))
        << text;
}

void describe(const StudyFile& file) { describeStudy(file); }

TEST(StudyFile, ErrorsNameTheFileAndLineAndTheNearestWord) {
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
        // Misspelt keys, types and modes are refused with the nearest word.
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
    EXPECT_EQ(std::tie(model.studyName, model.method, model.budget, model.nParallel),
              std::tuple("beam", "TRAVOK", 200, 3));
    EXPECT_THAT(model.variables, ElementsAre(Field(&StudyVariable::items, IsEmpty()),
                                             Field(&StudyVariable::items,
                                                   ElementsAre("IPE100", "IPE#200", "IPE300"))));
    EXPECT_THAT(model.parameters, ElementsAre("load"));
    std::vector<std::tuple<std::string, BlockKind, double>> responses;
    for (const StudyResponse& r : model.responses) responses.emplace_back(r.name, r.kind, r.target);
    EXPECT_THAT(responses, ElementsAre(std::tuple("mass", BlockKind::objective, 0.0),
                                       std::tuple("stress", BlockKind::constraint, 250.0),
                                       std::tuple("deflection", BlockKind::studyResponse, 0.0)));
    EXPECT_THAT(model.objectives(), ElementsAre(&model.responses[0]));
    ASSERT_TRUE(model.evaluator.has_value());
    EXPECT_EQ(std::tie(model.evaluator->command, model.evaluator->timeoutSeconds,
                       model.evaluator->parallel),
              std::tuple("python3 beam.py --fast", 2.5, 4));
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
    const auto& executor = *model.executor;
    EXPECT_EQ(
        std::tie(executor.partition, executor.account, executor.timeLimit, executor.pollSeconds),
        std::tuple("short", "lab", "1-02:30", 0.5));
    EXPECT_THAT(model.executor->options, ElementsAre("--mem=2G", "--comment=two words"));
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

// The study has no [studyData] block: the runner supplies one.
TEST(StudyFileSetup, GivesEveryResponseBlockItsTypeAndFinalises) {
    const testing::ScratchFolder folder;
    const LibraryStudy study{folder.path().string()};
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

// d3 needs d2, which needs d1; they are defined last to first. The response
// "ratio" needs d3 and the evaluator's "mass".
const char* const chainStudy =
    "[parameter x]\ntype: Continuous\n[parameter d3]\ntype: Dependent\nformula: d2 * 2\n"
    "[parameter d2]\ntype: Dependent\nformula: d1 + x\n"
    "[parameter d1]\ntype: Dependent\nformula: x + 1\n"
    "[response ratio]\ntype: Formula\nformula:3\nq = d3 / mass\nratio = q > 1 ? q : -q\n"
    "_result = ratio + 7 % 4 + max(0, min(1, sqrt(abs(x))))\n"
    "[response mass]\ntype: API\n[variable x]\ntype: Continuous\n"
    "[objective ratio]\noption: min_value\n[studyResponse mass]\n";

// Answers mass = x for every design; "ratio" is left to the formulas.
class MassIsX : public Evaluator {
public:
    std::vector<DesignResult> evaluate(const std::vector<DesignRequest>& designs,
                                       const EvaluationHooks& hooks) override {
        std::vector<DesignResult> results;
        for (const DesignRequest& design : designs) {
            results.push_back({false, "", {0.0, design.values.at(0)}});
            if (hooks.finished) hooks.finished(results.size() - 1, results.back());
        }
        return results;
    }
};

TEST(RunnerFormulas, ChainsAreComputedInOrderAndAFailingFormulaFailsOnlyItsDesign) {
    const StudyFile file = parseStudyText(chainStudy, "chain.study");
    const StudyModel model = describeStudy(file);
    MassIsX inner;
    FormulaEvaluator evaluator(model, Formulas::fromStudyFile(file), inner);
    std::vector<double> stored;
    EvaluationHooks hooks;
    hooks.finished = [&](std::size_t, const DesignResult& result) {
        stored.push_back(result.failed ? -1.0 : result.responses.at(0));
    };
    const std::vector<DesignResult> results =
        evaluator.evaluate({{1, "Design1", {4.0}}, {2, "Design2", {0.0}}}, hooks);
    ASSERT_EQ(results.size(), 2u);
    // x = 4: d1 = 5, d2 = 9, d3 = 18, q = 18 / 4 = 4.5, plus 7 % 4 = 3 and 1.
    EXPECT_FALSE(results[0].failed) << results[0].error;
    EXPECT_THAT(results[0].responses, ElementsAre(8.5, 4.0));
    // x = 0: mass is 0, so q divides by zero.
    EXPECT_TRUE(results[1].failed);
    EXPECT_EQ(results[1].error,
              "formula \"ratio\" gives no finite value (a division by zero or a value out of "
              "range)");
    EXPECT_EQ(stored, (std::vector<double>{8.5, -1.0})) << "what is recorded as each finishes";
}

TEST(RunnerFormulas, AnUnknownNameFailsTheDesignNamingTheFormula) {
    const StudyFile file =
        parseStudyText("[parameter d]\ntype: Dependent\nformula: nowhere + 1\n", "bad.study");
    std::map<std::string, double> values;
    const std::string error = Formulas::fromStudyFile(file).evaluate(values);
    EXPECT_EQ(error.rfind("formula \"d\": ", 0), 0u) << error;
    EXPECT_EQ(values.count("d"), 0u);
}

}  // namespace
}  // namespace varno::tool
