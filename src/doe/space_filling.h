// Designs that spread their runs over the factor space: the maximin Latin
// hypercube and its optimised and Hammersley variants, and the D-optimal
// design by coordinate exchange.
#pragma once

#include <vector>

#include "doe/doe_table.h"
#include "search/random_stream.h"

namespace varno::doe {

// A uniformly random permutation of 0 .. n-1: position after position takes
// a random one of the indices not used yet.
std::vector<int> randomPermutation(int n, search::RandomStream& random);

// The best of `tries` random Latin hypercubes of `runs` runs over k factors
// with `levels` levels (levels / runs sub-levels per stratum), by the
// largest smallest L1 distance between two runs; ties keep the earlier.
DoeTable latinHypercube(int k, int runs, int levels, int tries, search::RandomStream& random);

// The optimised Latin hypercube of the sampling library over a one-try
// shell; `timeLimit` in seconds scales its effort.
DoeTable optimizedLatinHypercube(int k, int runs, double timeLimit, search::RandomStream& random);

// The Hammersley points of `runs` runs, one level per run and factor.
DoeTable hammersleyDesign(int k, int runs, search::RandomStream& random);

// The smallest L1 distance between two runs of the table's first k columns.
int smallestRunDistance(const DoeTable& table);

// The first-order model matrix of the D-optimal search: one row per run,
// column 0 all 1, then one column per factor in [-1, 1].
using ModelMatrix = std::vector<std::vector<double>>;

// Improves `x` by coordinate exchange: each factor of each run tries -1, 0
// and +1 and takes the best when it raises det(XᵀX); at most 10 passes.
void exchangeCoordinates(ModelMatrix& x);

// det(XᵀX) of a model matrix.
double informationDeterminant(const ModelMatrix& x);

// The D-optimal design of `runs` runs over k factors; more runs than the
// full factorial has give a warning and the search goes on.
DoeTable dOptimal(int k, int runs, int agentNumber, search::RandomStream& random);

}  // namespace varno::doe
