// The message writer: the layout of a message in a file, and the channels a
// message reaches in quiet and verbose mode.
#include <gtest/gtest.h>

#include <string>

#include "frame/message_writer.h"
#include "study/study.h"
#include "support/seams.h"
#include "test_support.h"
#include "varno.h"

namespace varno {
namespace {

using testing::logEntries;
using testing::readWholeFile;
using ::testing::internal::CaptureStderr;
using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStderr;
using ::testing::internal::GetCapturedStdout;

TEST(MessageLayout, LineFeedsAreTrimmedLongLinesBrokenAndKindsDecorated) {
    EXPECT_EQ(layoutForFile("stderr", "none", "\n\nfirst\n\n\nsecond\n"), "\nfirst\nsecond\n");
    // a message only for the message file gets a blank line after a decorated kind
    EXPECT_EQ(layoutForFile("outptr", "error", "bad"), "*ERROR\nbad\n\n");
    EXPECT_EQ(layoutForFile("outptr", "none", "plain"), "plain\n");
    EXPECT_EQ(layoutForFile("stderr|outptr", "warning", "w"), "*WARNING\nw\n");
    // Long lines break at the first blank past column 110.
    const std::string head(111, 'a');
    EXPECT_EQ(layoutForFile("stderr", "none", head + " tail end"), head + " \ntail end\n");
    const std::string exact(110, 'b');
    EXPECT_EQ(layoutForFile("stderr", "none", exact + " tail"), exact + " tail\n");
    const std::string twoLines = head + "\n" + std::string(50, 'c') + " d";
    EXPECT_EQ(layoutForFile("stderr", "none", twoLines), twoLines + "\n")
        << "the column restarts after a line break";
    // The implied kind takes the decoration from each line's prefix.
    EXPECT_EQ(layoutForFile("stderr", "implied",
                            "ERROR: one\nplain\nWARNING:two\nNOTE: n\nOUTPUT: o\n"
                            "INTERNAL ERROR: ie"),
              "*ERROR\n one\nplain\n*WARNING\ntwo\n*NOTE\n n\n*OUTPUT\n o\n*INTERNAL ERROR\n ie\n");
    EXPECT_EQ(layoutForFile("stderr", "implied", "see ERROR: inside"), "see ERROR: inside\n");
}

class MessageWriter : public testing::StudyInFolder {
protected:
    void SetUp() override {
        StudyInFolder::SetUp();
        startOfFile = readWholeFile(messageFile()).size();
    }

    std::string messageFile() const { return dir.file("Solver_msg.log"); }
    std::string newFileText() const { return readWholeFile(messageFile()).substr(startOfFile); }

    std::size_t startOfFile = 0;
};

TEST_F(MessageWriter, OnlyVerboseModeWritesTheNamedChannels) {
    CaptureStderr();
    CaptureStdout();
    writeMessage("outptr|stderr|stdout", "warning", "careful");
    currentStudy()->verbose = 1;
    writeMessage("outptr|stderr|stdout", "error", "\nbroken\n");
    EXPECT_EQ(GetCapturedStdout(), "*ERROR\nbroken\n");
    EXPECT_EQ(GetCapturedStderr(), "*ERROR\nbroken\n");
    EXPECT_EQ(newFileText(), "*ERROR\nbroken\n");
    EXPECT_EQ(logEntries(), (std::vector<std::string>{"*WARNING\ncareful", "*ERROR\n\nbroken\n"}));
}

TEST_F(MessageWriter, UnknownChannelsAreReportedAndFilesThatCannotBeWrittenFallBack) {
    currentStudy()->verbose = 1;
    CaptureStderr();
    CaptureStdout();
    writeMessage("printer", "note", "hello");
    const std::string expected =
        "*ERROR\nInternal error in writing out a message. Could not identify the media type "
        "requested (printer).\nThe message being output was:\nhello";
    EXPECT_EQ(GetCapturedStdout(), expected);
    EXPECT_EQ(GetCapturedStderr(), expected);
    // Files that cannot be written fall back.
    writeMessage("analysis", "error", "solver diverged", 3);
    EXPECT_EQ(readWholeFile(dir.file("Analysis_3.log")), "*ERROR\nsolver diverged\n");
    EXPECT_EQ(newFileText(), "");
    support::seams().failFileOpen = [](const std::string& path) {
        return path.find("Analysis_") != std::string::npos;
    };
    writeMessage("analysis", "error", "no log", 4);
    EXPECT_EQ(newFileText(), "*ERROR\nno log\n\n");
    EXPECT_EQ(logEntries().size(), 3u) << "the channel's, and the fallback not twice";

    currentStudy()->messageFile->close();
    CaptureStderr();
    CaptureStdout();
    writeMessage("outptr|stdout", "note", "n");
    EXPECT_EQ(GetCapturedStderr(), "*NOTE\nn\n\n") << "a closed message file: standard error";
    EXPECT_EQ(GetCapturedStdout(), "") << "no channel after the message file is served";
}

}  // namespace
}  // namespace varno
