// Helpers shared by the white-box tests: scratch folders, environment
// variables, file contents and the message log.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "frame/definition_text.h"
#include "frame/fatal_error.h"
#include "frame/tracked_allocator.h"
#include "study/study.h"
#include "support/platform.h"
#include "support/seams.h"
#include "varno.h"

namespace varno::testing {

// A definition block as a set-up call builds it: the name line, then the text.
inline LineList definitionBlock(const std::string& name, const std::string& text) {
    LineList lines = splitLines(text.c_str());
    addNameLine(lines, name);
    return lines;
}

// A study response with its goal, for tests that build a performance
// definition by hand.
inline model::ResponseGoal goalOf(const std::string& name, int flag, int opt, double target,
                                  double norm) {
    model::ResponseGoal goal;
    std::tie(goal.name, goal.flag, goal.opt, goal.target, goal.norm) =
        std::tie(name, flag, opt, target, norm);
    return goal;
}

// A fresh folder under the system's temporary folder, removed again with all
// its content when the object goes.
class TempDirectory {
public:
    TempDirectory() {
        std::random_device seed;
        path_ = std::filesystem::temp_directory_path() /
                ("varno-test-" + std::to_string(seed()) + std::to_string(seed()));
        std::filesystem::create_directories(path_);
    }
    ~TempDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;

    std::string path() const { return path_.string(); }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// `value` is UTF-8.
inline void setEnvironment(const char* name, const std::string& value) {
#if defined(_WIN32)
    _wputenv_s(support::pathFromUtf8(name).c_str(), support::pathFromUtf8(value).c_str());
#else
    setenv(name, value.c_str(), 1);
#endif
}

inline void unsetEnvironment(const char* name) {
#if defined(_WIN32)
    _putenv_s(name, "");
#else
    unsetenv(name);
#endif
}

inline std::string readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

inline std::vector<std::string> logEntries() {
    const auto& log = library().messageLog;
    return std::vector<std::string>(log.begin(), log.end());
}

// True when an entry of the message log contains `text`.
inline bool logMentions(const std::string& text) {
    const auto& log = library().messageLog;
    return std::any_of(log.begin(), log.end(), [&text](const std::string& entry) {
        return entry.find(text) != std::string::npos;
    });
}

// The library's last message, "<none>" when the log is empty.
inline std::string lastMessage() {
    const char* last = VARNO_getLastMessage();
    return last == nullptr ? std::string("<none>") : std::string(last);
}

// A set-up call of the C interface: the call, the object's name and its text.
struct SetUpCall {
    int (*function)(const char*, const char*);
    std::string name, text;
};

// Makes the set-up calls in order; each must succeed.
inline void defineThrough(const std::vector<SetUpCall>& calls) {
    for (const SetUpCall& call : calls) {
        ASSERT_EQ(call.function(call.name.c_str(), call.text.c_str()), 1)
            << call.name << ": " << lastMessage();
    }
}

// Defines, through the C interface, a design sweep over two continuous
// variables and one fixed parameter, with objective "f" (minimised, factor 1,
// accepted range [-100, 100]) and constraint "g" (at most 5); its files are
// named `filePrefix` + "0" + extension.
inline void defineSmallSweep(const std::string& filePrefix = "sweep") {
    const std::string variable = "\nresolution: 101\ndistribution: NONE";
    const std::string range = "\nacceptMin: -1e300\nacceptMax: 1e300";
    defineThrough({
        {VARNO_createNewStudy, "sweep", "type: evaluation"},
        {VARNO_defineNewProjectParameter, "x1",
         "type: Continuous\nid: 1\nmin: 0\nbaseline: 5\nmax: 10"},
        {VARNO_defineNewProjectParameter, "x2",
         "type: Continuous\nid: 2\nmin: 0\nbaseline: 5\nmax: 10"},
        {VARNO_defineNewProjectParameter, "load", "type: Parameter\nid: 3\nbaseline: 2"},
        {VARNO_defineNewProjectResponse, "f", "type: API\nacceptMin: -100\nacceptMax: 100"},
        {VARNO_defineNewProjectResponse, "g", "type: API"},
        {VARNO_defineStudyLevelData, "S",
         "startAgent: 0\nendAgent: 0\nfilePrefix: " + filePrefix +
             "\nrandomSeed: 0.5\nmode: newStudy"},
        {VARNO_defineSearchMethodData, "m", "numEvalsTotal: 100\nmethod: DesignSweep"},
        {VARNO_addVariableToStudy, "x1", "type: Continuous\nid: 1" + variable},
        {VARNO_addVariableToStudy, "x2", "type: Continuous\nid: 2" + variable},
        {VARNO_addResponseToStudy, "f",
         "type: objective\nfactor: 1\noption: min_value\ntarget: 0\nquadWt: 0\nlinearWt: 1" +
             range},
        {VARNO_addResponseToStudy, "g",
         "type: constraint\nfactor: 1\noption: less_equal\ntarget: 5\nquadWt: 1\nlinearWt: 0" +
             range},
    });
}

// The host's side of one set: gets the next set of designs and answers design
// `i` with `answer(i, values, flag)`, its responses (`flag` set to 1 marks it
// failed). Gives the number of designs handed out and the update's answer.
inline std::pair<int, int> answerNextSet(
    const std::function<std::vector<double>(int, const double*, int&)>& answer) {
    int* ids = nullptr;
    double** values = nullptr;
    const int count = VARNO_getNextSetOfDesignsFromStudy(&ids, &values);
    std::vector<std::vector<double>> rows(static_cast<std::size_t>(std::max(count, 0)));
    std::vector<int> flags(rows.size(), 0);
    std::vector<double*> responses;
    for (int i = 0; i < count; ++i) {
        rows[i] = answer(i, values[i], flags[i]);
        responses.push_back(rows[i].data());
    }
    const int updated =
        VARNO_updateResultsForDesignSet(count, ids, flags.data(), responses.data(), nullptr);
    VARNO_freePtr(ids);
    VARNO_freePtr(values);
    return {count, updated};
}

// Puts the library back in the state of a freshly loaded one.
inline void resetLibrary() { library() = Library{}; }

// A test of the C interface. It starts from a freshly loaded library and ends
// the study, then checks that the host released every block it was handed
// and that no file is left open; VARNO_ROOT and the seams are restored, so the
// tests of one program may run in one process in any order.
class CInterfaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* root = std::getenv("VARNO_ROOT")) root_ = root;
        resetLibrary();
    }
    void TearDown() override {
        VARNO_endStudy();
        EXPECT_EQ(trackedBlockCount(), 0u) << "blocks handed to the host were not released";
        EXPECT_EQ(support::openFileCount(), 0) << "files were left open";
        support::resetSeams();
        root_ ? setEnvironment("VARNO_ROOT", *root_) : unsetEnvironment("VARNO_ROOT");
        resetLibrary();
    }

