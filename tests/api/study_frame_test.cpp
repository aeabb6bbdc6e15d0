// Initialisation, the message log, the end of a study and the fatal-error path,
// driven through the C interface; the library state is inspected directly.
#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <fstream>
#include <new>
#include <regex>
#include <set>
#include <stdexcept>
#include <string>

#include "frame/call_frame.h"
#include "frame/definition_text.h"
#include "frame/fatal_error.h"
#include "frame/text_format.h"
#include "frame/tracked_allocator.h"
#include "support/platform.h"
#include "support/seams.h"
#include "test_support.h"
#include "varno.h"

namespace varno {
namespace {

namespace fs = std::filesystem;
using testing::lastMessage;
using testing::logEntries;
using testing::readWholeFile;
using testing::TempDirectory;

// A call that is refused, with a message, until the study is finalised.
void refuseBeforeFinalising() {
    int* ids = nullptr;
    double** values = nullptr;
    VARNO_getNextSetOfDesignsFromStudy(&ids, &values);
}

class StudyFrame : public testing::CInterfaceTest {
protected:
    int initialiseIn(const std::string& directory, const std::string& more = "") {
        return VARNO_initializeStudySetup(("workingDirectory: " + directory + "\n" + more).c_str());
    }
    std::string messageFile() const { return dir.file("Solver_msg.log"); }

