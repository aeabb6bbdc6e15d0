// Helpers shared by the white-box tests: scratch folders, environment
// variables, file contents and the message log.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "api/fatal_error.h"
#include "api/library_state.h"

namespace varno::testing {

// A fresh folder under the system's temporary folder, removed again with all
// its content when the object goes.
class TempDirectory {
public:
    TempDirectory() {
        std::random_device seed;
        path_ = std::filesystem::temp_directory_path() /
                ("varno-test-" + std::to_string(seed()) + std::to_string(seed()));
        std::filesystem::create_directories(path_);
    }
    ~TempDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;

    std::string path() const { return path_.string(); }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

inline void setEnvironment(const char* name, const std::string& value) {
#if defined(_WIN32)
    _putenv_s(name, value.c_str());
#else
    setenv(name, value.c_str(), 1);
#endif
}

inline void unsetEnvironment(const char* name) {
#if defined(_WIN32)
    _putenv_s(name, "");
#else
    unsetenv(name);
#endif
}

inline std::string readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

inline std::vector<std::string> logEntries() {
    const auto& log = library().messageLog;
    return std::vector<std::string>(log.begin(), log.end());
}

// The reason of the last fatal error: the log entry before the closing "Run
// exiting due to an error".
inline std::string lastFatalReason() {
    const auto& log = library().messageLog;
    if (log.size() < 2 || log.back() != "Run exiting due to an error") return "<no fatal error>";
    return log[log.size() - 2];
}

// Runs `call`, which must end in the fatal error `text`.
inline void expectFatal(const std::function<void()>& call, const std::string& text) {
    EXPECT_THROW(call(), FatalError);
    EXPECT_EQ(lastFatalReason(), "*ERROR\n" + text);
}

}  // namespace varno::testing
