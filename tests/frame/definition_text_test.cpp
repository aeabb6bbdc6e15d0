#include "frame/definition_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "frame/fatal_error.h"
#include "study/study.h"
#include "frame/message_log.h"
#include "support/file_io.h"
#include "test_support.h"

namespace varno {
namespace {

using varno::testing::expectFatal;

using Values = std::vector<std::string>;

class DefinitionTextTest : public varno::testing::WithoutStudy {
protected:
    static const std::deque<std::string>& messageLog() { return library().messageLog; }

    struct Found {
        std::string key;
        int line;
        std::string value;
    };
    // Looks each key up from line 1 without boolean words; none may report an error.
    static void expectProperties(const LineList& lines, const std::vector<Found>& expected) {
        for (const Found& f : expected) {
            std::string error;
            const Property property = findProperty(lines, f.key, 1, false, error);
            EXPECT_EQ(property.line, f.line) << f.key;
            EXPECT_EQ(property.value, f.value) << f.key;
            EXPECT_EQ(error, "") << f.key;
        }
    }
};

// ---------------------------------------------------------------- lines

TEST_F(DefinitionTextTest, SplitLinesCutsAtLineFeedsOnlyAndDropsEmptyLines) {
    const std::vector<std::pair<const char*, LineList>> cases = {
        {"a: 1\nb: 2\n\n\nc: 3", {"a: 1", "b: 2", "c: 3"}}, {"\n\nonly\n", {"only"}},
        {"\n\n\n", {}}, {"", {}}, {nullptr, {}}, {"a: 1\r\nb: 2\r\n", {"a: 1\r", "b: 2\r"}},
        {"\r\n", {"\r"}}, {"a\rb", {"a\rb"}}};
    for (const auto& [text, lines] : cases) EXPECT_EQ(splitLines(text), lines) << (text ? text : "null");
}

TEST_F(DefinitionTextTest, AddNameLinePutsTheNameFirst) {
    LineList lines = splitLines("x: 1\ny: 2");
    addNameLine(lines, "Beam width");
    EXPECT_EQ(lines, (LineList{"name: Beam width", "x: 1", "y: 2"}));

    LineList empty;
    addNameLine(empty, "");
    EXPECT_EQ(empty, (LineList{"name: "}));
}

TEST_F(DefinitionTextTest, AppendRemoveAndJoin) {
    LineList lines = splitLines("numEvals: 50\nseed: 3\nnumEvals:2\n  numEvals: 9\nnumEvalsMax: 4\nplain");
    removeKey(lines, "numEvals");
    EXPECT_EQ(lines, (LineList{"seed: 3", "numEvalsMax: 4", "plain"}));

    appendProperty(lines, "archiveSize", "20");
    appendProperty(lines, "title", "");
    EXPECT_EQ(lines.back(), "title: ");
    EXPECT_EQ(joinLines(lines, '\n'), "seed: 3\nnumEvalsMax: 4\nplain\narchiveSize: 20\ntitle: ");
    EXPECT_EQ(joinLines(LineList{"a", "b"}, ','), "a,b");
    EXPECT_EQ(joinLines(LineList{"one"}, '\n'), "one");
    EXPECT_EQ(joinLines(LineList{}, '\n'), "");
}

TEST_F(DefinitionTextTest, RemoveKeyLeavesTheValueLinesOfACountedForm) {
    LineList lines = splitLines("list:2\na\nb\nother: 1");
    removeKey(lines, "list");
    EXPECT_EQ(lines, (LineList{"a", "b", "other: 1"}));
}

// ---------------------------------------------------------------- property lookup

TEST_F(DefinitionTextTest, FindPropertyTellsSingleFromCountedForm) {
    const LineList lines = splitLines("name: P1\ntitle: a: b  \nvalues:3\nempty:\nwide:  5\ntabbed:\t5");
    expectProperties(lines, {{"title", 2, "a: b  "}, {"values", -3, "3"}, {"empty", -4, ""},
                             {"wide", 5, " 5"}, {"tabbed", -6, "\t5"}});
}

TEST_F(DefinitionTextTest, FindPropertyTakesTheFirstLineFromTheStartLine) {
    const LineList lines = splitLines("k: first\nother: x\nk: second\nk:third");
    std::string error;
    EXPECT_EQ(findProperty(lines, "k", 1, false, error).value, "first");
    EXPECT_EQ(findProperty(lines, "k", 2, false, error).value, "second");
    EXPECT_EQ(findProperty(lines, "k", 3, false, error).line, 3);
    EXPECT_EQ(findProperty(lines, "k", 4, false, error).line, -4);
    EXPECT_EQ(findProperty(lines, "k", 0, false, error).line, 1);
    EXPECT_EQ(findProperty(lines, "k", -5, false, error).line, 1);
    EXPECT_EQ(error, "");

    const Property past = findProperty(lines, "k", 5, false, error);
    EXPECT_EQ(past.line, 0);
    EXPECT_EQ(past.value, "");
    EXPECT_EQ(error, "The property is not defined.");
}

TEST_F(DefinitionTextTest, FindPropertyComparesTrimmedKeysExactly) {
    const LineList lines =
        splitLines("Key: upper\nkeyX: longer\n  \tkey: indented\r\nkey2 : spaced\nkey3\t: tab");
    expectProperties(lines, {{"key", 3, "indented\r"}, {"key2", 4, "spaced"}, {"key3\t", 5, "tab"}});
    std::string error;
    EXPECT_EQ(findProperty(lines, "KEY", 1, false, error).line, 0);
    EXPECT_EQ(findProperty(lines, "key3", 1, false, error).line, 0);
}

TEST_F(DefinitionTextTest, LinesWithoutAKeyDefineNoProperty) {
    const LineList lines = splitLines("flag yes\n: orphan\n:flag: 1\n   : blank key\n:::");
    for (const char* key : {"flag", "orphan", "", "blank key", "flag yes"}) {
        std::string error;
        EXPECT_EQ(findProperty(lines, key, 1, false, error).line, 0) << key;
        EXPECT_EQ(error, "The property is not defined.") << key;
    }
}

TEST_F(DefinitionTextTest, FindPropertyMapsOnlyExactBooleanWords) {
    const LineList lines = splitLines(
        "a: true\nb: yes\nc: false\nd: no\ne: True\nf: yes \ng: no\r\nh:true\ni: 2");
    std::string error;
    Values mapped;
    for (const char* key : {"a", "b", "c", "d", "e", "f", "g", "h", "i"})
        mapped.push_back(findProperty(lines, key, 1, true, error).value);
    EXPECT_EQ(mapped, (Values{"1", "1", "0", "0", "True", "yes ", "no\r", "1", "2"}));
    EXPECT_EQ(findProperty(lines, "a", 1, false, error).value, "true");
}

TEST_F(DefinitionTextTest, NameLineIsFoundOnLineOne) {
    LineList lines = splitLines("name: not me\nx: 1");
    addNameLine(lines, "Real name");
    expectProperties(lines, {{"name", 1, "Real name"}});
}

// ---------------------------------------------------------------- number syntax

TEST_F(DefinitionTextTest, NumberSyntaxAcceptsPlainDecimals) {
    for (const char* text : {"0", "12", "-3", "+4", ".5", "5.", "2.9", "1e5", "1E5", "1e+5", "1e-5",
                             "-1.5E-3", "1.e5", " \t7", "7 \r\n", "007"}) {
        EXPECT_TRUE(isNumberSyntax(text)) << '"' << text << '"';
    }
}

TEST_F(DefinitionTextTest, NumberSyntaxRejectsMalformedNumbers) {
    for (const char* text :
         {"", "   ", "\t", "+", "-", ".", "e", "e5", ".e1", "-e5", "1e", "1e+", "--1", "+-1", "1.2.3",
          "1e5.0", "1e5e5", "1-2", "1e+-5", "nan", "NaN", "inf", "-inf", "0x10", "1 2", "7\t", "\r5",
          "1,5", "2.9x", "true"}) {
        EXPECT_FALSE(isNumberSyntax(text)) << '"' << text << '"';
    }
}

// ---------------------------------------------------------------- integer and double lookup

TEST_F(DefinitionTextTest, ReadIntReadsTheLeadingInteger) {
    const std::vector<std::pair<const char*, int>> cases = {
        {"n: 2.9", 2},     {"n: -2.9", -2},  {"n: 1e3", 1},          {"n: .5", 0},
        {"n: +7", 7},      {"n: 5\r", 5},    {"n:  \t12", 12},       {"n:4", 4},
        {"n: 2147483647", INT_MAX},          {"n: -2147483648", INT_MIN},
        {"n: yes", 1},     {"n:true", 1},    {"n: no", 0},           {"n: 1", 1}};
    for (const auto& [text, expected] : cases) {
        int value = -1;
        std::string error;
        EXPECT_TRUE(readInt(splitLines(text), "n", value, error)) << text;
        EXPECT_EQ(value, expected) << text;
    }
}

TEST_F(DefinitionTextTest, ReadIntFailuresGiveZeroAndTheReason) {
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"n: 2.9x", "The read value \"2.9x\" could not be converted into an integer."},
        {"n: True", "The read value \"True\" could not be converted into an integer."},
        {"n:", "The read value \"\" could not be converted into an integer."},
        {"n: nan", "The read value \"nan\" could not be converted into an integer."},
        {"n: 2147483648", "The read value \"2147483648\" could not be converted into an integer."},
        {"n: -2147483649", "The read value \"-2147483649\" could not be converted into an integer."},
        {"n: 99999999999999999999999",
         "The read value \"99999999999999999999999\" could not be converted into an integer."},
        {"other: 1", "The property is not defined."}};
    for (const auto& [text, reason] : cases) {
        int value = 42;
        std::string error;
        EXPECT_FALSE(readInt(splitLines(text), "n", value, error)) << text;
        EXPECT_EQ(value, 0) << text;
        EXPECT_EQ(error, reason) << text;
    }
}

