// File faults under a running study: a working folder that cannot be
// written, its history removed or the whole folder removed mid-run, and a
// disk that fills up (a small tmpfs the test mounts). Each ends with a
// message and a failed call or a study that goes on; never a crash, and no
// file left half-written where the study reads it back.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "output/history_file.h"
#include "study/study_history_test_support.h"
#include "support/file_io.h"
#include "test_support.h"

namespace varno {
namespace {

const char* const historyOptions = "disableHistory: 0\nsaveHistoryForEachEval: 1";

class FileFaults : public ::testing::Test {
protected:
    void SetUp() override { testing::resetLibrary(); }
    void TearDown() override {
        VARNO_endStudy();
        EXPECT_EQ(support::openFileCount(), 0) << "files were left open";
        testing::resetLibrary();
    }
    // The history decodes whole, and no temporary file is left beside it.
    std::size_t historyDesigns(const std::string& folder) {
        const std::string path = output::historyFilePath(folder, "s", 0);
        EXPECT_FALSE(support::fileExists(path + ".tmp")) << "a partial history was left";
        std::string bytes;
        output::History history;
        if (!support::readFileBytes(path, bytes)) return 0;
        EXPECT_EQ(output::decodeHistory(bytes, history), output::HistoryDecode::ok);
        return history.designs.size();
    }
    testing::TempDirectory dir;
};

// Mounts a tmpfs of `options` on `folder` for the life of the object.
class SmallDisk {
public:
    SmallDisk(const std::string& folder, const std::string& options) : folder_(folder) {
        std::filesystem::create_directories(folder);
        const std::string mount = "mount -t tmpfs -o " + options + " tmpfs \"" + folder + "\"";
        mounted_ = std::system(mount.c_str()) == 0;
    }
    ~SmallDisk() {
        if (mounted_) {
            const std::string command = "umount \"" + folder_ + "\"";
            EXPECT_EQ(std::system(command.c_str()), 0) << command;
        }
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    bool mounted() const { return mounted_; }

private:
    std::string folder_;
    bool mounted_ = false;
};

TEST_F(FileFaults, AWorkingFolderThatCannotBeWrittenFailsTheSetUpNamingIt) {
    const std::string folder = dir.file("locked");
    // Permissions do not stop root; a read-only tmpfs does.
    std::filesystem::create_directories(folder);
    const bool root = ::geteuid() == 0;
    SmallDisk readOnly(folder, root ? "ro,size=64k" : "size=64k");
    if (root) {
        ASSERT_TRUE(readOnly.mounted()) << "mounting a read-only tmpfs failed";
    } else {
        ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    }
    EXPECT_FALSE(testing::historyStudy(folder, "newStudy", 20, historyOptions));
    const char* message = VARNO_getLastMessage();
    ASSERT_NE(message, nullptr);
    EXPECT_NE(std::string(message).find(folder), std::string::npos) << message;
    EXPECT_EQ(VARNO_endStudy(), 1);
    EXPECT_TRUE(testing::historyStudy(dir.path(), "newStudy", 20, historyOptions))
        << "the library starts again in a folder it can write";
    if (!root) ::chmod(folder.c_str(), 0755);
}

TEST_F(FileFaults, TheHistoryRemovedMidRunIsWrittenAgainWhole) {
    ASSERT_TRUE(testing::historyStudy(dir.path(), "newStudy", 60, historyOptions));
    testing::HistoryHost::run(20);
    std::filesystem::remove(output::historyFilePath(dir.path(), "s", 0));
    const testing::HistoryHost rest = testing::HistoryHost::run(60);
    EXPECT_EQ(VARNO_isStudyComplete(), 1);
    EXPECT_EQ(historyDesigns(dir.path()), 60u);
    EXPECT_GT(rest.ids.size(), 0u);
}

TEST_F(FileFaults, TheWorkingFolderRemovedMidRunEndsTheStudyCleanly) {
    const std::string folder = dir.file("work");
    std::filesystem::create_directories(folder);
    ASSERT_TRUE(testing::historyStudy(folder, "newStudy", 60, historyOptions));
    testing::HistoryHost::run(20);
    std::filesystem::remove_all(folder);
    testing::HistoryHost::run(60);
    // Going on without the folder or failing with a message are both clean;
    // the library must start again either way.
    VARNO_endStudy();
    EXPECT_TRUE(testing::historyStudy(dir.path(), "newStudy", 20, historyOptions));
}

TEST_F(FileFaults, AFullDiskKeepsTheLastWholeHistory) {
    const std::string folder = dir.file("disk");
    SmallDisk disk(folder, "size=64k");
    ASSERT_TRUE(disk.mounted())
        << "this test mounts a small tmpfs and needs root (or CAP_SYS_ADMIN) to do so";
    bool setUp = testing::historyStudy(folder, "newStudy", 2000, historyOptions);
    std::size_t answered = 0;
    if (setUp) answered = testing::HistoryHost::run(2000).ids.size();
    const std::size_t kept = historyDesigns(folder);
    EXPECT_GT(kept, 0u);
    EXPECT_LT(kept, 2000u) << "the disk was not filled";
    EXPECT_LE(kept, answered);
    // The write that no longer fits ends the study, naming its file.
    const std::string reason = testing::lastFatalReason();
    EXPECT_NE(reason.find(folder), std::string::npos) << reason;
}

}  // namespace
}  // namespace varno
