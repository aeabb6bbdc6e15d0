#include "results.h"

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <sstream>

#include "file_output.h"
#include "library.h"
#include "number_text.h"
#include "varno.h"

namespace varno::tool {

namespace {

std::vector<std::size_t> objectiveColumns(const StudyModel& model) {
    std::vector<std::size_t> columns;
    for (std::size_t i = 0; i < model.responses.size(); ++i) {
        if (model.responses[i].kind == BlockKind::objective) columns.push_back(i);
    }
    return columns;
}

bool dominates(const std::vector<double>& a, const std::vector<double>& b) {
    bool better = false;
    for (std::size_t k = 0; k < a.size(); ++k) {
        if (a[k] > b[k]) return false;
        better = better || a[k] < b[k];
    }
    return better;
}

// A design's value of a variable: its set item for a discrete variable.
std::string valueText(const StudyVariable& variable, double value, bool full = false) {
    if (const std::string* item = variable.item(value)) return *item;
    return full ? numberText(value) : shortNumberText(value, 10);
}

std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

const EvaluatedDesign* findDesign(const RunRecord& record, int id) {
    for (const EvaluatedDesign& design : record.designs) {
        if (design.id == id) return &design;
    }
    return nullptr;
}

}  // namespace

std::vector<int> nonDominatedIds(const StudyModel& model, const RunRecord& record) {
    const std::vector<std::size_t> columns = objectiveColumns(model);
    const bool anyFeasible =
        std::any_of(record.designs.begin(), record.designs.end(),
                    [](const EvaluatedDesign& d) { return d.status == 1 || d.status == 2; });
    std::vector<std::pair<int, std::vector<double>>> candidates;
    for (const EvaluatedDesign& design : record.designs) {
        const bool usable = anyFeasible ? (design.status == 1 || design.status == 2)
                                        : design.status == 3;
        if (!usable) continue;
        std::vector<double> costs;
        for (std::size_t c : columns) costs.push_back(model.responses[c].cost(design.responses[c]));
        candidates.emplace_back(design.id, std::move(costs));
    }
    std::vector<int> front;
    for (const auto& candidate : candidates) {
        const bool dominated =
            std::any_of(candidates.begin(), candidates.end(), [&](const auto& other) {
                return dominates(other.second, candidate.second);
            });
        if (!dominated) front.push_back(candidate.first);
    }
    return front;
}

ParetoSet paretoSet(const StudyModel& model, const RunRecord& record) {
    ParetoSet pareto;
    int* ids = nullptr;
    int* ranks = nullptr;
    const int count = VARNO_getParetoDesignIds(&ids, &ranks);
    for (int k = 0; k < count; ++k) {
        if (ranks[k] == 1) pareto.ids.push_back(ids[k]);
    }
    VARNO_freePtr(ids);
    VARNO_freePtr(ranks);
    if (count > 0) return pareto;
    const char* why = VARNO_getLastMessage();
    pareto.note = "the library's Pareto query gave no set (" +
                  std::string(why ? why : "no message") +
                  "); the non-dominated designs were computed by the runner";
    pareto.ids = nonDominatedIds(model, record);
    return pareto;
}

int judgedStatus(const StudyModel& model, const EvaluatedDesign& design) {
    if (design.status != 4 || design.failed()) return design.status;
    bool constrained = false, feasible = true;
    for (std::size_t i = 0; i < model.responses.size() && i < design.responses.size(); ++i) {
        const StudyResponse& response = model.responses[i];
        if (response.kind != BlockKind::constraint) continue;
        constrained = true;
        const double value = design.responses[i], target = response.target;
        if (response.option == "greater_equal" || response.option == "1") {
            feasible = feasible && value >= target;
        } else if (response.option == "equal" || response.option == "0") {
            feasible = feasible &&
                       std::fabs(value - target) <= 1e-9 * std::max(1.0, std::fabs(target));
        } else {
            feasible = feasible && value <= target;
        }
    }
    return !constrained ? 1 : feasible ? 2 : 3;
}

const EvaluatedDesign* bestFeasibleDesign(const RunRecord& record) {
    const EvaluatedDesign* best = nullptr;
    for (const EvaluatedDesign& design : record.designs) {
        if (design.status != 1 && design.status != 2) continue;
        if (best == nullptr || design.performance > best->performance) best = &design;
    }
    return best;
}

void printBestDesign(std::ostream& out, const StudyModel& model, const RunRecord& record,
                     int bestId) {
    const EvaluatedDesign* best = bestFeasibleDesign(record);
    const EvaluatedDesign* libraryBest = findDesign(record, bestId);
    if (best != nullptr) {
        out << "\nBest feasible design: Design" << best->id;
        if (libraryBest != nullptr && libraryBest->id != best->id && libraryBest->status == 3) {
            out << "  (the library's best, Design" << libraryBest->id << ", violates a constraint)";
        }
    } else if (libraryBest != nullptr && !libraryBest->failed()) {
        best = libraryBest;
        out << "\nNo design is feasible. Least infeasible design: Design" << best->id;
    } else {
        out << "\nNo design was evaluated successfully.\n";
        return;
    }
    out << "\n  performance " << shortNumberText(best->performance, 10) << "  status "
        << statusWord(best->status) << "\n";
    for (std::size_t i = 0; i < model.variables.size(); ++i) {
        out << "  " << std::left << std::setw(20) << model.variables[i].name << " "
            << valueText(model.variables[i], best->values[i]) << "\n";
    }
    for (std::size_t i = 0; i < model.responses.size(); ++i) {
        out << "  " << std::left << std::setw(20) << model.responses[i].name << " "
            << shortNumberText(best->responses[i], 10) << "  ("
            << blockKindWord(model.responses[i].kind) << ")\n";
    }
}

void printParetoSet(std::ostream& out, const StudyModel& model, const RunRecord& record,
                    const ParetoSet& pareto) {
    const std::vector<std::size_t> columns = objectiveColumns(model);
    std::vector<const EvaluatedDesign*> members;
    for (int id : pareto.ids) {
        if (const EvaluatedDesign* design = findDesign(record, id)) members.push_back(design);
    }
    std::sort(members.begin(), members.end(), [&](const auto* a, const auto* b) {
        return a->responses[columns.front()] < b->responses[columns.front()];
    });
    out << "\nPareto set: " << members.size() << " designs\n";
    if (!pareto.note.empty()) out << "(" << pareto.note << ")\n";
    out << "  " << std::left << std::setw(12) << "design";
    for (std::size_t c : columns) out << std::setw(16) << model.responses[c].name;
    out << "status\n";
    for (const EvaluatedDesign* design : members) {
        out << "  " << std::setw(12) << ("Design" + std::to_string(design->id));
        for (std::size_t c : columns) out << std::setw(16) << shortNumberText(design->responses[c]);
        out << statusWord(design->status) << "\n";
    }
}

void writeResultsCsv(const std::filesystem::path& path, const StudyModel& model,
                     const RunRecord& record) {
    std::ostringstream out;
    out << "id,status,performance";
    for (const StudyVariable& variable : model.variables) out << ',' << csvField(variable.name);
    for (const std::string& parameter : model.parameters) out << ',' << csvField(parameter);
    for (const StudyResponse& response : model.responses) out << ',' << csvField(response.name);
    out << ",error\n";
    for (const EvaluatedDesign& design : record.designs) {
        out << design.id << ',' << statusWord(design.status) << ','
            << numberText(design.performance);
        for (std::size_t i = 0; i < design.values.size(); ++i) {
            out << ','
                << (i < model.variables.size()
                        ? csvField(valueText(model.variables[i], design.values[i], true))
                        : numberText(design.values[i]));
        }
        for (std::size_t i = 0; i < model.responses.size(); ++i) {
            out << ',' << (design.failed() ? "" : numberText(design.responses.at(i)));
        }
        out << ',' << csvField(design.error) << '\n';
    }
    writeFileReplacing(path, out.str());
}

void writeDoeArrayCsv(const std::filesystem::path& path, const StudyModel& model,
                      const RunRecord& record) {
    std::vector<std::size_t> columns;
    for (const std::string& factor : model.factors) {
        const auto found =
            std::find_if(model.variables.begin(), model.variables.end(),
                         [&factor](const StudyVariable& v) { return v.name == factor; });
        if (found == model.variables.end()) {
            throw RunError("the DOE factor " + factor + " is not a study variable");
        }
        columns.push_back(static_cast<std::size_t>(found - model.variables.begin()));
    }
    std::ostringstream out;
    out << "run,design";
    for (const std::string& factor : model.factors) out << ',' << csvField(factor);
    out << '\n';
    int run = 0;
    for (const EvaluatedDesign& design : record.designs) {
        out << ++run << ",Design" << design.id;
        for (std::size_t column : columns) {
            out << ',' << csvField(valueText(model.variables[column], design.values[column], true));
        }
        out << '\n';
    }
    writeFileReplacing(path, out.str());
}

}  // namespace varno::tool
