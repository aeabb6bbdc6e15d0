// The file layer: paths, text files, the open-failure seam, the analysis
// environment built on it, and a rename that replaces its target.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/analysis_environment.h"
#include "support/binary_io.h"
#include "support/file_io.h"
#include "support/platform.h"
#include "support/seams.h"
#include "test_support.h"

namespace varno::support {
namespace {

using varno::testing::readWholeFile;

class FileLayer : public ::testing::Test {
protected:
    ~FileLayer() override { resetSeams(); }
    varno::testing::TempDirectory dir;
};

TEST_F(FileLayer, WriterTruncatesOrAppendsAndReaderReturnsLines) {
    const std::string path = joinPath(dir.path(), "notes.txt");
    EXPECT_EQ(path, dir.path() + pathSeparator + "notes.txt");
    FileWriter(path, false).write("old\n");
    FileWriter(path, false).write("one\n");
    FileWriter(path, true).write("two\r\nthree");
    EXPECT_EQ(readWholeFile(path), "one\ntwo\r\nthree");

    FileReader reader(path);
    std::string line;
    std::vector<std::string> lines;
    while (reader.getLine(line)) lines.push_back(line);
    EXPECT_EQ(lines, (std::vector<std::string>{"one", "two\r", "three"}));
    reader.close();  // Windows removes no open file
    EXPECT_TRUE(fileExists(path));
    EXPECT_FALSE(directoryExists(path));
    EXPECT_TRUE(removeFile(path));
    EXPECT_FALSE(removeFile(path));
}

TEST_F(FileLayer, FilesThatCannotBeOpenedReportIt) {
    FileWriter inMissingFolder(dir.file("missing/x.txt"), false);
    EXPECT_FALSE(inMissingFolder.is_open());
    std::string line;
    EXPECT_FALSE(FileReader(dir.file("absent.txt")).getLine(line));

    seams().failFileOpen = [](const std::string& path) { return path.ends_with("blocked.txt"); };
    EXPECT_FALSE(FileWriter(dir.file("blocked.txt"), false).is_open());
    EXPECT_FALSE(fileExists(dir.file("blocked.txt"))) << "a refused open creates nothing";
    EXPECT_TRUE(FileWriter(dir.file("allowed.txt"), false).is_open());
}

TEST_F(FileLayer, AnalysisLogsNeedAnExistingRootAndAreAppendedTo) {
    EXPECT_EQ(AnalysisEnvironment::create(dir.file("no-root"), dir.path()), nullptr);
    auto environment = AnalysisEnvironment::create(dir.path(), dir.path());
    ASSERT_NE(environment, nullptr);
    environment->openAnalysisLog(2).write("first\n");
    environment->openAnalysisLog(2).write("second\n");
    EXPECT_EQ(readWholeFile(dir.file("Analysis_2.log")), "first\nsecond\n");
}

TEST_F(FileLayer, RenameOverReplacesTheTargetAndAFailedOneChangesNothing) {
    const std::string from = dir.file("new.res"), to = dir.file("old.res");
    ASSERT_TRUE(replaceFile(to, "old"));
    ASSERT_TRUE(replaceFile(to, "older, replaced"));
    EXPECT_EQ(readWholeFile(to), "older, replaced");
    EXPECT_FALSE(fileExists(to + ".tmp"));

    ASSERT_TRUE(replaceFile(from, "new"));
    ASSERT_TRUE(renameOver(from, to));
    EXPECT_EQ(readWholeFile(to), "new");
    EXPECT_FALSE(fileExists(from));

    EXPECT_FALSE(renameOver(dir.file("missing.res"), to));
    EXPECT_EQ(readWholeFile(to), "new");
}

}  // namespace
}  // namespace varno::support
