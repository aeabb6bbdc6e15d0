// Generates the study file of a built-in problem.
#include <sstream>

#include "number_text.h"
#include "problems.h"

namespace varno::tool {

namespace {

constexpr int resolution = 10001;  // levels of each continuous variable
constexpr int archiveSize = 40;    // Pareto archive of a multi-objective study

// A baseline away from the box centre, where several optima lie.
double baselineOf(const Problem& problem, int i) {
    return problem.lower[i] + 0.75 * (problem.upper[i] - problem.lower[i]);
}

void writeParameters(std::ostream& out, const Problem& problem) {
    for (int i = 0; i < problem.dimension(); ++i) {
        out << "[parameter x" << i + 1 << "]\ntype: Continuous\nid: " << i + 1
            << "\nmin: " << numberText(problem.lower[i])
            << "\nbaseline: " << numberText(baselineOf(problem, i))
            << "\nmax: " << numberText(problem.upper[i]) << "\n\n";
    }
    for (const std::string& name : problem.responseNames()) {
        out << "[response " << name << "]\ntype: API\n\n";
    }
}

void writeMethod(std::ostream& out, const Problem& problem, int budget, double seed) {
    out << "[studyData " << problem.name
        << "]\nstartAgent: 0\nendAgent: 0\nfilePrefix: " << problem.name
        << "\nrandomSeed: " << numberText(seed) << "\nmode: newStudy\n\n";
    if (problem.objectives > 1) {
        out << "[method search]\nmethod: MOTRAVOK\nnumEvals: " << budget
            << "\narchiveSize: " << archiveSize << "\n\n";
    } else {
        out << "[method search]\nmethod: TRAVOK\nnumEvals: " << budget << "\n\n";
    }
}

void writeStudyResponses(std::ostream& out, const Problem& problem) {
    const std::vector<std::string> names = problem.responseNames();
    for (int k = 0; k < problem.objectives; ++k) {
        out << "[objective " << names[k]
            << "]\nfactor: 1\noption: min_value\ntarget: 0\nquadWt: 0\nlinearWt: 1\n"
            << "acceptMin: -1e300\nacceptMax: 1e300\n\n";
    }
    for (int j = 0; j < problem.constraintCount(); ++j) {
        out << "[constraint " << names[problem.objectives + j]
            << "]\nfactor: " << numberText(problem.constraintScales[j])
            << "\noption: less_equal\ntarget: 0\nquadWt: " << numberText(problem.penaltyWeight)
            << "\nlinearWt: 0\nacceptMin: -1e300\nacceptMax: 1e300\n\n";
    }
}

}  // namespace

int defaultBudget(const Problem& problem) { return problem.objectives > 1 ? 1000 : 500; }

std::string problemStudyText(const Problem& problem, int budget, double seed) {
    std::ostringstream out;
    out << "# Built-in problem " << problem.name << ": " << problem.description << "\n\n";
    out << "[study " << problem.name << "]\ntype: optimization\n\n";
    writeParameters(out, problem);
    writeMethod(out, problem, budget, seed);
    for (int i = 0; i < problem.dimension(); ++i) {
        out << "[variable x" << i + 1 << "]\ntype: Continuous\nid: " << i + 1
            << "\nresolution: " << resolution << "\ndistribution: NONE\n\n";
    }
    writeStudyResponses(out, problem);
    return out.str();
}

}  // namespace varno::tool
