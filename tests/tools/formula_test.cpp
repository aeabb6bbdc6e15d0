// Dependent variables and Formula responses computed by the runner around the
// evaluator's answers.
#include "formula_evaluator.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "study_model.h"

namespace varno::tool {
namespace {

// d3 needs d2, which needs d1; they are defined last to first. The response
// "ratio" needs d3 and the evaluator's "mass".
const char* const chainStudy = R"([parameter x]
type: Continuous
[parameter d3]
type: Dependent
formula: d2 * 2
[parameter d2]
type: Dependent
formula: d1 + x
[parameter d1]
type: Dependent
formula: x + 1
[response ratio]
type: Formula
formula:3
q = d3 / mass
ratio = q > 1 ? q : -q
_result = ratio + 7 % 4 + max(0, min(1, sqrt(abs(x))))
[response mass]
type: API
[variable x]
type: Continuous
[objective ratio]
option: min_value
[studyResponse mass]
)";

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
    EXPECT_DOUBLE_EQ(results[0].responses.at(0), 8.5);
    EXPECT_DOUBLE_EQ(results[0].responses.at(1), 4.0);
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
