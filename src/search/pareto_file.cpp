#include "search/pareto_file.h"

#include <cstdlib>

#include "frame/fatal_error.h"
#include "frame/message_writer.h"
#include "frame/text_format.h"
#include "support/file_io.h"

namespace varno::search {

namespace {

// The reason is logged on its own, then the run stops with "Exiting".
[[noreturn]] void stopWith(const std::string& reason) {
    writeMessage("outptr", "error", reason);
    fatalError("Exiting");
}

// The number after "Cycle" in a header line; 0 when there is none.
int headerCycle(const std::string& line) {
    const auto at = line.find("Cycle");
    if (at == std::string::npos) return 0;
    return static_cast<int>(std::strtol(line.c_str() + at + 5, nullptr, 10));
}

}  // namespace

std::string paretoFilePath(const std::string& folder, const std::string& prefix, int agent,
                           int runMode) {
    const bool designFiles = runMode == modeRunDesignFiles || runMode == modeWriteDesignFiles;
    return formatText(designFiles ? "%s%c%s_post%d.pto" : "%s%c%s%d.pto", folder.c_str(),
                      support::pathSeparator, prefix.c_str(), agent);
}

int lastParetoCycle(const std::string& path) {
    support::FileReader reader(path);
    if (!reader.is_open()) return 0;
    int cycle = 0;
    std::string line;
    while (reader.getLine(line)) {
        if (!line.empty() && line.front() == 'E') cycle = headerCycle(line);
    }
    return cycle;
}

void ParetoFile::create() const {
    if (support::fileExists(path_)) return;
    support::FileWriter writer(path_, false);
    if (!writer.is_open()) {
        stopWith(formatText("\n\tError in creating the pareto output file (%s).", path_.c_str()));
    }
}

void ParetoFile::append(const std::vector<ParetoDesign>& archive) const {
    const int cycle = lastParetoCycle(path_) + 1;
    support::FileWriter writer(path_, true);
    if (!writer.is_open()) {
        stopWith(formatText("\n        Error in opening the pareto output file for writing (%s).",
                            path_.c_str()));
    }
    std::string block = formatText("Eval #, Rank in Cycle %d\n", cycle);
    for (const ParetoDesign& member : archive) {
        block += formatText("%8d, %8d\n", member.id, member.rank);
    }
    block += "\n";
    writer.write(block);
    writer.close();
}

}  // namespace varno::search
