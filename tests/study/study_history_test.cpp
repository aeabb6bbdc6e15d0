// A TRAVOK study that writes its history and is continued from it: the
// designs evaluated before are back in the store and none is handed out
// again; a history that cannot be used is refused with its reason. Extending
// a finished run from its checkpoint hands out exactly the designs a run with
// the larger budget would have, and a checkpoint that does not fit the study
// is refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "output/checkpoint_file.h"
#include "output/history_file.h"
#include "study/study_history_test_support.h"
#include "support/binary_io.h"
#include "test_support.h"

namespace varno {
namespace {

using testing::HistoryHost;
using testing::historyStudy;
using testing::logHas;

const std::string history = "disableHistory: 0";  // the options of every run

output::History readHistory(const std::string& folder) {
    std::string bytes;
    output::History history;
    EXPECT_TRUE(support::readFileBytes(output::historyFilePath(folder, "s", 0), bytes));
    EXPECT_EQ(output::decodeHistory(bytes, history), output::HistoryDecode::ok);
    return history;
}

class StudyHistory : public testing::CInterfaceTest {};

// Resumed from the stored designs, or retraced from the seed with the stored
// designs answered from the store.
class ResumedStudy : public StudyHistory, public ::testing::WithParamInterface<const char*> {};

TEST_P(ResumedStudy, HandsOutNoDesignTwiceAndSpendsTheRestOfTheBudget) {
    testing::TempDirectory dir;
    ASSERT_TRUE(historyStudy(dir.path(), "newStudy", 80, history));
    const HistoryHost first = HistoryHost::run(40);
    ASSERT_TRUE(historyStudy(dir.path(), GetParam(), 80, history));
    EXPECT_TRUE(logHas("History data for agent 0 was initialized from a previous run."));
    const HistoryHost second = HistoryHost::run(1000);

    ASSERT_FALSE(second.ids.empty());
    EXPECT_EQ(second.ids.front(), first.ids.back() + 1) << "numbering goes on";
    EXPECT_EQ(first.ids.size() + second.ids.size(), 80u) << "the budget counts both runs";
    std::set<std::vector<double>> all(first.designs.begin(), first.designs.end());
    all.insert(second.designs.begin(), second.designs.end());
    EXPECT_EQ(all.size(), 80u) << "no design is evaluated twice";
}

INSTANTIATE_TEST_SUITE_P(RunModes, ResumedStudy, ::testing::Values("resume", "retraceResume"));

// The factor taken from design 1 in the first run is taken again from its
// stored values, so the resumed run does not wait for design 1.
TEST_F(StudyHistory, AResumedStudyKeepsTheFactorsOfTheBaselineDesign) {
    testing::TempDirectory dir;
    ASSERT_TRUE(historyStudy(dir.path(), "newStudy", 60, history, "5.0", 1, "baseline"));
    const HistoryHost first = HistoryHost::run(30);
    ASSERT_TRUE(historyStudy(dir.path(), "resume", 60, history, "5.0", 1, "baseline"));
    const HistoryHost second = HistoryHost::run(1000);
    EXPECT_EQ(first.ids.size() + second.ids.size(), 60u);
    EXPECT_EQ(VARNO_isStudyComplete(), 1);
}

TEST_F(StudyHistory, IsWrittenOnlyWhenTheHostAsksForIt) {
    testing::TempDirectory dir;
    const std::string path = output::historyFilePath(dir.path(), "s", 0);
    ASSERT_TRUE(historyStudy(dir.path(), "newStudy", 40, ""));
    HistoryHost::run(20);
    EXPECT_FALSE(support::fileExists(path));
    ASSERT_TRUE(historyStudy(dir.path(), "newStudy", 40, history));
    const HistoryHost run = HistoryHost::run(20);
    const output::History history = readHistory(dir.path());
    EXPECT_EQ(history.designs.size(), run.ids.size());
    EXPECT_EQ(history.counters[0], static_cast<int>(run.ids.size()));
    VARNO_endStudy();
    EXPECT_FALSE(support::fileExists(path)) << "the end of a study removes its history";
}

class HistoryRefusal : public StudyHistory {
protected:
    // A history of a few designs, then the study set up again to resume.
    void SetUp() override {
        StudyHistory::SetUp();
        ASSERT_TRUE(historyStudy(dir_.path(), "newStudy", 40, history));
        HistoryHost::run(10);
        path_ = output::historyFilePath(dir_.path(), "s", 0);
        bytes_ = testing::readWholeFile(path_);
    }
    void replaceHistory(const std::string& bytes) {
        ASSERT_TRUE(support::replaceFile(path_, bytes));
    }

