// The classical factorial arrays: two- and three-level full and fractional
// factorials and the central composite design.
#pragma once

#include <string>
#include <vector>

#include "doe/doe_table.h"

namespace varno::doe {

// The generators of a fractional factorial: one "X=ABC" text per generated
// factor, and the interaction order kept for the two-level designs.
struct FractionalGenerators {
    std::vector<std::string> labels;
    int order = 0;
};

// The generators tabled for k factors and p generators, or none.
const FractionalGenerators* twoLevelGenerators(int k, int p);
const FractionalGenerators* threeLevelGenerators(int k, int p);

DoeTable fullFactorial2(int k, int order);
DoeTable fractionalFactorial2(int k, int p);
DoeTable fullFactorial3(int k, int order);
DoeTable fractionalFactorial3(int k, int p);
DoeTable centralComposite(int k);

}  // namespace varno::doe
