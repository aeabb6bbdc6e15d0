// Paths and the UTF-8 text the runner holds them in (its arguments, the study
// file, the library's interface). A std::filesystem::path made from a plain
// std::string, or read back with string(), is in the ANSI code page on
// Windows; these go through char8_t, which is UTF-8 on every platform (on
// POSIX the bytes pass unchanged).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace varno::tool {

inline std::filesystem::path utf8Path(std::string_view text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

inline std::string utf8Text(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace varno::tool
