#include "study/study_history.h"

#include <algorithm>

#include "frame/message_writer.h"
#include "frame/text_format.h"
#include "output/checkpoint_file.h"
#include "output/history_check.h"
#include "output/history_file.h"
#include "study/design_results.h"
#include "study/study.h"
#include "support/file_io.h"

namespace varno {

namespace {

void note(const std::string& text) { writeMessage("outptr", "note", text); }

int agentNumber(const Study& study) { return study.agent().number; }

// Factors taken from the baseline design are fixed again from its stored
// values, as the first run fixed them; otherwise every later set of results
// would wait for a baseline design that is never handed out again.
void fixBaselineFactorsFrom(Study& study, const design::Design& design) {
    if (design.id != 1 || design.status.status == design::statusError) return;
    design::Design copy = design;
    scoreDesign(study, copy, studyOrderValues(copy));
}

// Re-enters the designs; the budget counts them as evaluations done and new
// designs are numbered after the highest id read.
void takeDesigns(Study& study, output::History& history) {
    int highestId = 0;
    for (design::Design& design : history.designs) {
        highestId = std::max(highestId, design.id);
        fixBaselineFactorsFrom(study, design);
        study.store.addDesign(design);
    }
    search::ag_dta_per_proc& data = study.agent().data;
    data.evaluationsDone = std::max({data.evaluationsDone, history.counters[0], highestId});
    std::string text = formatText("Read %d designs from history with an identical problem",
                                  static_cast<int>(history.designs.size()));
    note(formatText("%s presentation (representation, performance) as agent %d.", text.c_str(),
                    agentNumber(study)));
}

}  // namespace

bool historyOn(const Study& study) {
    return study.setup.options.disableHistory == 0 && study.setup.agent.has_value();
}

std::string historyPath(const Study& study) {
    return output::historyFilePath(study.workingDirectory, study.setup.study.filePrefix,
                                   agentNumber(study));
}

void saveHistory(Study& study) {
    if (!historyOn(study)) return;
    const int agent = agentNumber(study);
    output::History history;
    history.problem = output::historyProblem(study.project, agent);
    history.designs = output::historyDesigns(study.store, agent);
    history.counters = {study.agent().data.evaluationsDone, study.cycle.totalCycles,
                        static_cast<int>(history.designs.size())};
    output::writeHistoryFile(historyPath(study), history, agent);
}

void removeHistoryFiles(const Study& study) {
    if (!study.setup.agent) return;
    const std::string& folder = study.workingDirectory;
    const std::string& prefix = study.setup.study.filePrefix;
    const int agent = agentNumber(study);
    for (const std::string& path :
         {historyPath(study), output::checkpointPath(folder, prefix, agent, ".ckp"),
          output::checkpointPath(folder, prefix, agent, ".mem")}) {
        support::removeFile(path);
        support::removeFile(path + ".tmp");
    }
}

void resumeFromHistory(Study& study) {
    const StudyLevelData& level = study.setup.study;
    if (!level.resume && !level.extend) return;
    const int agent = agentNumber(study);
    writeToMessageFile("CONTINUING a run from the saved history files.\n");
    const std::string path = historyPath(study);
    output::HistoryReading reading;
    if (support::fileExists(path)) {
        reading =
            output::readHistoryFile(path, output::historyProblem(study.project, agent), agent);
    }
    if (!reading.usable) {
        note(formatText("\n\tHistory data for agent %d was not initialized from a previous "
                        "run.\n",
                        agent));
        return;
    }
    takeDesigns(study, reading.history);
    note(formatText("History data for agent %d was initialized from a previous run.", agent));
}

}  // namespace varno
