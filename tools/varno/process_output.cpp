#include <string>

#include "child_process.h"

namespace varno::tool {

void appendKeepingTail(std::string& kept, const char* data, std::size_t size) {
    kept.append(data, size);
    // Cut only once twice the limit is held, so that a stream written in
    // small pieces is not moved on every read.
    if (kept.size() <= 2 * keptOutputBytes) return;
    kept = outputCutNote + kept.substr(kept.size() - keptOutputBytes);
}

}  // namespace varno::tool