TEST_F(DefinitionTextTest, ReadIntHonoursTheStartLine) {
    const LineList lines = splitLines("n: 1\nn: 2");
    int value = 0;
    std::string error;
    EXPECT_TRUE(readInt(lines, "n", value, error, 2));
    EXPECT_EQ(value, 2);
    EXPECT_FALSE(readInt(lines, "n", value, error, 3));
    EXPECT_EQ(error, "The property is not defined.");
}

TEST_F(DefinitionTextTest, ReadDoubleConvertsWholeValues) {
    const std::vector<std::pair<const char*, double>> cases = {
        {"x: 1.5", 1.5},  {"x: 1.5  ", 1.5}, {"x: -2.5e-3", -2.5e-3}, {"x: 1E3", 1000.0},
        {"x: yes", 1.0},  {"x: .5", 0.5},    {"x:7", 7.0},            {"x: 1e-400", 0.0}};
    for (const auto& [text, expected] : cases) {
        double value = -1.0;
        std::string error;
        EXPECT_TRUE(readDouble(splitLines(text), "x", value, error)) << text;
        EXPECT_DOUBLE_EQ(value, expected) << text;
    }
}

TEST_F(DefinitionTextTest, ReadDoubleFailuresGiveZeroAndTheReason) {
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"x: 1.5\r\n", "The read value \"1.5\r\" could not be converted into a double."},
        {"x: 1.5x", "The read value \"1.5x\" could not be converted into a double."},
        {"x: 1,5", "The read value \"1,5\" could not be converted into a double."},
        {"x: inf", "The read value \"inf\" could not be converted into a double."},
        {"x: 1e999", "The read value \"1e999\" could not be converted into a double."},
        {"x: -1e999", "The read value \"-1e999\" could not be converted into a double."},
        {"x: 1e", "The read value \"1e\" could not be converted into a double."},
        {"x:", "The read value \"\" could not be converted into a double."},
        {"y: 1", "The property is not defined."}};
    for (const auto& [text, reason] : cases) {
        double value = 42.0;
        std::string error;
        EXPECT_FALSE(readDouble(splitLines(text), "x", value, error)) << text;
        EXPECT_EQ(value, 0.0) << text;
        EXPECT_EQ(error, reason) << text;
    }
}