    TempDirectory dir;
};

// --- initialisation --------------------------------------------------------

// Without a working directory the current directory is used.
TEST_F(StudyFrame, InitialisationOpensTheMessageFileInTheWorkingDirectory) {
    const fs::path previous = fs::current_path();
    fs::current_path(dir.path());
    const int result = VARNO_initializeStudySetup(nullptr);
    fs::current_path(previous);
    ASSERT_EQ(result, 1);
    EXPECT_EQ(readWholeFile(messageFile()), "Starting the VARNO Library study.\n");
    EXPECT_EQ(std::pair(VARNO_getLastMessage(), VARNO_getMessageLog()),
              (std::pair<const char*, char*>(nullptr, nullptr)));
    EXPECT_EQ(library().studyInitialised, 1);
    // The working directory is taken verbatim, with colons and blanks.
    const std::string odd = dir.file("C: my study");
    fs::create_directories(odd);
    ASSERT_EQ(initialiseIn(odd), 1);
    EXPECT_EQ(currentStudy()->workingDirectory, odd);
    EXPECT_TRUE(fs::exists(fs::path(odd) / "Solver_msg.log"));
}

// The host's names are UTF-8: on every platform they reach the disk as those
// characters (on Windows not as their reading in the ANSI code page), and
// the engine finds its files again by them.
TEST_F(StudyFrame, FolderAndFileNamesBeyondAsciiReachTheDiskAsGiven) {
    const fs::path folder = fs::path(dir.path()) / u8"Prüfstand 試験";
    fs::create_directory(folder);
    const std::string utf8Folder = support::utf8FromPath(folder);
    testing::setEnvironment("VARNO_ROOT", utf8Folder);
    ASSERT_EQ(initialiseIn(utf8Folder), 1) << lastMessage();
    testing::defineSmallSweep("Prüf試");
    ASSERT_EQ(VARNO_defineStudyRuntimeOptions("r", "disableHistory: 0"), 1);
    ASSERT_EQ(VARNO_finalizeStudyData(), 1) << lastMessage();
    double design[] = {1, 2, 2};
    double* designs[] = {design};
    int types[] = {2, 2, 2};
    ASSERT_EQ(VARNO_shareDesigns("host", 1, types, 3, designs, 2, nullptr, nullptr, nullptr), 1);
    const auto answer = [](int, const double*, int&) { return std::vector{-1.5, 2.0}; };
    EXPECT_EQ(testing::answerNextSet(answer), std::pair(1, 1));

    // As UTF-8 bytes, whatever the platform's path encoding.
    const auto names = [&folder] {
        std::set<std::string> found;
        for (const auto& entry : fs::directory_iterator(folder)) {
            found.insert(support::utf8FromPath(entry.path().filename()));
        }
        return found;
    };
    EXPECT_EQ(names(), (std::set<std::string>{"Solver_msg.log", "Prüf試0.gph", "Prüf試0.hst",
                                              "Prüf試0.res", "Prüf試0.rpt"}));
    std::ifstream results(folder / u8"Prüf試0.res", std::ios::binary);
    std::string header, row;
    ASSERT_TRUE(std::getline(results, header) && std::getline(results, row));
    EXPECT_NE(row.find("FEASIBLE"), std::string::npos) << row;
    results.close();
    // The end of the study removes the history, the graph table and the
    // message file by name.
    ASSERT_EQ(VARNO_endStudy(), 1);
    EXPECT_EQ(names(), (std::set<std::string>{"Prüf試0.res", "Prüf試0.rpt"}));
}

TEST_F(StudyFrame, UnwritableOrTooLongWorkingDirectoryFailsButLeavesTheLibraryUsable) {
    const std::string missing = dir.file("no such folder");
    EXPECT_EQ(initialiseIn(missing), 0);
    EXPECT_EQ(lastMessage(),
              "The working directory specified \"" + missing + "\" is invalid or not writable.");
    EXPECT_EQ(library().libraryUsable, 1);
    // A message file that cannot be opened is reported the same way.
    support::seams().failFileOpen = [](const std::string& path) {
        return path.find("Solver_msg.log") != std::string::npos;
    };
    EXPECT_EQ(initialiseIn(dir.path()), 0);
    EXPECT_EQ(lastMessage(),
              "The working directory specified \"" + dir.path() + "\" is invalid or not writable.");
    // A working directory of 258 bytes is refused without ending the process.
    const std::string tooLong = "/" + std::string(257, 'w');
    EXPECT_EQ(initialiseIn(tooLong), 0);
    EXPECT_EQ(logEntries(),
              (std::vector<std::string>{"\nError. Working directory name is too long.",
                                        "\nShorten the path of the VARNO working directory",
                                        "\nto be less than 258 characters."}));

    const std::string justShortEnough = "/" + std::string(256, 'w');
    EXPECT_EQ(initialiseIn(justShortEnough), 0);
    EXPECT_EQ(lastMessage(), "The working directory specified \"" + justShortEnough +
                                 "\" is invalid or not writable.");
}

TEST_F(StudyFrame, AMissingOrAbsentRootIsFatal) {
    testing::unsetEnvironment("VARNO_ROOT");
    EXPECT_EQ(initialiseIn(dir.path()), 0);
    EXPECT_EQ(logEntries(), (std::vector<std::string>{
                                "*ERROR\nThe required environment variable VARNO_ROOT is not set.",
                                "Run exiting due to an error"}));
    EXPECT_EQ(library().libraryUsable, 0);
    EXPECT_EQ(currentStudy()->runStatus, "Error");

    testing::setEnvironment("VARNO_ROOT", dir.file("missing-root"));
    EXPECT_EQ(initialiseIn(dir.path()), 0);
    EXPECT_EQ(logEntries().front(), "*ERROR\nenvironment setup error");
}

TEST_F(StudyFrame, ReinitialisationDiscardsThePreviousStudyAndDeleteResultsPersists) {
    EXPECT_EQ(library().deleteResults, 1);
    ASSERT_EQ(initialiseIn(dir.path(), "deleteResults: no"), 1);
    EXPECT_EQ(library().deleteResults, 0);
    ASSERT_EQ(initialiseIn(dir.path()), 1);
    EXPECT_EQ(library().deleteResults, 0) << "the previous value stays without the key";
    for (const char* on : {"deleteResults: yes", "deleteResults: 1", "deleteResults:true"}) {
        library().deleteResults = 0;
        ASSERT_EQ(initialiseIn(dir.path(), on), 1);
        EXPECT_EQ(library().deleteResults, 1) << on;
    }
    ASSERT_EQ(initialiseIn(dir.path(), "deleteResults: maybe"), 1);
    EXPECT_EQ(library().deleteResults, 1) << "an unreadable value changes nothing";
    // Initialising again discards the previous study.
    ASSERT_EQ(initialiseIn(dir.path()), 1);
    refuseBeforeFinalising();
    library().studyComplete = 1;
    TempDirectory other;
    ASSERT_EQ(initialiseIn(other.path()), 1);
    EXPECT_EQ(VARNO_getLastMessage(), nullptr);
    EXPECT_EQ(VARNO_isStudyComplete(), 0);
    EXPECT_EQ(currentStudy()->workingDirectory, other.path());
}

// --- message log -----------------------------------------------------------

TEST_F(StudyFrame, MessageLogJoinsEntriesWithABlankLine) {
    ASSERT_EQ(initialiseIn(dir.path()), 1);
    refuseBeforeFinalising();
    const char* first = VARNO_getLastMessage();
    char* one = VARNO_getMessageLog();
    ASSERT_NE(one, nullptr);
    EXPECT_STREQ(one,
                 "VARNO_getNextSetOfDesignsFromStudy cannot be done before finalizing the study.");
    VARNO_freePtr(one);

    VARNO_getParetoDesignIds(nullptr, nullptr);
    char* two = VARNO_getMessageLog();
    ASSERT_NE(two, nullptr);
    EXPECT_STREQ(
        two, "VARNO_getNextSetOfDesignsFromStudy cannot be done before finalizing the study.\n\n"
             "VARNO_getParetoDesignIds cannot be done before finalizing the study.");
    VARNO_freePtr(two);
    EXPECT_STREQ(first, "VARNO_getNextSetOfDesignsFromStudy cannot be done before finalizing the "
                        "study.")
        << "the last message stays valid while the log grows";
    for (int i = 0; i < 120; ++i) VARNO_getParetoDesignIds(nullptr, nullptr);
    EXPECT_STREQ(first,
                 "VARNO_getNextSetOfDesignsFromStudy cannot be done before finalizing the study.");
    EXPECT_EQ(logEntries().size(), 122u);
    VARNO_clearMessageLog();
    EXPECT_EQ(std::pair(VARNO_getLastMessage(), VARNO_getMessageLog()),
              (std::pair<const char*, char*>(nullptr, nullptr)));
}

// --- end of a study --------------------------------------------------------

TEST_F(StudyFrame, EndStudyReleasesEverythingAndDeletesTheMessageFile) {
    ASSERT_EQ(initialiseIn(dir.path()), 1);
    refuseBeforeFinalising();
    VARNO_freePtr(VARNO_getMessageLog());
    ::testing::internal::CaptureStdout();
    ASSERT_EQ(VARNO_endStudy(), 1);
    EXPECT_NE(::testing::internal::GetCapturedStdout().find("\n\n\tEnd of VARNO run.\n"),
              std::string::npos);
    EXPECT_FALSE(fs::exists(messageFile()));
    EXPECT_EQ(VARNO_getLastMessage(), nullptr);
    EXPECT_EQ(currentStudy(), nullptr);
    EXPECT_EQ(std::pair(library().studyInitialised, library().libraryUsable), std::pair(0, 0));
    EXPECT_EQ(VARNO_isStudyComplete(), 1);
    EXPECT_EQ(VARNO_endStudy(), 0);
}

// --- the fatal-error path --------------------------------------------------

TEST_F(StudyFrame, FatalErrorWritesTheReasonAndEndOfRunToTheMessageFile) {
    ASSERT_EQ(initialiseIn(dir.path()), 1);
    currentStudy()->verbose = 1;
    support::seams().processorMillis = [] { return std::uint64_t{12999}; };
    ::testing::internal::CaptureStderr();
    runTrapped(CallRule{"test", Lifecycle::any}, 0, []() -> int { fatalError("Bad value 3."); });
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "Run exiting due to an error\n");

