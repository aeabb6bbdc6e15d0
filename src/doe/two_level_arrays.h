// Two-level orthogonal arrays from Hadamard matrices, and the Plackett-Burman
// designs built on them.
#pragma once

#include <vector>

#include "doe/doe_table.h"

namespace varno::doe {

// A matrix of +1 and -1 entries, one row per run.
using SignMatrix = std::vector<std::vector<int>>;

// A Hadamard matrix of order n for n in {4, 8, 12, 16, 20, 24, 28, 32, 36,
// 40, 44, 48, 56, 60, 64, 72, 80, 88, 96, 104, 112, 120, 128}; empty for an
// order without a construction here.
SignMatrix hadamardMatrix(int n);

// The n - 1 balanced two-level columns of a Hadamard matrix: every row is
// turned so that its first entry is +1, then that column is dropped; +1
// becomes level 1, -1 level 0.
std::vector<std::vector<int>> twoLevelColumns(const SignMatrix& hadamard);

// A Plackett-Burman design of `runs` runs (12, 20, 24, 36, 40, 48 or 64)
// for k factors; all runs - 1 columns exist, the first k are labelled.
DoeTable plackettBurman(int k, int runs);

}  // namespace varno::doe
