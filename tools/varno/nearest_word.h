// Suggestions for misspelt words: the known word nearest by edit distance.
#pragma once

#include <string>
#include <vector>

namespace varno::tool {

// " (did you mean \"WORD\"?)" for the candidate closest to `word`, ignoring
// case, when it is close enough to be a likely typing error; else "".
std::string didYouMean(const std::string& word, const std::vector<std::string>& candidates);

}  // namespace varno::tool
