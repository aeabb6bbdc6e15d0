// The engine's operating-system calls, one implementation per platform
// (platform_posix.cpp, platform_windows.cpp), chosen when the library is
// built. Everything else reaches the system through the C++ library. Every
// name and path the engine holds is UTF-8; these calls hand it to the system
// as such (on Windows as UTF-16, never in the ANSI code page).
#pragma once

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

namespace varno::support {

// A file-system path from UTF-8 text, and the UTF-8 text of a path (the same
// code on every platform, in file_io.cpp). Every
// path the engine gives the C++ library is made here: a path built from a
// plain std::string would take the ANSI code page on Windows.
std::filesystem::path pathFromUtf8(const std::string& text);
std::string utf8FromPath(const std::filesystem::path& path);

// Opens the file at `path` as std::fopen does with `mode`.
std::FILE* openFile(const std::string& path, const char* mode);

// The value of the environment variable `name`; false when it is not set.
bool environmentVariable(const char* name, std::string& value);

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
