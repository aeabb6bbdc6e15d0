// Files the runner writes for the user: whole or not at all.
#pragma once

#include <filesystem>
#include <string>

namespace varno::tool {

// Writes `content` to a temporary file beside `path` and renames it over
// `path`, so that a full disk or a crash leaves the previous file whole.
// Throws RunError naming `path` when any step fails.
void writeFileReplacing(const std::filesystem::path& path, const std::string& content);

}  // namespace varno::tool
