// The project model: every named thing a study can refer to, held in tables
// addressed by index. An index, once given, never changes: records are only
// appended, never removed or reordered, until the study is released.
#pragma once

#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/distribution.h"

namespace varno::model {

inline constexpr const char* initializedName = "Initialized";

// Name-kind codes of getNameType.
enum NameKind : int {
    kindUnknown = -1,
    kindContinuous = 0,
    kindDiscrete = 1,
    kindDependent = 2,
    kindNumericParameter = 3,
    kindResponse = 4,
    kindStringParameter = 8,
    kindInternal = 9,
    kindCondition = 10,
    kindLoopParameter = 11,
    kindDiscreteSet = 12,
    kindCurve = 13,
};

// The items a formula depends on, directly or through other formulas: parallel
// lists of name kinds and indexes in that kind's table, each pair at most once.
struct DependencySet {
    std::vector<int> typeList;
    std::vector<int> indexList;

    std::size_t count() const { return typeList.size(); }
    bool contains(int kind, int index) const {
        for (std::size_t i = 0; i < typeList.size(); ++i) {
            if (typeList[i] == kind && indexList[i] == index) return true;
        }
        return false;
    }
    // Appends the pair unless it is there already; true when appended.
    bool add(int kind, int index) {
        if (contains(kind, index)) return false;
        typeList.push_back(kind);
        indexList.push_back(index);
        return true;
    }
};

// A dependent variable (kindDependent) or a formula response (kindResponse).
struct FormulaItem {
    int kind = kindUnknown;
    int index = -1;
    bool operator==(const FormulaItem&) const = default;
};

struct ContinuousParameter {  // "Continuous Variable"
    int id = -1;
    std::string name = initializedName;
    double min = 0.0;
    double baseline = 0.0;
    double max = 0.0;
};

struct DiscreteParameter {  // "Discrete Variable"
    int id = -1;
    int itemCount = 0;  // copied from the set
    int ordered = 0;    // copied from the set
    int numeric = 0;    // copied from the set
    double min = 0.0;
    double max = 0.0;  // the number of items
    std::string name = initializedName;
    int setIndex = -1;     // the set owns the item texts
    std::string baseline;  // text of the baseline item
    std::string set;       // name of the discrete set
};

struct DependentParameter {  // "Dependent variable"
    int id = -1;
    int distribution = -1;
    std::string name = initializedName;
    std::string formula;
    std::vector<int> printFlags;  // one per agent
    DependencySet dependencies;   // built when the study is finalised
};

struct FixedParameter {  // "Fixed parameter"
    int id = -1;
    int distribution = -1;
    double baseline = 0.0;
    std::string name = initializedName;
    std::vector<int> printFlags;
};

struct StringParameter {  // "String parameter"
    int id = -1;
    std::string name = initializedName;
    std::string stringValue;
    std::vector<int> printFlags;
};

struct DiscreteSet {  // "Discrete Set"
    std::string name = initializedName;
    int itemCount = 0;
    int ordered = 0;
    int numeric = 1;
    std::vector<std::string> discSetChoices;
    std::vector<double> discSetNumChoices;  // filled while the set is numeric
};

struct DistributionRecord {  // "Distribution"
    std::string name = initializedName;
    std::string type;
    std::unique_ptr<support::Distribution> object;
};

enum PrintFormatType : int {
    formatAutomatic = 0,
    formatInteger = 1,
    formatFloat = 2,
    formatScientific = 3,
    formatString = 4,
};

struct PrintFormat {  // "Print format"
    std::string name = initializedName;
    int type = formatAutomatic;
    int total = 0;      // 0: not a fixed-length field
    int dec = 0;        // digits after the decimal point
    int exp = 0;        // digits of the exponent
    int expSigned = 0;  // 1 writes the exponent's sign
};

struct Curve {  // "Curve"
    std::string name = initializedName;
    int pointCount = 0;
    std::vector<double> X_value;
    std::vector<double> Y_value;
    std::vector<double> weightFactor;
};

inline constexpr int continuousKindTag = 1111;
inline constexpr int discreteKindTag = 2222;

// One design variable of a study.
struct StudyVariable {
    std::string name = initializedName;
    int id = -1;
    int id2 = -1;  // the id repeated for the readers that expect it there
    int id3 = -1;
    int kindTag = 0;     // continuousKindTag or discreteKindTag
    int discrete = 0;    // 0 continuous, 1 discrete
    int encoding = 1;    // level encoding
    int resolution = 0;  // continuous: as read; discrete: number of items
    double min = 0.0;
    double max = 0.0;
    double baseline = 0.0;  // discrete: 0-based index of the baseline item
    double coordinates[3] = {0.0, 0.0, 0.0};
    int distribution = -1;  // continuous only
    int ordered = 0;        // discrete only
    // DOE data
    int doeDefined = 0;
    int doeLevelCount = 0;
    int factorType = 0;  // 0 control, 1 noise
    std::vector<double> doe_vals;
};

// The design-variable list of one study.
struct Representation {
    std::vector<StudyVariable> data;
    std::vector<int> doe_factor_map;
    std::vector<int> doe_control_factor_map;
    std::vector<int> doe_noise_factor_map;
    double minCoordinate[3] = {0.0, 0.0, 0.0};
    double maxCoordinate[3] = {0.0, 0.0, 0.0};
};

// Project response types.
enum ResponseType : int {
    responseUnknown = -1,
    responseFormula = 0,
    responseCurveFit = 1,
    responseFld = 2,
    responseFilter = 3,
    responseRsm = 4,
    responseFile = 5,
    responseApi = 6,
};

struct ProjectResponse {  // "Response"
    std::string name = initializedName;
    int type = responseFile;
    int dataType = 0;  // 0 numeric, 1 other
    double acceptMin = -1e308;
    double acceptMax = 1e308;
    std::vector<std::string> properties;  // the kind's own property lines, as read
    std::string formula;                  // "Formula" responses: the final formula text
    DependencySet dependencies;           // "Formula" responses, built when finalised
};

// Study-response kinds.
enum ResponseKind : int { kindObjective = 0, kindConstraint = 1, kindPlainResponse = 3 };

// The study responses of one performance definition (one per agent), as
// parallel arrays in definition order.
// One study response of an agent with its goal: an objective, a constraint or
// a plain response.
struct ResponseGoal {
    std::string name;
    int flag = kindObjective;
    int opt = 0;
    double target = 0.0;
    double coef = 0.0;    // quadratic weight
    double offset = 0.0;  // linear weight
    double norm = -1.0;   // -1.0: take it from the baseline design
    double minAllowed = -std::numeric_limits<double>::max();
    double maxAllowed = std::numeric_limits<double>::max();
    int resp_value_type = 0;
    int eval = 0;
    int eval_tool = -4;  // no evaluation tool
    std::string err_msgs;
};

// The study responses of one agent, in study order.
struct PerformanceDefinition {
    int agent = 0;
    int objectiveCount = 0;
    int constraintCount = 0;
    std::vector<ResponseGoal> goals;
    std::size_t size() const { return goals.size(); }

