// A study killed at random moments, many times, even while it writes its
// history: after every kill the history is complete and readable, it holds
// every design of the history before it and every result the library
// accepted, and the study resumed from it finishes its budget without
// evaluating a design twice.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "output/history_file.h"
#include "study/study_history_test_support.h"
#include "support/binary_io.h"
#include "test_support.h"

namespace varno {
namespace {

// More than the killed runs can spend, however fast the machine.
constexpr int killedBudget = 100000;
// Designs the last run evaluates after the killed ones.
constexpr std::size_t lastRunDesigns = 40;
constexpr int rounds = 40;

// Runs, in a child process, the sphere study of the history tests in
// `folder` with the run `mode`, its history written after every evaluation,
// answered design by design until its budget is spent. After each result the
// library accepted it appends the design's id to the file "reported", with
// one write, so the file never holds more than what the host was told was
// taken.
pid_t startChild(const std::string& folder, const char* mode, std::size_t budget) {
    const testing::HistoryStudy study(folder, mode, static_cast<int>(budget),
                                      "disableHistory: 0\nsaveHistoryForEachEval: 1");
    const pid_t pid = fork();
    if (pid != 0) return pid;
    const int reported = open((folder + "/reported").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (reported < 0 || !study()) _exit(1);
    for (testing::HistoryHost host; !VARNO_isStudyComplete() && host.get(); host.release()) {
        for (int k = 0; k < host.setSize; ++k) {
            const std::string line = std::to_string(host.setIds[k]) + "\n";
            if (!host.answer(static_cast<std::size_t>(k)) ||
                write(reported, line.data(), line.size()) != static_cast<ssize_t>(line.size())) {
                _exit(1);
            }
        }
    }
    _exit(VARNO_isStudyComplete() == 1 ? 0 : 1);
}

// Designs by id: their codes.
using DesignCodes = std::map<int, design::IntegerCodes>;

// The history's designs; fails the test when the file is not a complete one.
DesignCodes readHistory(const std::string& path) {
    DesignCodes codes;
    if (!support::fileExists(path)) return codes;
    std::string bytes;
    output::History history;
    EXPECT_TRUE(support::readFileBytes(path, bytes));
    EXPECT_EQ(output::decodeHistory(bytes, history), output::HistoryDecode::ok);
    std::set<design::IntegerCodes> distinct;
    for (const design::Design& d : history.designs) {
        codes[d.id] = d.ints;
        EXPECT_TRUE(distinct.insert(d.ints).second) << "design " << d.id << " evaluated twice";
    }
    return codes;
}

void expectKeeps(const DesignCodes& later, const DesignCodes& earlier) {
    for (const auto& [id, codes] : earlier) {
        const auto found = later.find(id);
        ASSERT_NE(found, later.end()) << "design " << id << " was lost";
        EXPECT_EQ(found->second, codes) << "design " << id << " changed";
    }
}

// The child runs the study and appends the id of every result the library
// accepted to the file "reported". Half the rounds are killed at a random
// moment from the start, half at one once the run answers designs.
TEST(HistoryKill, EveryResumeFindsACompleteHistoryHoldingEveryAcceptedResult) {
    testing::TempDirectory dir;
    const std::string path = output::historyFilePath(dir.path(), "s", 0);
    std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<int> delayMillis(5, 120);
    const auto reported = [&dir] { return testing::readWholeFile(dir.file("reported")); };
    DesignCodes previous;
    int kills = 0;
    int killsDuringWrites = 0;
    int checked = 0;
    for (int round = 0; round < rounds; ++round) {
        const std::size_t before = reported().size();
        const pid_t child =
            startChild(dir.path(), round == 0 ? "newStudy" : "resume", killedBudget);
        ASSERT_GT(child, 0);
        for (int wait = 0; round % 2 == 1 && wait < 6000 && reported().size() == before; ++wait) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMillis(random)));
        kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        if (WIFSIGNALED(status)) ++kills;
        if (support::fileExists(path + ".tmp")) ++killsDuringWrites;
        const DesignCodes current = readHistory(path);
        expectKeeps(current, previous);
        std::istringstream accepted(reported());
        for (int id = 0; accepted >> id; ++checked) {
            ASSERT_EQ(current.count(id), 1u)
                << "the accepted result of design " << id << " was lost (round " << round << ")";
        }
        if (::testing::Test::HasFailure()) return;
        previous = current;
    }
    EXPECT_EQ(kills, rounds) << "every run was still going when it was killed";
    EXPECT_GT(checked, rounds) << "too few results were accepted before the kills";
    RecordProperty("killsDuringWrites", killsDuringWrites);

    const std::size_t lastBudget = previous.size() + lastRunDesigns;
    const pid_t last = startChild(dir.path(), "resume", lastBudget);
    int status = 0;
    ASSERT_EQ(waitpid(last, &status, 0), last);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    const DesignCodes finished = readHistory(path);
    expectKeeps(finished, previous);
    EXPECT_EQ(finished.size(), lastBudget);
}

}  // namespace
}  // namespace varno
