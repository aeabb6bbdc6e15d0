// A TRAVOK study that writes its history and is continued from it: the
// designs evaluated before are back in the store and none is handed out
// again; a history that cannot be used is refused with its reason.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "output/history_file.h"
#include "study/study_history_test_support.h"
#include "support/binary_io.h"
#include "test_support.h"

namespace varno {
namespace {

using testing::HistoryHost;
using testing::historyStudy;
using testing::logHas;

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
    ASSERT_TRUE(historyStudy(dir.path(), "newStudy", 80, "disableHistory: 0"));
    const HistoryHost first = HistoryHost::run(40);
    ASSERT_TRUE(historyStudy(dir.path(), GetParam(), 80, "disableHistory: 0"));
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
    ASSERT_TRUE(
        historyStudy(dir.path(), "newStudy", 60, "disableHistory: 0", "5.0", 1, "baseline"));
    const HistoryHost first = HistoryHost::run(30);
    ASSERT_TRUE(historyStudy(dir.path(), "resume", 60, "disableHistory: 0", "5.0", 1, "baseline"));
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
    ASSERT_TRUE(historyStudy(dir.path(), "newStudy", 40, "disableHistory: 0"));
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
        ASSERT_TRUE(historyStudy(dir_.path(), "newStudy", 40, "disableHistory: 0"));
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
    EXPECT_FALSE(historyStudy(dir_.path(), "resume", 40, "disableHistory: 0"));
    EXPECT_TRUE(logHas("The history file for agent 0 is from a different version of VARNO "
                       "(201900) and cannot be read using this version."));
    replaceHistory(bytes_.substr(0, bytes_.size() / 2));
    EXPECT_FALSE(historyStudy(dir_.path(), "resume", 40, "disableHistory: 0"));
    EXPECT_TRUE(logHas("Error in reading history file for agent 0."));
    EXPECT_TRUE(logHas("The structure of the history file is corrupt."));
    EXPECT_TRUE(logHas("Error in using the designs from history for restarting."));
}

TEST_F(HistoryRefusal, AChangedProblemStartsAfresh) {
    ASSERT_TRUE(historyStudy(dir_.path(), "resume", 40, "disableHistory: 0", "6.0"));
    EXPECT_TRUE(logHas("The structure of the design variables in the history file has been "
                       "altered from the previous run and is no longer valid."));
    EXPECT_TRUE(logHas("History data for agent 0 was not initialized from a previous run."));
    const HistoryHost run = HistoryHost::run(5);
    ASSERT_FALSE(run.ids.empty());
    EXPECT_EQ(run.ids.front(), 1);
}

}  // namespace
}  // namespace varno
