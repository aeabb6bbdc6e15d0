// A design in flight: the record a design carries while it is produced,
// evaluated, scored and stored.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "model/data_value.h"
#include "support/small_vector.h"

namespace varno::design {

// How a design is compared with stored ones.
enum EvaluationKind : int {
    integerCoded = 1,  // by its integer vector (and agent tag)
    realValued = 2,    // by its real vector, with a relative tolerance
};

// Status codes of an evaluated design.
enum DesignStatus : int {
    statusError = 0,
    statusNoGoals = 1,
    statusFeasible = 2,
    statusInfeasible = 3,
    statusNotEvaluated = 4,  // a query answer only
};

inline constexpr double failedPerformance = -1e99;
inline constexpr double failedViolation = 10.0;
inline constexpr double noGoalsPerformance = 1.0;

struct EvaluationStatus {
    int ok = 1;
    int complete = 1;
    int agent = 0;
    int status = statusError;
    std::vector<int> responseStates;  // one per study response
};

// A design's codes, held in the design itself up to 16 values, so that a
// design read long after it was made is read in one go with its codes.
inline constexpr std::size_t inlineCodeCount = 16;
using IntegerCodes = support::SmallVector<int, inlineCodeCount>;
using RealCodes = support::SmallVector<double, inlineCodeCount>;

struct Design {
    int agentTag = 0;
    int evaluationKind = integerCoded;
    double violation = 0.0;
    IntegerCodes ints;  // one level index per study variable
    RealCodes reals;    // study variable values, then fixed parameters
    std::vector<model::DataValueArray> dependentValues;  // per dependent variable
    std::vector<model::DataValueArray> responseValues;   // per project response
    double performance = 0.0;
    double rawPerformance = 0.0;
    int id = 0;
    int tag1 = 0;  // two numbers the search engine attaches to a design
    int tag2 = 0;
    EvaluationStatus status;
    std::string source;
    std::string name;
};

}  // namespace varno::design
