// The orthogonal (Taguchi) arrays: two-level, three-level and the two mixed
// arrays whose factors are placed by their own numbers of levels.
#pragma once

#include <string>
#include <vector>

#include "doe/doe_table.h"

namespace varno::doe {

struct OrthogonalArrayInfo {
    const char* name;
    int runs;
    int fewestFactors;
    int mostFactors;      // = columns
    int twoLevelColumns;  // the first columns; the rest have three levels
};

// The array table, in index order (L4 … L128, L9, L18, L27, L36, L81).
const std::vector<OrthogonalArrayInfo>& orthogonalArrays();

// Index of the array called `name`, or -1.
int orthogonalArrayIndex(const std::string& name);

// Every column of array `index` as stored: one row per run, levels from 0.
std::vector<std::vector<int>> orthogonalArrayRows(int index);

// The array for k factors whose numbers of levels are `levelsPerFactor`
// (used by the mixed arrays). Mixed arrays put the two-level factors first:
// `variableIds` is reordered alongside and becomes the table's factor map.
DoeTable orthogonalArray(int k, int index, std::vector<int> levelsPerFactor,
                         std::vector<int> variableIds);

}  // namespace varno::doe