private:
    std::optional<std::string> root_;
};

// A test of the C interface whose library is initialised in a scratch folder.
class StudyInFolder : public CInterfaceTest {
protected:
    void SetUp() override {
        CInterfaceTest::SetUp();
        initialise();
    }
    // Initialises the library again, with extra set-up `options`.
    void initialise(const std::string& options = "") {
        const std::string text = "workingDirectory: " + dir.path() + options;
        ASSERT_EQ(VARNO_initializeStudySetup(text.c_str()), 1);
    }
    TempDirectory dir;
};

// A test that starts and ends without a study and with an empty log.
class WithoutStudy : public ::testing::Test {
protected:
    void SetUp() override { resetLibrary(); }
    void TearDown() override { resetLibrary(); }
};

// The reason of the last fatal error: the log entry before the closing "Run
// exiting due to an error".
inline std::string lastFatalReason() {
    const auto& log = library().messageLog;
    if (log.size() < 2 || log.back() != "Run exiting due to an error") return "<no fatal error>";
    return log[log.size() - 2];
}

// Runs `call`, which must end in the fatal error `text`.
inline void expectFatal(const std::function<void()>& call, const std::string& text) {
    EXPECT_THROW(call(), FatalError);
    EXPECT_EQ(lastFatalReason(), "*ERROR\n" + text);
}

}  // namespace varno::testing
