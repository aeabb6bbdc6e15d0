// The message writer: decorations, the layout of a message in a file, and the
// channels a message reaches in quiet and verbose mode.
#include <gtest/gtest.h>

#include <string>

#include "study/study.h"
#include "frame/message_writer.h"
#include "support/seams.h"
#include "test_support.h"
#include "varno.h"

namespace varno {
namespace {

using ::testing::internal::CaptureStderr;
using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStderr;
using ::testing::internal::GetCapturedStdout;
using testing::logEntries;
using testing::readWholeFile;
using testing::TempDirectory;

TEST(MessageLayout, EachKindHasItsDecoration) {
    EXPECT_EQ(decorationFor("error"), "*ERROR\n");
    EXPECT_EQ(decorationFor("warning"), "*WARNING\n");
    EXPECT_EQ(decorationFor("internal error"), "*INTERNAL ERROR\n");
    EXPECT_EQ(decorationFor("note"), "*NOTE\n");
    EXPECT_EQ(decorationFor("output"), "*OUTPUT\n");
    EXPECT_EQ(decorationFor("none"), "");
    EXPECT_EQ(decorationFor("implied"), "");
}

TEST(MessageLayout, LineFeedsAtTheEndsAreDroppedAndRunsCollapse) {
    EXPECT_EQ(layoutForFile("stderr", "none", "\nfirst\n\n\nsecond\n"), "first\nsecond\n");
    EXPECT_EQ(layoutForFile("stderr", "none", "\n\nx"), "\nx\n") << "only one leading line feed goes";
    EXPECT_EQ(layoutForFile("stderr", "none", ""), "\n");
}

TEST(MessageLayout, MessageFileOnlyChannelsGetABlankLineAfterDecoratedKinds) {
    EXPECT_EQ(layoutForFile("outptr", "error", "bad"), "*ERROR\nbad\n\n");
    EXPECT_EQ(layoutForFile("outptr|stderr", "warning", "w"), "*WARNING\nw\n\n");
    EXPECT_EQ(layoutForFile("outptr|stdout", "note", "n"), "*NOTE\nn\n\n");
    EXPECT_EQ(layoutForFile("outptr", "none", "plain"), "plain\n");
    EXPECT_EQ(layoutForFile("stderr|outptr", "error", "bad"), "*ERROR\nbad\n");
    EXPECT_EQ(layoutForFile("analysis|outptr", "error", "bad"), "*ERROR\nbad\n");
}

TEST(MessageLayout, LongLinesBreakAtTheFirstBlankPastColumn110) {
    const std::string head(111, 'a');
    EXPECT_EQ(layoutForFile("stderr", "none", head + " tail end"), head + " \ntail end\n");
    const std::string exact(110, 'b');
    EXPECT_EQ(layoutForFile("stderr", "none", exact + " tail"), exact + " tail\n")
        << "column 110 itself has not passed 110";
    const std::string twoLines = head + "\n" + std::string(50, 'c') + " d";
    EXPECT_EQ(layoutForFile("stderr", "none", twoLines), twoLines + "\n")
        << "the column restarts after a line break";
}

TEST(MessageLayout, ImpliedKindTakesTheDecorationFromEachLinePrefix) {
    EXPECT_EQ(layoutForFile("stderr", "implied",
                            "ERROR: one\nplain\nWARNING:two\nNOTE: n\nOUTPUT: o\n"
                            "INTERNAL ERROR: ie"),
              "*ERROR\n one\nplain\n*WARNING\ntwo\n*NOTE\n n\n*OUTPUT\n o\n"
              "*INTERNAL ERROR\n ie\n");
    EXPECT_EQ(layoutForFile("stderr", "implied", "see ERROR: inside"), "see ERROR: inside\n");
}

class MessageWriter : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(VARNO_initializeStudySetup(("workingDirectory: " + dir.path()).c_str()), 1);
        startOfFile = readWholeFile(messageFile()).size();
    }
    ~MessageWriter() override { support::resetSeams(); }

    std::string messageFile() const { return dir.file("Solver_msg.log"); }
    std::string newFileText() const { return readWholeFile(messageFile()).substr(startOfFile); }

    TempDirectory dir;
    std::size_t startOfFile = 0;
};

TEST_F(MessageWriter, QuietModeOnlyFillsTheLog) {
    CaptureStderr();
    CaptureStdout();
    writeMessage("outptr|stderr|stdout", "warning", "careful");
    EXPECT_EQ(GetCapturedStdout(), "");
    EXPECT_EQ(GetCapturedStderr(), "");
    EXPECT_EQ(newFileText(), "");
    EXPECT_EQ(logEntries(), std::vector<std::string>{"*WARNING\ncareful"});
}

TEST_F(MessageWriter, VerboseModeWritesEveryNamedChannel) {
    currentStudy()->verbose = 1;
    CaptureStderr();
    CaptureStdout();
    writeMessage("outptr|stderr|stdout", "error", "\nbroken\n");
    EXPECT_EQ(GetCapturedStdout(), "*ERROR\nbroken\n");
    EXPECT_EQ(GetCapturedStderr(), "*ERROR\nbroken\n");
    EXPECT_EQ(newFileText(), "*ERROR\nbroken\n");
    EXPECT_EQ(logEntries(), std::vector<std::string>{"*ERROR\n\nbroken\n"});
}

TEST_F(MessageWriter, UnknownChannelsAreReportedOnBothStandardStreams) {
    currentStudy()->verbose = 1;
    CaptureStderr();
    CaptureStdout();
    writeMessage("printer", "note", "hello");
    const std::string expected =
        "*ERROR\nInternal error in writing out a message. Could not identify the media type "
        "requested (printer).\nThe message being output was:\nhello";
    EXPECT_EQ(GetCapturedStdout(), expected);
    EXPECT_EQ(GetCapturedStderr(), expected);
}

TEST_F(MessageWriter, ClosedMessageFileSendsTheMessageToStandardErrorAndStops) {
    currentStudy()->verbose = 1;
    currentStudy()->messageFile->close();
    CaptureStderr();
    CaptureStdout();
    writeMessage("outptr|stdout", "note", "n");
    EXPECT_EQ(GetCapturedStderr(), "*NOTE\nn\n\n");
    EXPECT_EQ(GetCapturedStdout(), "") << "no channel after the message file is served";
}

TEST_F(MessageWriter, AnalysisChannelWritesTheAnalysisLogOrFallsBackToTheMessageFile) {
    currentStudy()->verbose = 1;
    writeMessage("analysis", "error", "solver diverged", 3);
    EXPECT_EQ(readWholeFile(dir.file("Analysis_3.log")), "*ERROR\nsolver diverged\n");
    EXPECT_EQ(newFileText(), "");

    support::seams().failFileOpen = [](const std::string& path) {
        return path.find("Analysis_") != std::string::npos;
    };
    writeMessage("analysis", "error", "no log", 4);
    EXPECT_EQ(newFileText(), "*ERROR\nno log\n\n");
    EXPECT_EQ(logEntries().size(), 2u) << "the fallback is not logged twice";
}

}  // namespace
}  // namespace varno
