// The file layer: paths, text files, the open-failure seam and the analysis
// environment built on it.
#include <gtest/gtest.h>

#include <string>

#include "support/analysis_environment.h"
#include "support/file_io.h"
#include "support/seams.h"
#include "test_support.h"

namespace varno::support {
namespace {

using varno::testing::readWholeFile;
using varno::testing::TempDirectory;

class FileLayer : public ::testing::Test {
protected:
    ~FileLayer() override { resetSeams(); }
    TempDirectory dir;
};

TEST_F(FileLayer, JoinsPathsWithThePlatformSeparator) {
#if defined(_WIN32)
    EXPECT_EQ(joinPath("C:\\study", "a.log"), "C:\\study\\a.log");
#else
    EXPECT_EQ(joinPath("/tmp/study", "a.log"), "/tmp/study/a.log");
#endif
}

TEST_F(FileLayer, WriterTruncatesOrAppendsAndReaderReturnsLines) {
    const std::string path = dir.file("notes.txt");
    {
        FileWriter first(path, false);
        ASSERT_TRUE(first.is_open());
        first.write("old\n");
    }
    {
        FileWriter truncating(path, false);
        truncating.write("one\n");
    }
    {
        FileWriter appending(path, true);
        appending.write("two\r\nthree");
        appending.close();
        EXPECT_FALSE(appending.is_open());
    }
    EXPECT_EQ(readWholeFile(path), "one\ntwo\r\nthree");

    FileReader reader(path);
    ASSERT_TRUE(reader.is_open());
    std::string line;
    ASSERT_TRUE(reader.getLine(line));
    EXPECT_EQ(line, "one");
    ASSERT_TRUE(reader.getLine(line));
    EXPECT_EQ(line, "two\r");
    ASSERT_TRUE(reader.getLine(line));
    EXPECT_EQ(line, "three");
    EXPECT_FALSE(reader.getLine(line));
}

TEST_F(FileLayer, FilesThatCannotBeOpenedReportIt) {
    FileWriter inMissingFolder(dir.file("missing/x.txt"), false);
    EXPECT_FALSE(inMissingFolder.is_open());
    inMissingFolder.write("ignored");  // harmless on a closed writer
    FileReader missing(dir.file("absent.txt"));
    EXPECT_FALSE(missing.is_open());
    std::string line;
    EXPECT_FALSE(missing.getLine(line));

    seams().failFileOpen = [](const std::string& path) { return path.ends_with("blocked.txt"); };
    EXPECT_FALSE(FileWriter(dir.file("blocked.txt"), false).is_open());
    EXPECT_FALSE(fileExists(dir.file("blocked.txt"))) << "a refused open creates nothing";
    EXPECT_TRUE(FileWriter(dir.file("allowed.txt"), false).is_open());
}

TEST_F(FileLayer, FilesAndFoldersAreTestedAndRemoved) {
    const std::string path = dir.file("f.txt");
    FileWriter(path, false).write("x");
    EXPECT_TRUE(fileExists(path));
    EXPECT_FALSE(directoryExists(path));
    EXPECT_TRUE(directoryExists(dir.path()));
    EXPECT_TRUE(removeFile(path));
    EXPECT_FALSE(removeFile(path));
    std::string cwd;
    EXPECT_TRUE(currentDirectory(cwd));
    EXPECT_FALSE(cwd.empty());
}

TEST_F(FileLayer, AnalysisEnvironmentNeedsAnExistingRoot) {
    EXPECT_EQ(AnalysisEnvironment::create(dir.file("no-root"), dir.path()), nullptr);
    auto environment = AnalysisEnvironment::create(dir.path(), dir.path());
    ASSERT_NE(environment, nullptr);
    {
        FileWriter log = environment->openAnalysisLog(2);
        ASSERT_TRUE(log.is_open());
        log.write("first\n");
    }
    environment->openAnalysisLog(2).write("second\n");
    EXPECT_EQ(readWholeFile(dir.file("Analysis_2.log")), "first\nsecond\n");
}

TEST(Seams, AllocationCountdownFailsAfterTheGrantedNumber) {
    EXPECT_FALSE(allocationMustFail()) << "no limit by default";
    seams().allocationsBeforeFailure = 2;
    EXPECT_FALSE(allocationMustFail());
    EXPECT_FALSE(allocationMustFail());
    EXPECT_TRUE(allocationMustFail());
    EXPECT_TRUE(allocationMustFail());
    resetSeams();
    EXPECT_FALSE(allocationMustFail());
}

}  // namespace
}  // namespace varno::support
