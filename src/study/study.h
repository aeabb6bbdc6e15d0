// The study aggregate: everything that belongs to the current study, created
// by initialisation and destroyed by the end of the study.
#pragma once

#include <memory>
#include <string>

#include <optional>
#include <vector>

#include "doe/doe_designs.h"
#include "doe/doe_settings.h"
#include "doe/doe_table.h"
#include "doe/robust_design.h"
#include "doe/robust_design_array.h"
#include "frame/library_state.h"
#include "study/design_cycle.h"
#include "design/design_store.h"
#include "design/encoding.h"
#include "model/project_model.h"
#include "output/checkpoint_file.h"
#include "search/engine_cycle.h"
#include "search/random_stream.h"
#include "study/output_state.h"
#include "study/setup_data.h"

namespace varno {

// Everything that belongs to the current study. Later subsystems add their
// tables here so that ending the study releases them all at once.
struct Study : StudyCore {
    std::string libraryName = "VARNO Library";
    std::string versionText;
    int versionNumber = 0;
    model::ProjectModel project;
    StudySetup setup;  // agent, study-level data, method, runtime options
    design::DesignStore store;
    std::unique_ptr<design::DesignEncoding> encoding;  // built when the study is finalised
    CycleState cycle;
    search::RandomStream random;                   // the engine's generator
    std::unique_ptr<search::SearchMethod> search;  // the agent's search, once finalised
    search::EngineState engine;
    output::WriteSequence checkpointWrites;  // of the verified checkpoint files
    // A designed experiment: its settings, its array once built, the designs
    // of its runs, and the factor labels as the host reads them.
    doe::DoeSettings doeSettings;
    std::optional<doe::DoeTable> doeTable;
    doe::DoeRuns doeRuns;
    std::vector<char*> factorNames;
    StudyOutputState output;  // what the run's files need to remember

    void writeEndOfRunFiles() override;
    // Once the analysis has run: the rows of level means and the interaction
    // labels, pointing into the table, as the DOE queries hand them out.
    std::vector<double*> doeEffectRows;
    std::vector<char*> doeInteractionNames;
    // A robust parameter design: both arrays' settings, the noise runs per
    // control run, and per response the control-run means and ratios.
    doe::RobustDesignSettings robustDesign;
    int noiseRuns = 0;
    std::vector<std::pair<std::string, doe::ControlRunSummary>> controlRunSummaries;

    // The study's one agent (exists once the study is created) and its
    // performance definition (exists once a response is added or the study
    // is finalised).
    search::Agent& agent() { return *setup.agent; }
    const search::Agent& agent() const { return *setup.agent; }
    model::PerformanceDefinition& performance() { return project.per_type.front(); }
    const model::PerformanceDefinition& performance() const { return project.per_type.front(); }
};

// The current study, or null before initialisation and after its end.
Study* currentStudy();

}  // namespace varno
