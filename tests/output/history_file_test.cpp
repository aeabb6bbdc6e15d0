// The history file: every section survives a write and a read, and a file cut
// short or with any bit flipped is refused without reading past its end.
#include <gtest/gtest.h>

#include <string>

#include "output/history_file.h"
#include "support/binary_io.h"
#include "test_support.h"

namespace varno::output {
namespace {

model::VARNODataVal textValue(const std::string& text) {
    model::VARNODataVal value;
    value.set = 1;
    value.dataType = model::dataText;
    value.textValue = text;
    return value;
}

design::Design sampleDesign(int id) {
    design::Design d;
    d.id = id;
    d.name = "Design" + std::to_string(id);
    d.source = "API";
    d.agentTag = 0;
    d.tag1 = 1;
    d.tag2 = 7;
    d.ints = {id, 2 * id, 3};
    d.reals = {0.25 * id, -1.5, 1e-300};
    d.responseValues = {{model::makeDoubleValue(id + 0.5), model::endOfListValue()},
                        {textValue("label " + std::to_string(id))}};
    d.dependentValues = {{model::makeDoubleValue(-id)}};
    d.performance = -3.25 * id;
    d.rawPerformance = -1.0 * id;
    d.violation = 0.125;
    d.status.status = design::statusFeasible;
    d.status.responseStates = {1, 0};
    return d;
}

History sampleHistory() {
    History history;
    history.problem.stochasticity = 0;
    history.problem.variables = {{101, 0, 1, 1, -5.0, 5.0, "NONE", "NONE"},
                                 {4, 1, 2, 2, 0.0, 3.0, "spread", "Normal"}};
    history.problem.dependentPrint = {1};
    history.problem.parameterPrint = {0, 1};
    history.problem.toolIds = {-4, -4};
    history.problem.directions = {0, 2};
    history.problem.valueTypes = {0, 1};
    history.designs = {sampleDesign(1), sampleDesign(2)};
    history.counters = {2, 1, 2};
    return history;
}

TEST(HistoryFile, EverySectionSurvivesAWriteAndARead) {
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
}

TEST(HistoryFile, IsLittleEndianWhateverTheHost) {
    const std::string bytes = encodeHistory(sampleHistory());
    // 201901 is 0x000314AD.
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

}  // namespace
}  // namespace varno::output
