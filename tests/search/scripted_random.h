// A random stream that returns given draws first, for tests of the operators
// that consume them.
#pragma once

#include <vector>

#include "search/random_stream.h"

namespace varno::search::testing {

inline RandomStream scripted(const std::vector<double>& draws) {
    RandomStream stream;
    RandomStream::State state;
    for (std::size_t i = 0; i < draws.size(); ++i) state.table[i + 1] = draws[i];
    stream.restore(state);
    return stream;
}

}  // namespace varno::search::testing
