// The study's result queries that go beyond one design: the Pareto set and
// the study's counts.
#pragma once

namespace varno {

struct Study;

// The Pareto set of the agent's designs: its size, with the ids and ranks in
// new blocks; 0 with a message when there are not enough designs.
int paretoDesignIds(Study& study, int** paretoIds, int** paretoRanks);

// The count that VARNO_getIntStudyData answers for `dataId` (0 archive size,
// 1 variables, 2 responses, 3 fixed parameters, 4 objectives, 5 constraints);
// -1 for an unknown id. A study not yet initialised counts 0 of everything.
int studyCount(const Study* study, int dataId);

}  // namespace varno
