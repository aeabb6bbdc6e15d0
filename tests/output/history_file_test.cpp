// The history file: every section survives a write and a read, and a file cut
// short or with any bit flipped is refused without reading past its end;
// comparing a saved problem with the current one: which changes refuse the
// history and which only warn.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "output/history_check.h"
#include "output/history_file.h"
#include "support/binary_io.h"
#include "support/crc16.h"
#include "test_support.h"

namespace varno::output {
namespace {

design::Design sampleDesign(int id) {
    design::Design d;
    std::tie(d.id, d.name, d.source, d.agentTag, d.tag1, d.tag2) =
        std::tuple(id, "Design" + std::to_string(id), "API", 0, 1, 7);
    d.ints = {id, 2 * id, 3};
    d.reals = {0.25 * id, -1.5, 1e-300};
    d.responseValues = {{model::makeDoubleValue(id + 0.5), model::endOfListValue()},
                        {{1, model::dataText, 0, 0, 0.0, "label " + std::to_string(id)}}};
    d.dependentValues = {{model::makeDoubleValue(-id)}};
    std::tie(d.performance, d.rawPerformance, d.violation) =
        std::tuple(-3.25 * id, -1.0 * id, 0.125);
    d.status.status = design::statusFeasible;
    d.status.responseStates = {1, 0};
    return d;
}

History sampleHistory() {
    History history;
    history.problem.variables = {{101, 0, 1, 1, -5.0, 5.0, "NONE", "NONE"},
                                 {4, 1, 2, 2, 0.0, 3.0, "spread", "Normal"}};
    std::tie(history.problem.dependentPrint, history.problem.parameterPrint) =
        std::pair(std::vector{1}, std::vector{0, 1});
    std::tie(history.problem.toolIds, history.problem.directions, history.problem.valueTypes) =
        std::tuple(std::vector{-4, -4}, std::vector{0, 2}, std::vector{0, 1});
    history.designs = {sampleDesign(1), sampleDesign(2)};
    history.counters = {2, 1, 2};
    return history;
}

TEST(HistoryFile, EverySectionSurvivesAWriteAndAReadInLittleEndianBytes) {
    const History written = sampleHistory();
    const std::string bytes = encodeHistory(written);
    History read;
    ASSERT_EQ(decodeHistory(bytes, read), HistoryDecode::ok);
    // A field the reader skipped would be written back as its default.
    EXPECT_EQ(encodeHistory(read), bytes);
    EXPECT_EQ(read.problem.variables[1].distributionType, "Normal");
    EXPECT_EQ(read.problem.directions, (std::vector<int>{0, 2}));
    ASSERT_EQ(read.designs.size(), 2u);
    const design::Design& d = read.designs[1];
    EXPECT_EQ(d.ints, (std::vector<int>{2, 4, 3}));
    EXPECT_EQ(d.reals, (std::vector<double>{0.5, -1.5, 1e-300}));
    EXPECT_EQ(d.responseValues[1][0].textValue, "label 2");
    EXPECT_EQ(d.dependentValues[0][0].doubleValue, -2.0);
    EXPECT_EQ(d.performance, -6.5);
    EXPECT_EQ(d.status.responseStates, (std::vector<int>{1, 0}));
    EXPECT_EQ(read.counters, (std::array<int, 3>{2, 1, 2}));
    // Little-endian whatever the host: 201901 is 0x000314AD.
    EXPECT_EQ(bytes.substr(0, 4), std::string("\xAD\x14\x03\x00", 4));
}

TEST(HistoryFile, AFileCutShortAnywhereIsRefused) {
    const std::string bytes = encodeHistory(sampleHistory());
    for (std::size_t length = 0; length < bytes.size(); ++length) {
        History read;
        const HistoryDecode result = decodeHistory(bytes.substr(0, length), read);
        EXPECT_EQ(result, length < 4 ? HistoryDecode::noHeader : HistoryDecode::corrupt)
            << "cut at " << length;
    }
    History read;
    EXPECT_EQ(decodeHistory(bytes + '\0', read), HistoryDecode::corrupt) << "a byte too many";
}

TEST(HistoryFile, AnyFlippedBitIsRefused) {
    const std::string bytes = encodeHistory(sampleHistory());
    for (std::size_t at = 0; at < bytes.size(); ++at) {
        for (int bit = 0; bit < 8; ++bit) {
            std::string damaged = bytes;
            damaged[at] = static_cast<char>(damaged[at] ^ (1 << bit));
            History read;
            ASSERT_EQ(decodeHistory(damaged, read), HistoryDecode::corrupt)
                << "byte " << at << " bit " << bit;
        }
    }
}

// A record may claim no analysis loops and no mapped analyses; the last
// record's loop count sits before its mapping count, the counters and the
// checksum.
TEST(HistoryFile, ARecordClaimingAnalysisLoopsIsRefused) {
    std::string bytes = encodeHistory(sampleHistory());
    bytes[bytes.size() - 4 - 3 * 4 - 4 - 4] = 1;
    const std::uint16_t sum = support::crc16_ccitt(bytes.data(), bytes.size() - 4);
    bytes.replace(bytes.size() - 4, 2,
                  {static_cast<char>(sum & 0xFF), static_cast<char>(sum >> 8)});
    History read;
    EXPECT_EQ(decodeHistory(bytes, read), HistoryDecode::corrupt);
}

// A count near the largest int must be refused before anything is allocated.
TEST(HistoryFile, AHugeCountIsRefusedBeforeAllocating) {
    support::ByteWriter out;
    out.int32(historyVersion);
    out.int32(0);
    out.int32(0x7FFFFFFF);  // variables
    History read;
    EXPECT_EQ(decodeHistory(out.buffer(), read), HistoryDecode::corrupt);
    EXPECT_TRUE(read.problem.variables.empty());
}

TEST(HistoryFile, AFailedWriteKeepsThePreviousFile) {
    testing::TempDirectory dir;
    const std::string path = historyFilePath(dir.path(), "s", 0);
    EXPECT_EQ(path, dir.path() + support::pathSeparator + "s0.hst");
    const History first = sampleHistory();
    ASSERT_TRUE(writeHistoryFile(path, first, 0));
    History second = first;
    second.designs.push_back(sampleDesign(3));
    support::seams().failFileOpen = [](const std::string& p) { return p.ends_with(".tmp"); };
    EXPECT_FALSE(writeHistoryFile(path, second, 0));
    support::resetSeams();
    EXPECT_EQ(testing::readWholeFile(path), encodeHistory(first));
    EXPECT_FALSE(support::fileExists(path + ".tmp"));
    ASSERT_TRUE(writeHistoryFile(path, second, 0));
    EXPECT_EQ(testing::readWholeFile(path), encodeHistory(second));
}

HistoryProblem problem() {
    HistoryProblem p;
    p.variables = {{101, 0, 1, 1, -5.0, 5.0, "NONE", "NONE"},
                   {4, 1, 2, 2, 0.0, 3.0, "NONE", "NONE"}};
    p.dependentPrint = {1};
    p.toolIds = {-4, -4};
    p.directions = {0, 1};
    p.valueTypes = {0, 0};
    return p;
}

class HistoryCheck : public testing::WithoutStudy {};

// A changed bound is refused; the study-level history tests show that.
TEST_F(HistoryCheck, AChangedDistributionOrParameterCountOnlyWarnsChangedResponsesRefuse) {
    HistoryProblem current = problem();
    current.variables[1].distributionName = "spread";
    current.parameterPrint.push_back(0);
    EXPECT_TRUE(sameProblem(problem(), current, 0));
    EXPECT_TRUE(
        testing::logMentions("The distribution data applied to one of the variables has been "
                             "modified. Continuing with the run if possible.."));
    EXPECT_TRUE(testing::logMentions("could affect the plotting of the results."));
    // Changed responses or stochasticity refuse the history.
    current = problem();
    current.directions[1] = 2;
    EXPECT_FALSE(sameProblem(problem(), current, 0));
    EXPECT_TRUE(testing::logMentions(
        "The objective/constraint search goal (minimize/maximize or <=/>=) for "
        "response 1 from the history file (1) does not match the direction in "
        "project (2)."));
    current = problem();
    current.toolIds.push_back(-4);
    current.directions.push_back(0);
    current.valueTypes.push_back(0);
    EXPECT_FALSE(sameProblem(problem(), current, 0));
    EXPECT_TRUE(testing::logMentions(
        "The number of responses from the history file(2) is different than the "
        "number in the project(3)."));
    EXPECT_TRUE(testing::logMentions("*HISTORY_CRITERIA_OVERRIDE"));
    current = problem();
    current.stochasticity = 1;
    EXPECT_FALSE(sameProblem(problem(), current, 3));
    EXPECT_TRUE(testing::logMentions(
        "The user has changed the stochasticity of Agent 3 from the previous run. "
        "History cannot be used."));
}

}  // namespace
}  // namespace varno::output
