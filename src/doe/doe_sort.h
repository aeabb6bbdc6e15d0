// The sorting routine of the DOE analysis: a non-recursive quicksort of an
// index array with an explicit stack. Its handling of equal keys is part of
// what the reports show, so the analysis sorts with it and nothing else.
#pragma once

#include <functional>
#include <vector>

namespace varno::doe {

// Entries of the explicit stack (two per pending sub-range).
inline constexpr int sortStackEntries = 500;

// Orders `index` so that no entry comes before one it is `less` than:
// median-of-three partitions, straight insertion below seven entries, the
// larger part pushed. A stack overflow is fatal, with the message of the
// kind of sort.
enum class SortKind { values, terms };
void quicksortIndex(std::vector<int>& index, const std::function<bool(int, int)>& less,
                    SortKind kind, int stackEntries = sortStackEntries);

// An index array 0 … n-1 ordered by ascending `values`.
std::vector<int> sortedValueIndex(const std::vector<double>& values,
                                  int stackEntries = sortStackEntries);

}  // namespace varno::doe