TEST_F(DefinitionTextTest, AKeyOnTwoLinesReadsTheFirstValue) {
    const LineList lines = splitLines("w: 3.5\nw: 7");
    double number = 0.0;
    int whole = 0;
    std::string error;
    EXPECT_TRUE(readDouble(lines, "w", number, error));
    EXPECT_TRUE(readInt(lines, "w", whole, error));
    EXPECT_EQ(number, 3.5);
    EXPECT_EQ(whole, 3);
}

// ---------------------------------------------------------------- lists

TEST_F(DefinitionTextTest, ReadListSingleFormGivesOneVerbatimValue) {
    Values values{"stale"};
    std::string error;
    EXPECT_TRUE(readList(splitLines("list: a, yes \nlist: b"), "list", values, error));
    EXPECT_EQ(values, (Values{"a, yes "}));

    EXPECT_TRUE(readList(splitLines("flags: yes"), "flags", values, error));
    EXPECT_EQ(values, (Values{"yes"}));

    EXPECT_TRUE(readList(splitLines("other: 1"), "list", values, error));
    EXPECT_TRUE(values.empty());
    EXPECT_TRUE(messageLog().empty());
}

TEST_F(DefinitionTextTest, ReadListCountedFormTakesWholeLines) {
    Values values;
    std::string error;
    EXPECT_TRUE(readList(splitLines("list:2\na, b\nc\nd"), "list", values, error));
    EXPECT_EQ(values, (Values{"a, b", "c"}));

    EXPECT_TRUE(readList(splitLines("list:2\nx\r\nother: 5\nlast: 1"), "list", values, error));
    EXPECT_EQ(values, (Values{"x\r", "other: 5"}));

    EXPECT_TRUE(readList(splitLines("list:2.7\np\nq\nr"), "list", values, error));
    EXPECT_EQ(values, (Values{"p", "q"}));

    EXPECT_TRUE(readList(splitLines("list:0\np"), "list", values, error));
    EXPECT_TRUE(values.empty());
    EXPECT_TRUE(readList(splitLines("list:-2\np"), "list", values, error));
    EXPECT_TRUE(values.empty());
    EXPECT_TRUE(messageLog().empty());
}

