// The runner's child processes on the platform the build is for: arguments,
// input, environment and directory reach the child, output is collected and
// cut to its tail, a child past its time is killed, a missing program is
// refused by name.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "child_process.h"

namespace varno::tool {
namespace {

std::string lineAfter(const std::string& text, const std::string& key) {
    const auto at = text.find(key + "=");
    if (at == std::string::npos) return "<no " + key + ">";
    const auto start = at + key.size() + 1;
    return text.substr(start, text.find('\n', start) - start);
}

void runToEnd(Process& process) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!process.finished() && std::chrono::steady_clock::now() < giveUp) {
        pumpProcesses({&process}, std::chrono::milliseconds(100));
    }
    ASSERT_TRUE(process.finished());
}

TEST(Process, PassesArgumentsInputEnvironmentAndDirectoryAndCollectsBothStreams) {
    const std::string argument = R"(two words, "quoted" and a\ back\\slash\)";
    const std::string input(200000, 'x');  // more than a pipe holds at once
    Process child({{VARNO_CHILD_PATH, "echo", argument},
                   VARNO_CHILD_DIRECTORY,
                   input,
                   {{"VARNO_CHILD_VALUE", "1,5 and 2.5"}}});
    runToEnd(child);
    EXPECT_EQ(child.exitCode(), 3);
    EXPECT_EQ(child.output(), input);
    EXPECT_EQ(lineAfter(child.errors(), "argument"), argument);
    EXPECT_EQ(lineAfter(child.errors(), "value"), "1,5 and 2.5");
    EXPECT_TRUE(
        std::filesystem::equivalent(lineAfter(child.errors(), "directory"), VARNO_CHILD_DIRECTORY))
        << child.errors();
}

TEST(Process, KeepsTheTailOfAFloodOfOutput) {
    Process child({{VARNO_CHILD_PATH, "flood"}, "", "", {}});
    runToEnd(child);
    EXPECT_EQ(child.exitCode(), 0);
    EXPECT_LE(child.output().size(), 2 * keptOutputBytes + sizeof outputCutNote);
    EXPECT_EQ(child.output().rfind(outputCutNote, 0), 0u);
    EXPECT_EQ(child.output().substr(child.output().size() - 20), "0123456789abcde\nend\n");
}

TEST(Process, AChildPastItsTimeIsKilledAndAMissingProgramIsRefused) {
    const auto start = std::chrono::steady_clock::now();
    Process child({{VARNO_CHILD_PATH, "sleep"}, "", "", {}});
    pumpProcesses({&child}, std::chrono::milliseconds(300));
    EXPECT_FALSE(child.finished());
    child.kill();
    EXPECT_TRUE(child.finished());
    EXPECT_EQ(child.exitCode(), -1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));

    EXPECT_THAT(
        [] {
            Process missing({{"varno-no-such-program"}, "", "", {}});
        },
        ::testing::ThrowsMessage<std::runtime_error>(
            ::testing::HasSubstr("varno-no-such-program")));
}

}  // namespace
}  // namespace varno::tool
