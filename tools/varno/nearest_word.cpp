#include "nearest_word.h"

#include <algorithm>
#include <cctype>

namespace varno::tool {

namespace {

// Levenshtein distance, case ignored.
std::size_t editDistance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> previous(b.size() + 1), current(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) previous[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        current[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const bool same = std::tolower(static_cast<unsigned char>(a[i - 1])) ==
                              std::tolower(static_cast<unsigned char>(b[j - 1]));
            current[j] =
                std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + (same ? 0 : 1)});
        }
        std::swap(previous, current);
    }
    return previous[b.size()];
}

}  // namespace

std::string didYouMean(const std::string& word, const std::vector<std::string>& candidates) {
    const std::string* nearest = nullptr;
    std::size_t best = 0;
    for (const std::string& candidate : candidates) {
        const std::size_t distance = editDistance(word, candidate);
        if (nearest == nullptr || distance < best) nearest = &candidate, best = distance;
    }
    const std::size_t allowed = std::max<std::size_t>(2, word.size() / 3);
    if (nearest == nullptr || best > allowed || best >= word.size()) return "";
    return " (did you mean \"" + *nearest + "\"?)";
}

}  // namespace varno::tool
