// Extending a finished TRAVOK run from its checkpoint: the extension hands
// out exactly the designs a run with the larger budget would have, and a
// checkpoint that does not fit the study is refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "output/checkpoint_file.h"
#include "study/study_history_test_support.h"
#include "support/binary_io.h"
#include "test_support.h"

namespace varno {
namespace {

using testing::HistoryHost;
using testing::historyStudy;
using testing::logHas;

constexpr int largerBudget = 140;
const std::string history = "disableHistory: 0";

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

class StudyCheckpoint : public testing::CInterfaceTest {};

// A TRAVOK run of one objective and a MOTRAVOK run of two.
class ExtendedRun : public StudyCheckpoint, public ::testing::WithParamInterface<int> {};

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

TEST_F(StudyCheckpoint, ExtendingWithoutACheckpointIsRefused) {
    testing::TempDirectory dir;
    EXPECT_FALSE(historyStudy(dir.path(), "extend", largerBudget, history));
    EXPECT_TRUE(logHas("Unable to read restart header file (.ckp)."));
}

// A changed variable count in the header, then members cut short.
TEST_F(StudyCheckpoint, AChangedSetupOrDamagedMembersAreRefused) {
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
