// Windows: Ctrl+C on the console of a running study stops it after its
// results are written, with the exit status of an interrupted run; a second
// Ctrl+C ends a runner that does not wind down. The tests need a console, so
// they run under a terminal (see CMakeLists.txt).
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "results_store.h"
#include "tool_test_support.h"

namespace varno::tool {
namespace {

namespace fs = std::filesystem;

BOOL WINAPI keepRunning(DWORD) { return TRUE; }

// An inheritable handle of a new file for the child's output.
HANDLE outputFile(const fs::path& path) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return ::CreateFileW(path.wstring().c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                         CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Starts the runner on a 200-design study in `folder`, sharing this program's
// console as it would a user's, and returns once its run is under way.
void startRunner(const testing::ScratchFolder& folder, PROCESS_INFORMATION& started) {
    testing::writeText(folder / "sphere.study",
                       testing::sphereStudy(200, 20, VARNO_CHILD_PATH " sphere"));
    std::wstring command =
        L"\"" + fs::path(VARNO_TOOL_PATH).wstring() + L"\" run sphere.study --parallel 2 --quiet";
    HANDLE out = outputFile(folder / "stdout.txt"), err = outputFile(folder / "stderr.txt");
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out;
    startup.hStdError = err;
    ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                 folder.path().wstring().c_str(), &startup, &started));
    ::CloseHandle(out);
    ::CloseHandle(err);
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!fs::exists(folder / "designs" / "20") && std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

// Ctrl+C goes to every program of the console; this one keeps running.
::testing::AssertionResult pressCtrlC() {
    ::SetConsoleCtrlHandler(keepRunning, TRUE);
    if (::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "no console to send Ctrl+C to (error " << ::GetLastError() << ")";
}

// Waits up to `seconds` for the process to end (ending it when it does not)
// and gives its exit status, or -1 when it had to be ended.
long long exitStatus(PROCESS_INFORMATION& started, DWORD seconds) {
    const bool ended = ::WaitForSingleObject(started.hProcess, seconds * 1000) == WAIT_OBJECT_0;
    if (!ended) ::TerminateProcess(started.hProcess, 1);
    DWORD status = 0;
    ::GetExitCodeProcess(started.hProcess, &status);
    ::CloseHandle(started.hProcess);
    ::CloseHandle(started.hThread);
    return ended ? static_cast<long long>(status) : -1;
}

TEST(ConsoleStop, CtrlCStopsARunningStudyAfterItsResults) {
    testing::ScratchFolder folder;
    PROCESS_INFORMATION started{};
    ASSERT_NO_FATAL_FAILURE(startRunner(folder, started));
    EXPECT_TRUE(pressCtrlC());
    EXPECT_EQ(exitStatus(started, 120), 130) << testing::readText(folder / "stderr.txt");
    EXPECT_NE(testing::readText(folder / "stderr.txt").find("stopped by a signal"),
              std::string::npos);
    const auto finished = ResultsStore(folder / "results.db").all().size();
    EXPECT_GE(finished, 19u);
    EXPECT_LT(finished, 200u) << "the run went on to its end";
    EXPECT_TRUE(fs::exists(folder / "results.csv"));
}

// A runner waiting for its results database (held here) does not wind down
// at Ctrl+C; a second Ctrl+C ends it at once, before its wait of five seconds
// gives up (which would end it with status 1).
TEST(ConsoleStop, ASecondCtrlCEndsARunnerThatDoesNotWindDown) {
    testing::ScratchFolder folder;
    PROCESS_INFORMATION started{};
    ASSERT_NO_FATAL_FAILURE(startRunner(folder, started));
    sqlite3* holder = nullptr;
    sqlite3_open(utf8Text(folder / "results.db").c_str(), &holder);
    sqlite3_busy_timeout(holder, 5000);
    const bool held = sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) == 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(pressCtrlC());
    EXPECT_EQ(::WaitForSingleObject(started.hProcess, 1000), static_cast<DWORD>(WAIT_TIMEOUT))
        << "the first Ctrl+C ended the runner";
    EXPECT_TRUE(pressCtrlC());
    EXPECT_EQ(exitStatus(started, 30), 130) << testing::readText(folder / "stderr.txt");
    sqlite3_close(holder);
    EXPECT_TRUE(held);
    EXPECT_FALSE(fs::exists(folder / "results.csv"));
}

}  // namespace
}  // namespace varno::tool