    EXPECT_EQ(logEntries(),
              (std::vector<std::string>{"*ERROR\nBad value 3.", "Run exiting due to an error"}))
        << "the end-of-run information stays out of the log";

    const std::string file = readWholeFile(messageFile());
    const std::regex expected(
        "Starting the VARNO Library study\\.\n"
        "\\*ERROR\nBad value 3\\.\n\n"
        "Run exiting due to an error\n"
        "\\*NOTE\n\\*{12}END OF RUN INFORMATION\\*{12}\nElapsed time: 12 seconds\n"
        "Current time: [A-Z][a-z]{2} [A-Z][a-z]{2} [ 1-3][0-9] \\d\\d:\\d\\d:\\d\\d \\d{4}\n\n"
        "\\*NOTE\nEnd of VARNO run\\.\n\n");
    EXPECT_TRUE(std::regex_match(file, expected)) << file;
    EXPECT_EQ(currentStudy()->runStatus, "Error");
    EXPECT_FALSE(currentStudy()->messageFile->is_open());
}

TEST_F(StudyFrame, ExhaustedMemoryInTheTrackedAllocatorFailsTheCall) {
    ASSERT_EQ(initialiseIn(dir.path()), 1);
    refuseBeforeFinalising();
    support::seams().allocationsBeforeFailure = 0;
    EXPECT_EQ(VARNO_getMessageLog(), nullptr);
    EXPECT_EQ(testing::lastFatalReason(), "*ERROR\nOut of memory in fmalloc");
    const std::string file = readWholeFile(messageFile());
    EXPECT_NE(file.find("\nOut of memory in fmalloc, while mallocing data for cmbMsgLog"
                        "\nRequested size = 79\n"),
              std::string::npos)
        << file;
    EXPECT_EQ(library().libraryUsable, 0);
}

TEST_F(StudyFrame, ExceptionsFromTheStandardLibraryAreContainedAsFatalErrors) {
    ASSERT_EQ(initialiseIn(dir.path()), 1);
    const CallRule rule{"test", Lifecycle::any};
    EXPECT_EQ(runTrapped(rule, -1, []() -> int { throw std::bad_alloc(); }), -1);
    EXPECT_EQ(logEntries(),
              (std::vector<std::string>{"*ERROR\nOut of memory", "Run exiting due to an error"}));
    EXPECT_EQ(library().libraryUsable, 0);

    ASSERT_EQ(initialiseIn(dir.path()), 1);
    EXPECT_EQ(runTrapped(rule, 0, []() -> int { throw std::out_of_range("index 9"); }), 0);
    EXPECT_EQ(logEntries().front(), "*ERROR\nInternal error: index 9");

    // The end of a study contains a fatal error raised inside it.
    ASSERT_EQ(initialiseIn(dir.path()), 1);
    EXPECT_EQ(runGuarded(0, []() -> int { fatalError("during the end"); }), 0);
    EXPECT_EQ(library().libraryUsable, 0);
    EXPECT_EQ(VARNO_endStudy(), 1);
}

// --- numbers under the host's locale ----------------------------------------

TEST_F(StudyFrame, NumbersUseADecimalPointWhateverTheHostLocale) {
#if defined(_WIN32)
    const char* commaLocale = "German_Germany.1252";
#else
    const char* commaLocale = "de_DE.UTF-8";
#endif
    const char* hostLocale = std::setlocale(LC_NUMERIC, commaLocale);
    ASSERT_NE(hostLocale, nullptr)
        << "the " << commaLocale << " locale is missing: run scripts/install-deps.sh";
    ASSERT_EQ(formatText("%.1f", 1.5), "1,5") << "the host's comma locale is active";
    std::string inside;
    double read = 0;
    runTrapped(CallRule{"test", Lifecycle::any}, 0, [&] {
        inside = formatText("%.1f", 2.5);
        std::string error;
        readDouble(splitLines("x: 3.25"), "x", read, error);
        return 1;
    });
    EXPECT_EQ(inside, "2.5");
    EXPECT_EQ(read, 3.25);
    EXPECT_EQ(formatText("%.1f", 1.5), "1,5") << "the host's locale is restored";
    std::setlocale(LC_NUMERIC, "C");
}

}  // namespace
}  // namespace varno
