// The lifecycle table, call by call: which exported calls are allowed, refused
// (and with which text) or silently failed in each state of the library.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "frame/call_frame.h"
#include "frame/fatal_error.h"
#include "test_support.h"
#include "varno.h"

namespace varno {
namespace {

using testing::lastMessage;

enum class Rule { setUp, finalised, any };

// What the calls of the "any" rule answer before initialisation.
std::string answerBeforeInitialisation(const std::string& name) {
    if (name == "VARNO_finalizeStudyData") {
        return "VARNO_finalizeStudyData cannot be done before initializing the study.";
    }
    if (name == "VARNO_getIntStudyData" || name == "VARNO_isShareDesignsSupported" ||
        name == "VARNO_getFactorNames") {
        return "<none>";
    }
    if (name == "VARNO_generateReportFile") {
        return "The report file cannot be written before the study level data (file prefix and "
               "agents) are defined.";
    }
    return name + " is not available in this build.";
}

struct ExportedCall {
    std::string name;
    Rule rule;
    std::function<long()> invoke;  // the call's result, pointers as 0 / 1
    std::string operation = "";    // word of the "after finalizing" refusal
};

long asLong(const void* pointer) { return pointer == nullptr ? 0 : 1; }

// Every exported call that runs in the trapped frame.
std::vector<ExportedCall> trappedCalls() {
    // A set-up call taking a name and a definition text, and the word its
    // refusal after finalising uses when it is not the call's own name.
    const auto setUp = [](std::string name, int (*function)(const char*, const char*),
                          const char* operation = nullptr) {
        return ExportedCall{name, Rule::setUp, [function] { return long(function("n", nullptr)); },
                            operation != nullptr ? operation : name};
    };
    std::vector<ExportedCall> calls = {
        setUp("VARNO_createNewStudy", VARNO_createNewStudy, "Create new study"),
        setUp("VARNO_defineNewProjectParameter", VARNO_defineNewProjectParameter),
        setUp("VARNO_defineNewProjectResponse", VARNO_defineNewProjectResponse),
        setUp("VARNO_defineNewDiscreteSet", VARNO_defineNewDiscreteSet, "Add discrete set"),
        setUp("VARNO_defineNewDistribution", VARNO_defineNewDistribution),
        setUp("VARNO_defineNewCurve", VARNO_defineNewCurve),
        setUp("VARNO_defineNewFormat", VARNO_defineNewFormat),
        setUp("VARNO_defineStudyLevelData", VARNO_defineStudyLevelData, "Define Study data"),
        setUp("VARNO_defineSearchMethodData", VARNO_defineSearchMethodData,
              "Define search method data"),
        setUp("VARNO_defineStudyRuntimeOptions", VARNO_defineStudyRuntimeOptions),
        setUp("VARNO_addVariableToStudy", VARNO_addVariableToStudy),
        setUp("VARNO_addDOEFactorToStudy", VARNO_addDOEFactorToStudy),
        setUp("VARNO_addResponseToStudy", VARNO_addResponseToStudy),
    };
    double value = 0;
    double** values = nullptr;
    int count = 0, count2 = 0;
    int *ids = nullptr, *ranks = nullptr;
    calls.insert(
        calls.end(),
        {
            {"VARNO_finalizeStudyData", Rule::any, [] { return long(VARNO_finalizeStudyData()); }},
            {"VARNO_getNextSetOfDesignsFromStudy", Rule::finalised,
             [ids, values]() mutable {
                 return long(VARNO_getNextSetOfDesignsFromStudy(&ids, &values));
             }},
            {"VARNO_updateResultsForDesignSet", Rule::finalised,
             [] {
                 return long(
                     VARNO_updateResultsForDesignSet(0, nullptr, nullptr, nullptr, nullptr));
             }},
            {"VARNO_shareDesigns", Rule::finalised,
             [] {
                 return long(
                     VARNO_shareDesigns("p", 0, nullptr, 0, nullptr, 0, nullptr, nullptr, nullptr));
             }},
            {"VARNO_isShareDesignsSupported", Rule::any,
             [] { return long(VARNO_isShareDesignsSupported()); }},
            {"VARNO_getPerformanceValueForDesign", Rule::finalised,
             [value]() mutable { return long(VARNO_getPerformanceValueForDesign(1, &value)); }},
            {"VARNO_getDesignStatus", Rule::finalised,
             [] { return long(VARNO_getDesignStatus(1)); }},
            {"VARNO_getIntStudyData", Rule::any, [] { return long(VARNO_getIntStudyData(1)); }},
            {"VARNO_getParetoDesignIds", Rule::finalised,
             [ids, ranks]() mutable { return long(VARNO_getParetoDesignIds(&ids, &ranks)); }},
            {"VARNO_getFactorNames", Rule::any,
             [count]() mutable { return asLong(VARNO_getFactorNames(&count)); }},
            {"VARNO_getInteractionNames", Rule::finalised,
             [count]() mutable { return asLong(VARNO_getInteractionNames(&count)); }},
            {"VARNO_getPercentContribution", Rule::finalised,
             [count]() mutable { return asLong(VARNO_getPercentContribution(&count)); }},
            {"VARNO_getDOEEffectsData", Rule::finalised,
             [count, count2]() mutable {
                 return asLong(VARNO_getDOEEffectsData(&count, &count2));
             }},
            {"VARNO_generateReportFile", Rule::any,
             [] { return long(VARNO_generateReportFile()); }},
            {"VARNO_generateDesignResultsFile", Rule::finalised,
             [] { return long(VARNO_generateDesignResultsFile()); }},
            {"VARNO_generateStudyResultsFiles", Rule::finalised,
             [] { return long(VARNO_generateStudyResultsFiles()); }},
        });
    return calls;
}

class Lifecycle : public testing::CInterfaceTest {};
class InitialisedLifecycle : public testing::StudyInFolder {};

TEST_F(Lifecycle, BeforeInitialisationSetUpAndFreeCallsRunAndStateCallsAreRefused) {
    for (const ExportedCall& call : trappedCalls()) {
        SCOPED_TRACE(call.name);
        EXPECT_EQ(call.invoke(), call.name == "VARNO_isShareDesignsSupported" ? 1 : 0);
        std::string expected = answerBeforeInitialisation(call.name);
        if (call.rule == Rule::finalised) {
            expected = call.name + " cannot be done before finalizing the study.";
        } else if (call.rule == Rule::setUp) {
            expected = call.name + " cannot be done before initializing the study.";
        }
        EXPECT_EQ(lastMessage(), expected);
        VARNO_clearMessageLog();
    }
    // The calls outside the trapped frame.
    EXPECT_EQ(VARNO_getBuildNumber(), 8677);
    EXPECT_EQ(VARNO_isStudyComplete(), 0);
    EXPECT_EQ(VARNO_endStudy(), 0);
    EXPECT_EQ(VARNO_getLastMessage(), nullptr);
    EXPECT_EQ(VARNO_getBestDesignId(), 0);
    EXPECT_EQ(lastMessage(), "VARNO_getBestDesignId cannot be done before finalizing the study.");
}

TEST_F(InitialisedLifecycle, OnceFinalisedSetUpCallsAreRefusedWithTheirOperationWord) {
    testing::defineSmallSweep();
    ASSERT_EQ(VARNO_finalizeStudyData(), 1) << lastMessage();
    for (const ExportedCall& call : trappedCalls()) {
        SCOPED_TRACE(call.name);
        VARNO_clearMessageLog();
        const long result = call.invoke();
        if (call.rule == Rule::setUp) {
            EXPECT_EQ(result, 0);
            EXPECT_EQ(lastMessage(),
                      call.operation + " cannot be done after finalizing the study.");
        } else {
            EXPECT_EQ(lastMessage().find("cannot be done"), std::string::npos) << lastMessage();
        }
    }
    EXPECT_EQ(VARNO_getBestDesignId(), 0) << "nothing is evaluated yet";
}

TEST_F(InitialisedLifecycle, CyclicFormulasAreRefusedBeforeTheStudyStarts) {
    testing::defineSmallSweep();
    ASSERT_EQ(VARNO_defineNewProjectParameter("d1", "type: Dependent\nid: 4\nformula: d2 + 1"), 1);
    ASSERT_EQ(VARNO_defineNewProjectParameter("d2", "type: Dependent\nid: 5\nformula: d1 * 2"), 1);
    EXPECT_EQ(VARNO_finalizeStudyData(), 0);
    EXPECT_EQ(testing::lastFatalReason(),
              "*ERROR\nError in a formula definition. There is a cyclic definition in the formula "
              "for \"d1\". Cannot continue.");
    EXPECT_EQ(library().studyFinalised, 0);
}

TEST_F(InitialisedLifecycle, AfterEndStudyTrappedCallsFailSilently) {
    ASSERT_EQ(VARNO_endStudy(), 1);
    for (const ExportedCall& call : trappedCalls()) {
        SCOPED_TRACE(call.name);
        EXPECT_EQ(call.invoke(), 0);
        EXPECT_EQ(VARNO_getLastMessage(), nullptr);
    }
    EXPECT_EQ(VARNO_endStudy(), 0);
    EXPECT_EQ(VARNO_isStudyComplete(), 1);
    // The best-design query has no usability check of its own: it still refuses.
    EXPECT_EQ(VARNO_getBestDesignId(), 0);
    EXPECT_EQ(lastMessage(), "VARNO_getBestDesignId cannot be done before finalizing the study.");
}

TEST_F(InitialisedLifecycle, AfterAFatalErrorOnlyLogCallsAndEndStudyWork) {
    const int failed = runTrapped(CallRule{"test", varno::Lifecycle::any}, 7,
                                  []() -> int { fatalError("A definition could not be read."); });
    EXPECT_EQ(failed, 7);
    EXPECT_EQ(library().libraryUsable, 0);
    const auto before = testing::logEntries();
    for (const ExportedCall& call : trappedCalls()) {
        SCOPED_TRACE(call.name);
        EXPECT_EQ(call.invoke(), 0);
    }
    EXPECT_EQ(testing::logEntries(), before);
    EXPECT_EQ(lastMessage(), "Run exiting due to an error");
    char* log = VARNO_getMessageLog();
    ASSERT_NE(log, nullptr);
    EXPECT_EQ(std::string(log),
              "*ERROR\nA definition could not be read.\n\nRun exiting due to an error");
    VARNO_freePtr(log);
    EXPECT_EQ(VARNO_endStudy(), 1);
    EXPECT_EQ(VARNO_getLastMessage(), nullptr);
}

TEST_F(InitialisedLifecycle, InitialisationRecoversAFailedLibrary) {
    runTrapped(CallRule{"test", varno::Lifecycle::any}, 0, []() -> int { fatalError("broken"); });
    ASSERT_EQ(library().libraryUsable, 0);
    initialise();
    EXPECT_EQ(VARNO_getLastMessage(), nullptr);
    EXPECT_EQ(VARNO_createNewStudy("s", nullptr), 1);
    EXPECT_EQ(VARNO_getLastMessage(), nullptr);
}

}  // namespace
}  // namespace varno
