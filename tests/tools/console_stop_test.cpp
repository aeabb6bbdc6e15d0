// Windows: Ctrl+C on the console of a running study stops it after its
// results are written, with the exit status of an interrupted run. The test
// needs a console, so it runs under a terminal (see CMakeLists.txt).
#include <gtest/gtest.h>
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

TEST(ConsoleStop, CtrlCStopsARunningStudyAfterItsResults) {
    testing::ScratchFolder folder;
    std::string study = testing::sphereStudy();
    study.replace(study.find("sh sphere.sh"), 12, VARNO_EVALUATOR_PATH " sphere");
    testing::writeText(folder / "sphere.study", study);

    // The runner shares this program's console, as it would a user's.
    std::wstring command =
        L"\"" + fs::path(VARNO_TOOL_PATH).wstring() + L"\" run sphere.study --parallel 2 --quiet";
    HANDLE out = outputFile(folder / "stdout.txt"), err = outputFile(folder / "stderr.txt");
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION started{};
    ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                 folder.path().wstring().c_str(), &startup, &started));
    ::CloseHandle(out);
    ::CloseHandle(err);
    ::CloseHandle(started.hThread);

    // Once the run is under way, Ctrl+C goes to every program of the console;
    // this one keeps running.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!fs::exists(folder / "designs" / "20") && std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::SetConsoleCtrlHandler(keepRunning, TRUE);
    const bool sent = ::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0) != 0;
    const bool ended = ::WaitForSingleObject(started.hProcess, 120000) == WAIT_OBJECT_0;
    if (!ended) ::TerminateProcess(started.hProcess, 1);
    DWORD status = 0;
    ::GetExitCodeProcess(started.hProcess, &status);
    ::CloseHandle(started.hProcess);
    ASSERT_TRUE(sent) << "no console to send Ctrl+C to (error " << ::GetLastError() << ")";
    ASSERT_TRUE(ended);

    EXPECT_EQ(status, 130u) << testing::readText(folder / "stderr.txt");
    EXPECT_NE(testing::readText(folder / "stderr.txt").find("stopped by a signal"),
              std::string::npos);
    const auto finished = ResultsStore(folder / "results.db").all().size();
    EXPECT_GE(finished, 19u);
    EXPECT_LT(finished, 200u) << "the run went on to its end";
    EXPECT_TRUE(fs::exists(folder / "results.csv"));
}

}  // namespace
}  // namespace varno::tool
