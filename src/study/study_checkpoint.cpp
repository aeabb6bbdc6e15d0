#include "study/study_checkpoint.h"

#include <algorithm>

#include "frame/fatal_error.h"
#include "frame/message_writer.h"
#include "frame/text_format.h"
#include "study/study.h"
#include "study/study_history.h"

namespace varno {

namespace {

constexpr const char* setupChanged =
    "\n\t The problem setup was changed prior to extending the run.";

int variableCount(const Study& study) {
    return static_cast<int>(study.project.dvar.front().data.size());
}

[[noreturn]] void refuseChangedSetup(const char* what, const char* detail, int before, int now) {
    fatalError(formatText("%s%s%s", setupChanged, what, formatText(detail, before, now).c_str()));
}

void checkSameSetup(const Study& study, const output::Checkpoint& c) {
    if (c.version != study.versionNumber) {
        fatalError("Attempting to extend a study using results that were generated in a "
                   "different version of VARNO. The runs can only be extended from results "
                   "within the same version. Exiting.");
    }
    if (c.variableCount != variableCount(study)) {
        refuseChangedSetup(" The number of design variables (CONT/DISC)",
                           "\n\t The original run had %d design variables, but the new run "
                           "setup has %d.",
                           c.variableCount, variableCount(study));
    }
    const int projectResponses = static_cast<int>(study.project.prjResps.size());
    if (c.projectResponses != projectResponses) {
        refuseChangedSetup(" The number of project responses",
                           "\n\t The original run had %d project responses, but the new run "
                           "setup has %d.",
                           c.projectResponses, projectResponses);
    }
    const int studyResponses = static_cast<int>(study.performance().size());
    if (c.studyResponses != studyResponses) {
        refuseChangedSetup(" The number of objectives/constraints/responses",
                           "\n\t The response storage size for original run was %d total, but "
                           "for the new run setup is %d.",
                           c.studyResponses, studyResponses);
    }
}

[[noreturn]] void refuseMembers() {
    writeToMessageFile("\nError:EndCPRead failed.\n");
    fatalError("Unable to restore the search from the checkpoint files.");
}

}  // namespace

void saveCheckpoint(Study& study) {
    if (!historyOn(study) || !study.search) return;
    std::optional<search::SearchSnapshot> snapshot = study.search->snapshot();
    if (!snapshot) return;
    const search::Agent& agent = study.agent();
    output::Checkpoint c;
    c.version = study.versionNumber;
    c.populationSize = agent.data.populationSize;
    c.variableCount = variableCount(study);
    c.projectResponses = static_cast<int>(study.project.prjResps.size());
    c.studyResponses = static_cast<int>(study.performance().size());
    c.cycleCounter = study.cycle.cycleCounter;
    c.totalCycles = study.cycle.totalCycles;
    c.evaluationsDone = agent.data.evaluationsDone;
    c.bestPerformance = agent.data.bestPerformance;
    c.search = std::move(*snapshot);
    c.random = study.random.state();
    output::writeCheckpoint(study.workingDirectory, study.setup.study.filePrefix, agent.number, c,
                            study.checkpointWrites);
}

std::optional<output::Checkpoint> readCheckpointToExtend(Study& study) {
    if (!study.setup.study.extend || !search::isHybridSearch(study.agent().method_used)) {
        return std::nullopt;
    }
    search::Agent& agent = study.agent();
    writeToMessageFile("EXTENDING a run from saved checkpoint files.\n");
    output::Checkpoint c;
    const output::CheckpointRead read = output::readCheckpoint(
        study.workingDirectory, study.setup.study.filePrefix, agent.number, c);
    if (read == output::CheckpointRead::noHeader) {
        writeToMessageFile("\n *** Sorry, Unable to read the restart header file (.ckp). ***\n");
        fatalError("Unable to read restart header file (.ckp).");
    }
    checkSameSetup(study, c);
    if (read != output::CheckpointRead::ok) refuseMembers();
    if (c.populationSize != agent.data.populationSize) {
        writeMessage("outptr", "warning",
                     formatText("\n\tSearch set size set to %d for agent %d as it cannot change "
                                "for extending.\n",
                                c.populationSize, agent.number));
        agent.data.populationSize = c.populationSize;
    }
    return c;
}

void continueFromCheckpoint(Study& study, const output::Checkpoint& c) {
    if (!study.search || !study.search->restore(c.search)) refuseMembers();
    study.random.restore(c.random);
    CycleState& cycle = study.cycle;
    cycle.cycleCounter = c.cycleCounter;
    cycle.totalCycles = c.totalCycles;
    cycle.firstCycle = false;
    cycle.cycleBegun = true;
    cycle.initialSetDone = true;
    study.engine.initialHandedOut = true;
    study.engine.initialSetDone = true;
    study.engine.finished = false;
    search::ag_dta_per_proc& data = study.agent().data;
    data.evaluationsDone = std::max(data.evaluationsDone, c.evaluationsDone);
    data.bestPerformance = c.bestPerformance;
}

}  // namespace varno
