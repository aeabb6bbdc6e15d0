// Formula texts and the names, direct and transitive, that each formula uses.
#include "model/formula.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "frame/definition_text.h"
#include "model/parameters.h"
#include "model/responses.h"
#include "test_support.h"

namespace varno::model {
namespace {

using varno::testing::expectFatal;
using Pairs = std::vector<std::pair<int, int>>;

Pairs pairsOf(const DependencySet& set) {
    Pairs pairs;
    for (std::size_t i = 0; i < set.count(); ++i)
        pairs.emplace_back(set.typeList[i], set.indexList[i]);
    return pairs;
}

class Formulas : public varno::testing::WithoutStudy {
protected:
    using Text = const std::string&;
    static LineList block(Text name, Text text) { return testing::definitionBlock(name, text); }
    void parameter(Text name, Text text) { defineProjectParameter(model, block(name, text)); }
    void dependent(Text name, Text formula) {
        parameter(name,
                  "type: Dependent\nid: " + std::to_string(++nextId) + "\nformula:" + formula);
    }
    void response(Text name, Text text) { defineProjectResponse(model, block(name, text)); }
    Pairs direct(int kind, int index) {
        return pairsOf(getListOfDependentVariables(model, kind, index));
    }

    // x1 and x2 continuous (indexes 0 and 1).
    void defineVariables() {
        parameter("x1", "type: Continuous\nid: 1\nmin: 0\nbaseline: 1\nmax: 2");
        parameter("x2", "type: Continuous\nid: 2\nmin: 0\nbaseline: 1\nmax: 2");
    }

    ProjectModel model;
    int nextId = 0;
};

TEST_F(Formulas, FinalTextAndDirectNames) {
    defineVariables();
    dependent("sum", " x1 + 2*x2");
    dependent("kept", " _result = x1");
    dependent("test", "2\nflag = x1 == x2\n_result = flag ? 1 : 0");
    parameter("sections", "type: Parameter\nid: 9\nbaseline: 3");
    defineDiscreteSet(model, block("choices", "ordered: 0\nvalues:2\n1\n2"));
    defineCurve(model, block("profile", "data:2\n0,1\n1,2"));
    dependent("lookup", " profile[choices] + sections - sum");
    EXPECT_EQ(model.file_user_depn[0].formula, "_result=x1 + 2*x2");
    EXPECT_EQ(model.file_user_depn[1].formula, "_result = x1");
    EXPECT_EQ(direct(kindDependent, 0), (Pairs{{kindContinuous, 0}, {kindContinuous, 1}}));
    EXPECT_EQ(direct(kindDependent, 2), (Pairs{{kindContinuous, 0}, {kindContinuous, 1}}))
        << "a comparison is not an assignment";
    EXPECT_EQ(
        direct(kindDependent, 3),
        (Pairs{
            {kindCurve, 0}, {kindDiscreteSet, 0}, {kindNumericParameter, 0}, {kindDependent, 0}}));
    const std::string text = "a = x2 - x2 * unknown";
    EXPECT_EQ(pairsOf(getListOfDependentVariables(model, kindUnknown, -1, &text)),
              (Pairs{{kindContinuous, 1}}));
    expectFatal([&] { dependent("bad", "2\na = x1\nb = 2"); },
                "Error in the formula definition for \"bad\". A multiple line formula must set the "
                "\"_result\" variable to the final value from your calculation.\ne.g. _result = "
                "1.0 - variable_1");
}

TEST_F(Formulas, SetsFollowFormulasAndGiveAnEvaluationOrderUnlessOneNamesItself) {
    defineVariables();
    dependent("d3", " d2 * 2");
    dependent("d2", " d1 + x2");
    dependent("d1", " x1 + 1");
    response("ratio", "type: Formula\nformula:2\nratio = d3 / mass\n_result = ratio + 0 * ratio");
    response("mass", "type: API");
    buildDependencySets(model);
    EXPECT_EQ(
        pairsOf(model.file_user_depn[0].dependencies),
        (Pairs{{kindDependent, 1}, {kindDependent, 2}, {kindContinuous, 1}, {kindContinuous, 0}}));
    EXPECT_EQ(pairsOf(model.prjResps[0].dependencies).size(), 6u)
        << "d3, mass and everything d3 needs, never itself";
    EXPECT_EQ(model.formulaOrder,
              (std::vector<FormulaItem>{
                  {kindDependent, 2}, {kindDependent, 1}, {kindDependent, 0}, {kindResponse, 0}}));
    // A formula naming itself is fatal; a cycle through several formulas is
    // refused when the study is finalised.
    dependent("self", " self + 1");
    expectFatal([&] { buildDependencySets(model); },
                "Error in a formula definition. There is a circular reference in the formula for "
                "\"self\". The name of the parameter being defined cannot be assigned (i.e. cannot "
                "be in the right hand side of a formula line) in the formula except for the last "
                "line of a multi-line formula. Cannot continue.");
}

}  // namespace
}  // namespace varno::model
