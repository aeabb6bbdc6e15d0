#include "doe/doe_sort.h"

#include <numeric>
#include <utility>

#include "frame/fatal_error.h"
#include "frame/text_format.h"

namespace varno::doe {

namespace {

constexpr int insertionBelow = 7;

void insertionSort(std::vector<int>& index, int first, int last,
                   const std::function<bool(int, int)>& less) {
    for (int j = first + 1; j <= last; ++j) {
        const int moving = index[j];
        int i = j - 1;
        for (; i >= first && less(moving, index[i]); --i) index[i + 1] = index[i];
        index[i + 1] = moving;
    }
}

// Puts the median of the first, middle and last entries at first + 1, the
// smallest at first and the largest at last, so both scans stop in range.
void medianOfThree(std::vector<int>& index, int first, int last,
                   const std::function<bool(int, int)>& less) {
    std::swap(index[(first + last) / 2], index[first + 1]);
    if (less(index[last], index[first])) std::swap(index[first], index[last]);
    if (less(index[last], index[first + 1])) std::swap(index[first + 1], index[last]);
    if (less(index[first + 1], index[first])) std::swap(index[first], index[first + 1]);
}

// Partitions around the median; returns the pivot's final place and the
// first entry of the upper part.
std::pair<int, int> partition(std::vector<int>& index, int first, int last,
                              const std::function<bool(int, int)>& less) {
    medianOfThree(index, first, last, less);
    int i = first + 1;
    int j = last;
    const int pivot = index[first + 1];
    for (;;) {
        do ++i;
        while (less(index[i], pivot));
        do --j;
        while (less(pivot, index[j]));
        if (j < i) break;
        std::swap(index[i], index[j]);
    }
    index[first + 1] = index[j];
    index[j] = pivot;
    return {j, i};
}

[[noreturn]] void stackOverflow(SortKind kind, int depth) {
    fatalError(kind == SortKind::values
                   ? formatText("\n\t NSTACK TO SMALL, jstack = %d.\n", depth)
                   : formatText("\n\t NSTACK TOO SMALL, jstack = %d.\n", depth));
}

}  // namespace

void quicksortIndex(std::vector<int>& index, const std::function<bool(int, int)>& less,
                    SortKind kind, int stackEntries) {
    std::vector<int> istack(static_cast<std::size_t>(stackEntries) + 2, 0);
    int first = 0;
    int last = static_cast<int>(index.size()) - 1;
    int depth = 0;
    for (;;) {
        if (last - first + 1 < insertionBelow) {
            insertionSort(index, first, last, less);
            if (depth == 0) return;
            last = istack[--depth];
            first = istack[--depth];
            continue;
        }
        const auto [pivot, upper] = partition(index, first, last, less);
        depth += 2;
        if (depth > stackEntries) stackOverflow(kind, depth);
        if (last - upper + 1 >= pivot - first) {
            istack[depth - 1] = last;
            istack[depth - 2] = upper;
            last = pivot - 1;
        } else {
            istack[depth - 1] = pivot - 1;
            istack[depth - 2] = first;
            first = upper;
        }
    }
}

std::vector<int> sortedValueIndex(const std::vector<double>& values, int stackEntries) {
    std::vector<int> index(values.size());
    std::iota(index.begin(), index.end(), 0);
    quicksortIndex(
        index, [&values](int a, int b) { return values[a] < values[b]; }, SortKind::values,
        stackEntries);
    return index;
}

}  // namespace varno::doe