    testing::TempDirectory dir_;
    std::string path_;
    std::string bytes_;
};

TEST_F(HistoryRefusal, AnotherVersionOrADamagedFileEndsTheRestart) {
    std::string other = bytes_;
    other[0] = static_cast<char>(0xAC);  // 201900
    replaceHistory(other);
    EXPECT_FALSE(historyStudy(dir_.path(), "resume", 40, history));
    EXPECT_TRUE(logHas("The history file for agent 0 is from a different version of VARNO "
                       "(201900) and cannot be read using this version."));
    replaceHistory(bytes_.substr(0, bytes_.size() / 2));
    EXPECT_FALSE(historyStudy(dir_.path(), "resume", 40, history));
    EXPECT_TRUE(logHas("Error in reading history file for agent 0."));
    EXPECT_TRUE(logHas("The structure of the history file is corrupt."));
    EXPECT_TRUE(logHas("Error in using the designs from history for restarting."));
}

TEST_F(HistoryRefusal, AChangedProblemStartsAfresh) {
    ASSERT_TRUE(historyStudy(dir_.path(), "resume", 40, history, "6.0"));
    EXPECT_TRUE(logHas("The structure of the design variables in the history file has been "
                       "altered from the previous run and is no longer valid."));
    EXPECT_TRUE(logHas("History data for agent 0 was not initialized from a previous run."));
    const HistoryHost run = HistoryHost::run(5);
    ASSERT_FALSE(run.ids.empty());
    EXPECT_EQ(run.ids.front(), 1);
}

constexpr int largerBudget = 140;

// The end of the set nearest to half of the whole run.
std::size_t middleSetEnd(const HistoryHost& run) {
    const std::size_t half = run.ids.size() / 2;
    return *std::min_element(run.setEnds.begin(), run.setEnds.end(), [&](auto a, auto b) {
        return std::max(a, half) - std::min(a, half) < std::max(b, half) - std::min(b, half);
    });
}

template <typename T>
std::vector<T> slice(const std::vector<T>& values, std::size_t from, std::size_t to) {
    return std::vector<T>(values.begin() + static_cast<long>(from),
                          values.begin() + static_cast<long>(to));
}

// A TRAVOK run of one objective and a MOTRAVOK run of two.
class ExtendedRun : public StudyHistory, public ::testing::WithParamInterface<int> {};

TEST_P(ExtendedRun, HandsOutTheDesignsOfAnUninterruptedOne) {
    const int objectives = GetParam();
    const int budget = objectives == 1 ? largerBudget : 240;
    testing::TempDirectory whole, parts;
    ASSERT_TRUE(historyStudy(whole.path(), "newStudy", budget, history, "5.0", objectives));
    const HistoryHost uninterrupted = HistoryHost::run(1000);
    ASSERT_EQ(uninterrupted.ids.size(), static_cast<std::size_t>(budget));
    const std::size_t firstBudget = middleSetEnd(uninterrupted);

    ASSERT_TRUE(historyStudy(parts.path(), "newStudy", static_cast<int>(firstBudget), history,
                             "5.0", objectives));
    const HistoryHost first = HistoryHost::run(1000);
    ASSERT_EQ(first.designs, slice(uninterrupted.designs, 0, firstBudget));
    EXPECT_EQ(VARNO_isStudyComplete(), 1);

    ASSERT_TRUE(historyStudy(parts.path(), "extend", budget, history, "5.0", objectives));
    const HistoryHost extension = HistoryHost::run(1000);
    EXPECT_EQ(extension.ids, slice(uninterrupted.ids, firstBudget, budget));
    EXPECT_EQ(extension.designs, slice(uninterrupted.designs, firstBudget, budget));
}

INSTANTIATE_TEST_SUITE_P(Objectives, ExtendedRun, ::testing::Values(1, 2));

TEST_F(StudyHistory, ExtendingWithoutACheckpointIsRefused) {
    testing::TempDirectory dir;
    EXPECT_FALSE(historyStudy(dir.path(), "extend", largerBudget, history));
    EXPECT_TRUE(logHas("Unable to read restart header file (.ckp)."));
}

// A changed variable count in the header, then members cut short.
TEST_F(StudyHistory, AChangedSetupOrDamagedMembersAreRefused) {
    testing::TempDirectory dir;
    ASSERT_TRUE(historyStudy(dir.path(), "newStudy", 30, history));
    HistoryHost::run(1000);
    const std::string header = output::checkpointPath(dir.path(), "s", 0, ".ckp");
    const std::string members = output::checkpointPath(dir.path(), "s", 0, ".mem");
    const std::string headerBytes = testing::readWholeFile(header);
    const std::string memberBytes = testing::readWholeFile(members);
    ASSERT_GT(headerBytes.size(), 20u);
    std::string changed = headerBytes;
    changed[8 + 4 * 3] = 4;  // the variable count: 4 instead of 3
    ASSERT_TRUE(support::replaceFile(header, changed));
    EXPECT_FALSE(historyStudy(dir.path(), "extend", largerBudget, history));
    EXPECT_TRUE(logHas("The original run had 4 design variables, but the new run setup has 3."));
    ASSERT_TRUE(support::replaceFile(header, headerBytes));
    ASSERT_TRUE(support::replaceFile(members, memberBytes.substr(0, memberBytes.size() - 3)));
    EXPECT_FALSE(historyStudy(dir.path(), "extend", largerBudget, history));
    EXPECT_TRUE(logHas("Unable to restore the search from the checkpoint files."));
}

TEST(VerifiedWrite, TheSequenceWrapsAfterItsLargestValue) {
    EXPECT_EQ(output::nextSequence(2147483646), 0);
    EXPECT_EQ(output::nextSequence(0), 1);
    testing::TempDirectory dir;
    output::WriteSequence sequence;
    ASSERT_TRUE(output::verifiedWrite(dir.file("a.mem"), "payload", sequence));
    ASSERT_TRUE(output::verifiedWrite(dir.file("a.mem"), "second", sequence));
    std::string payload;
    ASSERT_TRUE(output::verifiedRead(dir.file("a.mem"), payload));
    EXPECT_EQ(payload, "second");
    EXPECT_EQ(testing::readWholeFile(dir.file("a.mem")).substr(0, 8),
              std::string("\x02\0\0\0\x02\0\0\0", 8));
}

}  // namespace
}  // namespace varno