TEST_F(DefinitionTextTest, ReadListWarnsWhenTheListEndsEarly) {
    LineList lines = splitLines("x: 1\nlist:3\na\nb");
    addNameLine(lines, "Set");
    Values values;
    std::string error;
    EXPECT_TRUE(readList(lines, "list", values, error));
    EXPECT_EQ(values, (Values{"a", "b"}));
    ASSERT_EQ(messageLog().size(), 1u);
    EXPECT_EQ(messageLog().back(),
              "*WARNING\nThe number of values specified does not match the number of entries in "
              "a definition. The error is near line number 3, which was read as \"list:3\".");

    EXPECT_TRUE(readList(splitLines("list:1"), "list", values, error));
    EXPECT_TRUE(values.empty());
    EXPECT_EQ(messageLog().size(), 2u);
}

TEST_F(DefinitionTextTest, ReadListFailsOnANonIntegerCount) {
    Values values{"stale"};
    std::string error;
    EXPECT_FALSE(readList(splitLines("list:abc\na"), "list", values, error));
    EXPECT_TRUE(values.empty());
    EXPECT_EQ(error, "The read value \"abc\" could not be converted into an integer.");
    EXPECT_FALSE(readList(splitLines("list:\na"), "list", values, error));
    EXPECT_EQ(error, "The read value \"\" could not be converted into an integer.");
}

TEST_F(DefinitionTextTest, ReadListHonoursTheStartLine) {
    const LineList lines = splitLines("list: first\nlist:1\nsecond");
    Values values;
    std::string error;
    EXPECT_TRUE(readList(lines, "list", values, error, 2));
    EXPECT_EQ(values, (Values{"second"}));
}

TEST_F(DefinitionTextTest, ReadRepeatedCollectsSingleFormsUntilACountedForm) {
    EXPECT_EQ(readRepeated(splitLines("v: a\nv: b\nw: c\nv: yes"), "v"), (Values{"a", "b", "yes"}));
    EXPECT_EQ(readRepeated(splitLines("v: a\nv:2\nx\ny\nv: b"), "v"), (Values{"a"}));
    EXPECT_EQ(readRepeated(splitLines("v:1\nx\nv: b"), "v"), (Values{}));
    EXPECT_EQ(readRepeated(splitLines("w: 1"), "v"), (Values{}));
    EXPECT_EQ(readRepeated(splitLines("v: a\nv: b\nv: c"), "v", 2), (Values{"b", "c"}));
}

