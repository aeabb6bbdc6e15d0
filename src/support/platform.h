// The engine's operating-system calls, one implementation per platform
// (platform_posix.cpp, platform_windows.cpp), chosen when the library is
// built. Everything else reaches the system through the C++ library.
#pragma once

#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

namespace varno::support {

// Pushes the buffered bytes of `file` to the disk, so that a rename never
// publishes a file whose content is still only in memory.
bool flushToDisk(std::FILE* file);

// Renames `from` over `to` in one step, replacing a file already at `to`, so
// that a reader finds the old file or the new one and never neither. False,
// with both files as they were, when the rename fails.
bool renameOver(const std::string& from, const std::string& to);

// The names of the entries of `directory` ("." and ".." left out); empty when
// it cannot be read.
std::vector<std::string> folderEntries(const std::string& directory);

// The broken-down local time of `seconds` since the epoch.
std::tm localTime(std::time_t seconds);

}  // namespace varno::support
