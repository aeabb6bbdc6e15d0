#include "performance/performance.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstddef>
#include <limits>
#include <string>

#include "frame/fatal_error.h"
#include "frame/message_writer.h"
#include "frame/text_format.h"

namespace varno::performance {
namespace {

// Rounding a baseline factor to single precision relies on IEEE floats: a
// double beyond the float range then rounds to infinity instead of being
// undefined, and NaN stays NaN.
static_assert(std::numeric_limits<float>::is_iec559, "IEEE single precision is required");

bool isGoal(int kind) { return kind == model::kindObjective || kind == model::kindConstraint; }

bool hasGoals(const model::PerformanceDefinition& definition) {
    return std::any_of(definition.goals.begin(), definition.goals.end(),
                       [](const model::ResponseGoal& g) { return isGoal(g.flag); });
}

// Options measured as a distance from the target: match or avoid a target,
// equality constraints.
bool measuresFromTarget(int option) { return option == 0 || option == 2; }

double objectiveTerm(int option, double v, double t, double n) {
    const double squaredDistance = (v - t) * (v - t);
    switch (option) {
        case -1: return -v;
        case 1: return v;
        case 0: return -squaredDistance / std::fabs(n);
        case 2: return squaredDistance / std::fabs(n);
        default: return 0.0;
    }
}

double constraintTerm(int option, double v, double t) {
    switch (option) {
        case -1: return v - t;
        case 1: return t - v;
        case 0: return std::fabs(v - t);
        default: return 0.0;
    }
}

// Baseline factors are kept at single precision: the double of the nearest float.
double roundedToFloat(double x) { return static_cast<double>(static_cast<float>(x)); }

[[noreturn]] void rejectZeroBaselineFactor(const std::string& name) {
    std::string text = formatText(
        "The normalization value for response \"%s\" based on the baseline design evaluated "
        "to 0.0.",
        name.c_str());
    text = formatText("%s This value must be non-zero. Please fix this before resubmitting "
                      "the run.",
                      text.c_str());
    fatalError(text);
}

void noteBaselineFromDisk(int designNumber) {
    writeMessage("outptr", "note",
                 formatText("Since the option to read analysis data from disk has been selected "
                            "and design 1 was not in the read list of designs, the response "
                            "data from design %d is being used for the normalization.",
                            designNumber));
}

// The factor of response i taken from its baseline value v; 0.0 is fatal.
double baselineFactor(const model::PerformanceDefinition& definition, std::size_t i, double v) {
    const model::ResponseGoal& goal = definition.goals[i];
    const double base = measuresFromTarget(goal.opt) ? v - goal.target : v;
    const double factor = roundedToFloat(std::fabs(base));
    if (factor == 0.0) rejectZeroBaselineFactor(definition.goals[i].name);
    return factor;
}

// Every factor still carrying the baseline marker (negative) is taken from
// this design's values. Once fixed it is positive and never taken again.
void fixBaselineFactors(model::PerformanceDefinition& definition, const std::vector<double>& values,
                        const PerformanceContext& context) {
    const bool pending = std::any_of(definition.goals.begin(), definition.goals.end(),
                                     [](const model::ResponseGoal& g) { return g.norm < 0.0; });
    if (!pending) return;
    if (context.readsFromDisk && context.designNumber != 1) {
        noteBaselineFromDisk(context.designNumber);
    }
    for (std::size_t i = 0; i < definition.size(); ++i) {
        double& norm = definition.goals[i].norm;
        if (norm < 0.0) norm = baselineFactor(definition, i, values[i]);
    }
}

// Objectives reward with +1 when maximising or avoiding a target, -1 when
// minimising or matching one.
double quadraticSign(int option) { return option == 1 || option == 2 ? 1.0 : -1.0; }

// Step through the objectives and constraints: objective terms are added,
// violated constraints are penalised, counted in `violation` and make the
// design infeasible.
double goalSum(design::Design& design, const model::PerformanceDefinition& definition,
               const std::vector<double>& values, double& violation) {
    double p = 0.0;
    for (std::size_t i = 0; i < definition.size(); ++i) {
        const model::ResponseGoal& goal = definition.goals[i];
        if (!isGoal(goal.flag)) continue;
        const int index = static_cast<int>(i);
        const double g = responseTerm(definition, index, values[i]) / std::fabs(goal.norm);
        const double q = goal.coef;
        const double l = goal.offset;
        if (goal.flag == model::kindObjective) {
            p += l * g + quadraticSign(goal.opt) * q * g * g;
        } else if (g > 0.0) {
            design.status.status = design::statusInfeasible;
            violation += g;
            p -= q * g * g + l * std::fabs(g);
        }
    }
    return p;
}

// Robust constraints penalise a statistic on the wrong side of its target by
// the weighted square; robust objectives add the normalised distance.
double robustSum(const PerformanceContext& context) {
    double p = 0.0;
    for (const RobustTerm& term : context.robustConstraints) {
        double g = (term.statistic - term.target) / term.normalisation;
        if (term.sense == 1) g = -g;
        if (g > 0.0) p -= term.weight * g * g;
    }
    for (const RobustTerm& term : context.robustObjectives) {
        double g = std::fabs(term.statistic - term.target) / term.normalisation;
        if (term.sense == -1) g = -g;
        p += g;
    }
    return p;
}

}  // namespace

double responseTerm(const model::PerformanceDefinition& definition, int i, double v) {
    const model::ResponseGoal& goal = definition.goals[static_cast<std::size_t>(i)];
    switch (goal.flag) {
        case model::kindObjective: return objectiveTerm(goal.opt, v, goal.target, goal.norm);
        case model::kindConstraint: return constraintTerm(goal.opt, v, goal.target);
        default: return 0.0;
    }
}

double computePerformance(design::Design& design, model::PerformanceDefinition& definition,
                          const std::vector<double>& values, const PerformanceContext& context) {
    if (design.status.status == design::statusError) {
        design.violation = design::failedViolation;
        return design::failedPerformance;
    }
    if (context.doeAgent) return 1.0;
    if (!hasGoals(definition)) {
        design.status.status = design::statusNoGoals;
        return design::noGoalsPerformance;
    }
    assert(values.size() >= definition.size());
    design.status.status = design::statusFeasible;
    if (context.fixesNormalisation) fixBaselineFactors(definition, values, context);
    double violation = 0.0;
    double p = goalSum(design, definition, values, violation);
    p += robustSum(context);
    design.rawPerformance = p;
    if (!context.violationBookkeepingOff) design.violation = violation;
    return p;
}

}  // namespace varno::performance