// ---------------------------------------------------------------- fields of a line

TEST_F(DefinitionTextTest, FieldOfLineSkipsEmptyFieldsAndTrims) {
    const std::string line = ",, a ,\tb\r,,c , ";
    EXPECT_EQ(fieldOfLine(line, 0, ",", 1), "a");
    EXPECT_EQ(fieldOfLine(line, 1, ",", 1), "b");
    EXPECT_EQ(fieldOfLine(line, 2, ",", 1), "c");
    EXPECT_EQ(fieldOfLine(line, 3, ",", 1), "");
    EXPECT_EQ(fieldOfLine("1;2 ,3", 2, ";,", 1), "3");
    EXPECT_EQ(fieldOfLine("  key : v: w", 0, ":", 1), "key");
    EXPECT_EQ(fieldOfLine("  key : v: w", 1, ":", 1), "v");
}

TEST_F(DefinitionTextTest, AMissingFieldIsFatal) {
    expectFatal([] { fieldOfLine("a,b", 2, ",", 7); },
                "Error reading file: API\n Error is near line number 7, which was read as:\na,b");
    expectFatal([] { fieldOfLine("a", -1, ",", 2, "values.txt"); },
                "Error reading file: values.txt\n Error is near line number 2, which was read "
                "as:\na");
    expectFatal([] { fieldOfLine(",,,", 0, ",", 1); },
                "Error reading file: API\n Error is near line number 1, which was read as:\n,,,");
}

// Number fields report to standard output and to the study message file, so
// these tests open a message file for a bare study.
class NumberFieldTest : public DefinitionTextTest {
protected:
    void SetUp() override {
        DefinitionTextTest::SetUp();
        path_ = ::testing::TempDir() + "definition_text_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".log";
        library().study = std::make_unique<Study>();
        library().study->messageFile = std::make_unique<support::FileWriter>(path_, false);
        ASSERT_TRUE(library().study->messageFile->is_open());
    }

    void TearDown() override {
        DefinitionTextTest::TearDown();
        support::removeFile(path_);
    }