    // Appends a goal and counts it: the one way a definition grows.
    void add(ResponseGoal goal) {
        if (goal.flag == kindObjective) ++objectiveCount;
        if (goal.flag == kindConstraint) ++constraintCount;
        goals.push_back(std::move(goal));
    }
};

struct ProjectModel {
    std::vector<ContinuousParameter> file_user_cont;
    std::vector<DiscreteParameter> file_user_disc;
    std::vector<DependentParameter> file_user_depn;
    std::vector<FixedParameter> file_user_fixed;
    std::vector<StringParameter> file_user_strings;
    std::vector<DiscreteSet> user_discrete_sets;
    std::vector<DistributionRecord> user_distributions;
    std::vector<PrintFormat> print_formats = builtInPrintFormats();
    std::vector<Curve> file_user_curve;
    std::string nameList;  // every parameter and response name, one per line
    std::vector<Representation> dvar = std::vector<Representation>(1);
    std::vector<ProjectResponse> prjResps;
    std::vector<PerformanceDefinition> per_type;
    int detailedOutput = 0;  // log curves and the like in full
    // Dependent variables and formula responses in an order in which each
    // comes after everything its formula needs; built when finalised.
    std::vector<FormulaItem> formulaOrder;

    static std::vector<PrintFormat> builtInPrintFormats();
};

}  // namespace varno::model
