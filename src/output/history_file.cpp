#include "output/history_file.h"

#include <cstdio>
#include <new>
#include <span>

#include "design/design_bytes.h"
#include "frame/message_writer.h"
#include "frame/text_format.h"
#include "support/binary_io.h"
#include "support/crc16.h"
#include "support/file_io.h"

namespace varno::output {

namespace {

// The fewest bytes one design record takes: its fixed fields and empty
// vectors and texts.
constexpr std::size_t minDesignBytes = 2 * 4 + 2 * 4 + 4 * 4 + 6 * 8 + 6 * 4 + 5 * 4;
constexpr std::size_t minVariableBytes = 4 * 4 + 2 * 8 + 2 * 4;

void writeVariables(support::ByteWriter& out, const std::vector<HistoryVariable>& variables) {
    out.int32(static_cast<std::int32_t>(variables.size()));
    for (const HistoryVariable& v : variables) {
        out.int32(v.resolution);
        out.int32(v.discrete);
        out.int32(v.id);
        out.int32(v.id2);
        out.real(v.min);
        out.real(v.max);
        out.text(v.distributionName);
        out.text(v.distributionType);
    }
}

bool readVariables(support::ByteReader& in, std::vector<HistoryVariable>& variables) {
    std::int32_t n = 0;
    if (!in.count(n, minVariableBytes)) return false;
    variables.resize(static_cast<std::size_t>(n));
    for (HistoryVariable& v : variables) {
        in.int32(v.resolution);
        in.int32(v.discrete);
        in.int32(v.id);
        in.int32(v.id2);
        in.real(v.min);
        in.real(v.max);
        in.text(v.distributionName);
        if (!in.text(v.distributionType)) return false;
    }
    return true;
}

// Three arrays of one count: tool ids, directions and value types.
void writeMetrics(support::ByteWriter& out, const HistoryProblem& problem) {
    out.int32(static_cast<std::int32_t>(problem.toolIds.size()));
    for (int id : problem.toolIds) out.int32(id);
    for (int direction : problem.directions) out.int32(direction);
    for (int type : problem.valueTypes) out.int32(type);
}

bool readMetrics(support::ByteReader& in, HistoryProblem& problem) {
    std::int32_t n = 0;
    if (!in.count(n, 3 * 4)) return false;
    for (std::vector<int>* values : {&problem.toolIds, &problem.directions, &problem.valueTypes}) {
        values->resize(static_cast<std::size_t>(n));
        for (int& value : *values) in.int32(value);
    }
    return !in.failed();
}

bool readDesigns(support::ByteReader& in, std::vector<design::Design>& designs) {
    std::int32_t n = 0;
    if (!in.count(n, minDesignBytes)) return false;
    designs.resize(static_cast<std::size_t>(n));
    for (design::Design& d : designs) {
        if (!design::readDesign(in, d)) return false;
        // The loop and analysis-mapping data: no loops, no mapped analyses.
        std::int32_t loops = 0, mappings = 0;
        if (!in.int32(loops) || !in.int32(mappings) || loops != 0 || mappings != 0) return false;
    }
    return true;
}

std::uint16_t checksum(const std::string& bytes, std::size_t length) {
    return support::crc16_ccitt(bytes.data(), length);
}

}  // namespace

std::string historyFilePath(const std::string& folder, const std::string& prefix, int agent) {
    return formatText("%s%c%s%d.hst", folder.c_str(), support::pathSeparator, prefix.c_str(),
                      agent);
}

HistoryProblem historyProblem(const model::ProjectModel& project, int agent) {
    HistoryProblem problem;
    for (const model::StudyVariable& variable : project.dvar.front().data) {
        HistoryVariable v{variable.resolution, variable.discrete, variable.id, variable.id2,
                          variable.min,        variable.max,      "NONE",      "NONE"};
        const auto distribution = static_cast<std::size_t>(variable.distribution);
        if (variable.distribution >= 0 && distribution < project.user_distributions.size()) {
            v.distributionName = project.user_distributions[distribution].name;
            v.distributionType = project.user_distributions[distribution].type;
        }
        problem.variables.push_back(v);
    }
    const auto printFlag = [agent](const std::vector<int>& flags) {
        const auto at = static_cast<std::size_t>(agent);
        return at < flags.size() ? flags[at] : 0;
    };
    for (const auto& dependent : project.file_user_depn) {
        problem.dependentPrint.push_back(printFlag(dependent.printFlags));
    }
    for (const auto& parameter : project.file_user_fixed) {
        problem.parameterPrint.push_back(printFlag(parameter.printFlags));
    }
    if (!project.per_type.empty()) {
        for (const model::ResponseGoal& goal : project.per_type.front().goals) {
            problem.toolIds.push_back(goal.eval_tool);
            problem.directions.push_back(goal.opt);
            problem.valueTypes.push_back(goal.resp_value_type);
        }
    }
    return problem;
}

std::vector<design::Design> historyDesigns(const design::DesignStore& store, int agent) {
    std::vector<design::Design> designs;
    for (std::size_t i = 0; i < store.size(); ++i) {
        const design::StoredDesign& stored = store.record(i);
        if (stored.agentTag != agent) continue;
        design::Design d;
        d.agentTag = stored.agentTag;
        d.evaluationKind = stored.evaluationKind;
        d.id = stored.id;
        d.tag1 = stored.tag1;
        d.tag2 = stored.tag2;
        const auto n = static_cast<std::size_t>(stored.numVariables);
        const std::span<const int> ints = store.ints(i);
        const std::span<const double> reals = store.reals(i);
        d.ints.assign(ints.begin(), ints.begin() + static_cast<long>(std::min(n, ints.size())));
        if (!reals.empty()) d.reals.assign(reals.begin(), reals.end() - 1);
        d.responseValues = stored.responseValues();
        d.dependentValues = stored.dependentValues();
        d.performance = stored.performance;
        d.rawPerformance = stored.rawPerformance;
        d.status = stored.evaluationStatus();
        d.source = stored.source;
        d.name = stored.name;
        designs.push_back(std::move(d));
    }
    return designs;
}

std::string encodeHistory(const History& history) {
    support::ByteWriter out;
    out.int32(history.version);
    out.int32(history.problem.stochasticity);
    writeVariables(out, history.problem.variables);
    out.int32Vector(history.problem.dependentPrint);
    out.int32Vector(history.problem.parameterPrint);
    writeMetrics(out, history.problem);
    out.int32(static_cast<std::int32_t>(history.designs.size()));
    for (const design::Design& d : history.designs) {
        design::writeDesign(out, d);
        out.int32(0);  // analysis loops
        out.int32(0);  // mapped analyses
    }
    for (int counter : history.counters) out.int32(counter);
    out.int32(checksum(out.buffer(), out.size()));
    return out.take();
}

HistoryDecode decodeHistory(const std::string& bytes, History& history) {
    support::ByteReader in(bytes);
    if (!in.int32(history.version)) return HistoryDecode::noHeader;
    HistoryProblem& problem = history.problem;
    in.int32(problem.stochasticity);
    if (!readVariables(in, problem.variables) || !in.int32Vector(problem.dependentPrint) ||
        !in.int32Vector(problem.parameterPrint) || !readMetrics(in, problem) ||
        !readDesigns(in, history.designs)) {
        return HistoryDecode::corrupt;
    }
    for (int& counter : history.counters) in.int32(counter);
    const std::size_t checked = in.offset();
    std::int32_t sum = 0;
    if (!in.int32(sum) || !in.atEnd() || sum != checksum(bytes, checked)) {
        return HistoryDecode::corrupt;
    }
    return HistoryDecode::ok;
}

bool writeHistoryFile(const std::string& path, const History& history, int agent) {
    try {
        if (support::replaceFile(path, encodeHistory(history))) return true;
    } catch (const std::bad_alloc&) {
        writeToMessageFile(formatText("\n\tError in writing history file for agent %d.", agent));
    }
    writeMessage("outptr", "warning",
                 formatText("\n\t Could not write history file for agent %d.", agent));
    return false;
}

}  // namespace varno::output