    std::string messageFileText() {
        library().study->messageFile->close();
        std::ifstream in(path_, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    // Runs a number read that must fail with `fatalText`; returns what it wrote
    // to standard output before the run ended.
    std::string failingRead(const std::function<void()>& call, const std::string& fatalText) {
        ::testing::internal::CaptureStdout();
        expectFatal(call, fatalText);
        return ::testing::internal::GetCapturedStdout();
    }

    static bool startsWith(const std::string& text, const std::string& start) {
        return text.compare(0, start.size(), start) == 0;
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

TEST_F(NumberFieldTest, NumberFieldsAreReadWithoutAMessage) {
    EXPECT_EQ(intField("1, 2.9, -3.7", 0), 1);
    EXPECT_EQ(intField("1, 2.9, -3.7", 1), 2);
    EXPECT_EQ(intField("1, 2.9, -3.7", 2), -3);
    EXPECT_EQ(intField("1e3,,+5\r", 0), 1000);
    EXPECT_EQ(intField("1e3,,+5\r", 1), 5);
    EXPECT_EQ(intField("2147483647.9", 0), INT_MAX);
    EXPECT_EQ(intField("-2147483648", 0), INT_MIN);
    EXPECT_EQ(intField("4;5 6", 2, "; "), 6);
    // with given separators a number out of range saturates
    EXPECT_EQ(intField("3e10", 0, ";"), INT_MAX);
    EXPECT_EQ(intField("x;-3e10", 1, ";"), INT_MIN);
    EXPECT_EQ(intField("1e999", 0, ";"), INT_MAX);
    EXPECT_DOUBLE_EQ(doubleField("1.5, -2e3", 0), 1.5);
    EXPECT_DOUBLE_EQ(doubleField("1.5, -2e3", 1), -2000.0);
    EXPECT_DOUBLE_EQ(doubleField(".25\r", 0), 0.25);
    EXPECT_DOUBLE_EQ(doubleField("1|2.5", 1, "|"), 2.5);
    EXPECT_EQ(messageFileText(), "");
}

TEST_F(NumberFieldTest, UnreadableFieldsAreReportedToOutputAndMessageFile) {
    const struct {
        std::function<void()> call;
        std::string message;
        std::string file;  // the message file after the report
    } cases[] = {
        {[] { intField("1,abc", 1); }, "Error, the string \"abc\" cannot be converted into an integer.",
         "\nError, the string \"abc\" cannot be converted into an integer.\n"},
        {[] { intField("7, 12abc", 1); }, "Comma delimited format error, string 12abc.",
         "\nComma delimited format error, string 12abc.\n\n 1.\n"},
        {[] { doubleField("abc", 0); }, "Error, the string \"abc\" cannot be converted into a double.",
         "\nError, the string \"abc\" cannot be converted into a double.\n"},
        {[] { doubleField("2, 1.5x", 1, ","); }, "Comma delimited format error in string 1.5x.",
         "\nComma delimited format error in string 1.5x.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        const std::string out = failingRead(c.call, c.message);
        EXPECT_TRUE(startsWith(out, "\n" + c.message + "\n")) << out;
        EXPECT_EQ(out.find("\n 1.\n"), std::string::npos) << "the detail goes to the file only";
        EXPECT_EQ(messageFileText(), c.file);
        library().study->messageFile = std::make_unique<support::FileWriter>(path(), false);
    }
}

TEST_F(NumberFieldTest, IntegerFieldTooBig) {
    const std::string out = failingRead(
        [] { intField("1, 2147483648", 1); },
        "Error in reading an integer value. The value to be read \"2147483648\" is too big for an "
        "integer.");
    EXPECT_EQ(messageFileText(),
              "\n\t **** ERROR ****"
              "\n\t Error in reading an integer value. The value to be read \"2147483648\" is too "
              "big for an integer."
              "\n\t The maximum value that can be stored for this variable is 2147483647");
    EXPECT_EQ(out.find("too big"), std::string::npos);
    for (const char* field : {"-3e10", "1e999", "-2147483649"}) {
        failingRead([&] { intField(field, 0); },
                    std::string("Error in reading an integer value. The value to be read \"") + field +
                        "\" is too big for an integer.");
    }
}

TEST_F(NumberFieldTest, FieldsThatAreNoNumbersAreFatal) {
    for (const char* field : {"nan", "inf", "e5", "+", "--1", ".", "-.e1"}) {
        const std::string message =
            std::string("Error, the string \"") + field + "\" cannot be converted into an integer.";
        const std::string out = failingRead([&] { intField(std::string("1,") + field, 1); }, message);
        EXPECT_TRUE(startsWith(out, "\n" + message)) << out;
    }
    for (const char* field : {"nan", "inf", "1e999", "-1e999", "e5"}) {
        const std::string message =
            std::string("Error, the string \"") + field + "\" cannot be converted into a double.";
        const std::string out = failingRead([&] { doubleField(field, 0); }, message);
        EXPECT_TRUE(startsWith(out, "\n" + message + "\n")) << out;
    }
    for (const char* field : {"1e", "1.2.3", "1e5.0", "0x10", "5 5"}) {
        failingRead([&] { intField(field, 0, ";"); },
                    std::string("Comma delimited format error, string ") + field + ".");
    }
    failingRead([] { intField("1,2", 2); },
                "Error reading file: API\n Error is near line number 1, which was read as:\n1,2");
    failingRead([] { doubleField("", 0); },
                "Error reading file: API\n Error is near line number 1, which was read as:\n");
}

// ---------------------------------------------------------------- escaped fields

TEST_F(DefinitionTextTest, EscapedFieldsDecodeEscapes) {
    std::string field;
    std::string error;
    const auto fieldOf = [&](const std::string& text, int index) {
        EXPECT_TRUE(escapedField(text, index, "Reading", field, error)) << text;
        return field;
    };
    EXPECT_EQ(fieldOf("a,b,c", 1), "b");
    EXPECT_EQ(fieldOf("x\\,y,z", 0), "x,y");
    EXPECT_EQ(fieldOf("x\\,y,z", 1), "z");
    EXPECT_EQ(fieldOf("\\t\\s\\$\\\\", 0), "\t $\\");
    EXPECT_EQ(fieldOf("C:\\dir\\new", 0), "C:\\dir\\new");
    EXPECT_EQ(fieldOf("ab\\", 0), "ab\\");
    EXPECT_EQ(fieldOf("\\\\,next", 1), "next");
    EXPECT_EQ(fieldOf(" a , b\r", 1), "b");
    EXPECT_EQ(fieldOf(" \\sa\\s ", 0), " a ");
    EXPECT_EQ(fieldOf("a,,c", 1), "");
    EXPECT_EQ(fieldOf("a,,c", 2), "c");
    EXPECT_EQ(fieldOf("a,", 1), "");
    EXPECT_EQ(error, "");
}

TEST_F(DefinitionTextTest, EscapedFieldsAreCutAtTheLimit) {
    std::string field;
    std::string error;
    ASSERT_TRUE(escapedField(std::string(3000, 'x') + ",y", 0, "Reading", field, error));
    EXPECT_EQ(field, std::string(2055, 'x'));

    std::string escapedBlanks;
    for (int i = 0; i < 2055; ++i) escapedBlanks += "\\s";
    ASSERT_TRUE(escapedField(escapedBlanks, 0, "Reading", field, error));
    EXPECT_EQ(field, std::string(2055, ' '));
}

TEST_F(DefinitionTextTest, AMissingEscapedFieldReportsThePosition) {
    std::string field = "stale";
    std::string error;
    EXPECT_FALSE(escapedField("a,b", 2, "Reading file names", field, error));
    EXPECT_EQ(field, "");
    EXPECT_EQ(error,
              "Reading file names. Error in reading data at position 3 on the comma separated line "
              "# 1 in file API.\n\t The line was read as:\n\t a,b");

    EXPECT_FALSE(escapedField("", 0, "Empty", field, error));
    EXPECT_EQ(error,
              "Empty. Error in reading data at position 0 on the comma separated line # 1 in file "
              "API.\n\t The line was read as:\n\t ");
    EXPECT_FALSE(escapedField("a\\,b", 1, "P", field, error));
    EXPECT_FALSE(escapedField("a", -1, "P", field, error));
    EXPECT_TRUE(messageLog().empty());
}

// ---------------------------------------------------------------- reader message

TEST_F(DefinitionTextTest, ReaderErrorMessageNamesObjectAndProperty) {
    EXPECT_EQ(readerErrorMessage("width", "Continuous parameter", "API", "lowerBound",
                                 "The property is not defined."),
              "When reading data for \"width\" of type \"Continuous parameter\" from file \"API\", "
              "VARNO encountered the following error in reading the data for property "
              "\"lowerBound\":\nThe property is not defined.");
    EXPECT_EQ(readerErrorMessage("", "Response", "API", "name", "x"),
              "When reading data for \"Name not defined\" of type \"Response\" from file \"API\", "
              "VARNO encountered the following error in reading the data for property "
              "\"name\":\nx");
}

// ---------------------------------------------------------------- malformed input

TEST_F(DefinitionTextTest, HugeLinesAreReadWhole) {
    const std::string longValue(1 << 20, 'v');
    const std::string text = "big: " + longValue + "\n" + std::string(100000, 'k') + "\nn: " +
                             std::string(5000, '9') + "\nd: 1" + std::string(400, '0') +
                             "\ne: 1" + std::string(300, '0');
    const LineList lines = splitLines(text.c_str());
    ASSERT_EQ(lines.size(), 5u);
    std::string error;
    EXPECT_EQ(findProperty(lines, "big", 1, false, error).value, longValue);
    EXPECT_EQ(findProperty(lines, std::string(100000, 'k'), 1, false, error).line, 0);

    int whole = 7;
    EXPECT_FALSE(readInt(lines, "n", whole, error));
    EXPECT_EQ(whole, 0);
    double number = 7.0;
    EXPECT_FALSE(readDouble(lines, "d", number, error));
    EXPECT_EQ(number, 0.0);
    EXPECT_TRUE(readDouble(lines, "e", number, error));
    EXPECT_DOUBLE_EQ(number, 1e300);
}

}  // namespace
}  // namespace varno
