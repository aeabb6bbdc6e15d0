// Definition texts: lines, property lookup, typed values, lists and the
// fields of comma-separated lines, with the reports of every refusal.
#include "frame/definition_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "study/study.h"
#include "support/file_io.h"
#include "test_support.h"

namespace varno {
namespace {

using varno::testing::expectFatal;
using varno::testing::logEntries;
using Values = std::vector<std::string>;

class DefinitionTextTest : public varno::testing::WithoutStudy {
protected:
    // Looks `key` up from line 1 without boolean words: "line value".
    static std::string found(const LineList& lines, const std::string& key) {
        std::string error;
        const Property property = findProperty(lines, key, 1, false, error);
        return std::to_string(property.line) + " " + property.value + error;
    }
};

// ---------------------------------------------------------------- lines and properties

TEST_F(DefinitionTextTest, LinesAreCutEditedAndJoinedAndPropertiesFoundByTrimmedKey) {
    EXPECT_EQ(splitLines("\na: 1\r\n\n\nb: 2\rc\n"), (LineList{"a: 1\r", "b: 2\rc"}));
    EXPECT_EQ(splitLines(nullptr), LineList{});
    LineList lines = splitLines("n: 50\nseed: 3\nn:2\n  n: 9\nnMax: 4\nplain");
    addNameLine(lines, "Beam width");
    removeKey(lines, "n");
    appendProperty(lines, "title", "");
    EXPECT_EQ(joinLines(lines, '|'), "name: Beam width|seed: 3|nMax: 4|plain|title: ");

    // Properties are found by their trimmed key; boolean words are mapped.
    const LineList keys =
        splitLines("title: a: b  \nvalues:3\nempty:\nwide:  5\n  \tkey: in\r\nkey2 : sp\nKey: up\n"
                   "keyX: longer\nflag yes\n: orphan\n : x\nk: second\nk:third");
    EXPECT_EQ(found(keys, "title"), "1 a: b  ");
    EXPECT_EQ(found(keys, "values"), "-2 3");
    EXPECT_EQ(found(keys, "empty"), "-3 ");
    EXPECT_EQ(found(keys, "wide"), "4  5") << "one blank after the colon is skipped";
    EXPECT_EQ(found(keys, "key"), "5 in\r");
    EXPECT_EQ(found(keys, "key2"), "6 sp");
    for (const char* key : {"KEY", "flag", "orphan", "", "x"})
        EXPECT_EQ(found(keys, key), "0 The property is not defined.") << key;
    std::string error;
    EXPECT_EQ(findProperty(keys, "k", 13, false, error).line, -13) << "from the start line";
    EXPECT_EQ(findProperty(keys, "k", -5, false, error).line, 12);
    EXPECT_EQ(findProperty(keys, "k", 14, false, error).line, 0);
    const LineList words = splitLines("a: true\nb: yes\nc: false\nd: no\ne: True\nf: yes \nh:true");
    Values mapped;
    for (const char* key : {"a", "b", "c", "d", "e", "f", "h"})
        mapped.push_back(findProperty(words, key, 1, true, error).value);
    EXPECT_EQ(mapped, (Values{"1", "1", "0", "0", "True", "yes ", "1"})) << "exact words only";
}

// ---------------------------------------------------------------- numbers

TEST_F(DefinitionTextTest, NumbersArePlainDecimalsReadAsLeadingIntegersOrWholeFiniteDoubles) {
    for (const char* text : {"12", "-3", "+4", ".5", "5.", "-1.5E-3", "1.e5", " \t7", "7 \r\n"})
        EXPECT_TRUE(isNumberSyntax(text)) << '"' << text << '"';
    for (const char* text : {"", "+", ".", "e5", ".e1", "1e", "1e+", "+-1", "1.2.3", "1e5.0",
                             "1e5e5", "1-2", "nan", "inf", "0x10", "1 2", "7\t", "\r5", "1,5"})
        EXPECT_FALSE(isNumberSyntax(text)) << '"' << text << '"';
    // readInt takes the leading integer, or gives zero and the reason.
    const LineList lines = splitLines("a: 2.9\nb: -2.9\nc: 1e3\nd: +7\ne: 5\r\nf:4\ng: 2147483647\n"
                                      "h: -2147483648\ni: yes\nj: 2147483648\nk: True\nl:\nm: -1");
    std::vector<int> values;
    std::string error;
    for (const char* key : {"a", "b", "c", "d", "e", "f", "g", "h", "i", "m"}) {
        int value = -1;
        EXPECT_TRUE(readInt(lines, key, value, error)) << key;
        values.push_back(value);
    }
    EXPECT_EQ(values, (std::vector<int>{2, -2, 1, 7, 5, 4, INT_MAX, INT_MIN, 1, -1}));
    for (const auto& [key, text] : {std::pair{"j", "2147483648"}, {"k", "True"}, {"l", ""}}) {
        int value = 42;
        EXPECT_FALSE(readInt(lines, key, value, error));
        EXPECT_EQ(value, 0);
        EXPECT_EQ(error, std::string("The read value \"") + text +
                             "\" could not be converted into an integer.");
    }
    int value = 42;
    EXPECT_FALSE(readInt(lines, "x", value, error));
    EXPECT_EQ(error, "The property is not defined.");
    // readDouble takes whole finite values only.
    const LineList reals = splitLines("a: -2.5e-3  \nb: yes\nc: 1e-400\nd: 1.5\r\ne: 1.5x\n"
                                      "f: inf\ng: 1e999\nh: -1e999");
    double a = 0.0, b = 0.0, c = 1.0, real = 0.0;
    EXPECT_TRUE(readDouble(reals, "a", a, error) && readDouble(reals, "b", b, error) &&
                readDouble(reals, "c", c, error));
    EXPECT_EQ((std::vector<double>{a, b, c}), (std::vector<double>{-2.5e-3, 1.0, 0.0}));
    for (const auto& [key, text] :
         {std::pair{"d", "1.5\r"}, {"e", "1.5x"}, {"f", "inf"}, {"g", "1e999"}, {"h", "-1e999"}}) {
        real = 42.0;
        EXPECT_FALSE(readDouble(reals, key, real, error));
        EXPECT_EQ(real, 0.0);
        EXPECT_EQ(error, std::string("The read value \"") + text +
                             "\" could not be converted into a double.");
    }
}

// ---------------------------------------------------------------- lists

TEST_F(DefinitionTextTest, ListsTakeOneValueOrTheCountedLinesWholeOrRepeatedValues) {
    Values values{"stale"};
    std::string error;
    const auto list = [&](const char* text, int startLine = 1) {
        EXPECT_TRUE(readList(splitLines(text), "list", values, error, startLine)) << text;
        return values;
    };
    EXPECT_EQ(list("list: a, yes \nlist: b"), (Values{"a, yes "}));
    EXPECT_EQ(list("list:2\na, b\nlist: 5\nd"), (Values{"a, b", "list: 5"}));
    EXPECT_EQ(list("list:2.7\np\nq\nr"), (Values{"p", "q"}));
    EXPECT_EQ(list("list: first\nlist:1\nsecond", 2), (Values{"second"}));
    EXPECT_EQ(list("other: 1"), Values{});
    EXPECT_EQ(list("list:-2\np"), Values{});

    EXPECT_EQ(list("x: 1\nlist:3\na\nb"), (Values{"a", "b"}));
    EXPECT_EQ(logEntries(),
              Values{"*WARNING\nThe number of values specified does not match the number of "
                     "entries in a definition. The error is near line number 2, which was read "
                     "as \"list:3\"."});
    EXPECT_FALSE(readList(splitLines("list:abc\na"), "list", values, error));
    EXPECT_EQ(error, "The read value \"abc\" could not be converted into an integer.");
    // Repeated single forms are collected until a counted form.
    EXPECT_EQ(readRepeated(splitLines("v: a\nv: b\nw: c\nv: yes"), "v"), (Values{"a", "b", "yes"}));
    EXPECT_EQ(readRepeated(splitLines("v: a\nv:2\nx\ny\nv: b"), "v"), (Values{"a"}));
    EXPECT_EQ(readRepeated(splitLines("v: a\nv: b\nv: c"), "v", 2), (Values{"b", "c"}));
}

// ---------------------------------------------------------------- fields of a line

TEST_F(DefinitionTextTest, FieldsSkipEmptyOnesAndAreTrimmedEscapedFieldsKeepThemAndDecodeEscapes) {
    const std::string line = ",, a ,\tb\r,,c , ";
    EXPECT_EQ((Values{fieldOfLine(line, 0, ",", 1), fieldOfLine(line, 1, ",", 1),
                      fieldOfLine(line, 2, ",", 1), fieldOfLine(line, 3, ",", 1)}),
              (Values{"a", "b", "c", ""}));
    expectFatal([] { fieldOfLine(",a,", 1, ",", 2, "values.txt"); },
                "Error reading file: values.txt\n Error is near line number 2, which was read "
                "as:\n,a,");
    // Escaped fields keep empty ones and decode escapes.
    std::string field;
    std::string error;
    const auto fieldOf = [&](const std::string& text, int index) {
        EXPECT_TRUE(escapedField(text, index, "Reading", field, error)) << text;
        return field;
    };
    EXPECT_EQ(fieldOf("x\\,y,z", 0), "x,y");
    EXPECT_EQ(fieldOf("\\t\\s\\$\\\\,next", 0), "\t $\\");
    EXPECT_EQ(fieldOf(" \\sa\\s , b\r", 0), " a ");
    EXPECT_EQ(fieldOf("a,,c", 1), "");
    EXPECT_EQ(fieldOf(std::string(3000, 'x'), 0), std::string(2055, 'x')) << "cut at the limit";

    EXPECT_FALSE(escapedField("a\\,b", 1, "Reading file names", field, error));
    EXPECT_EQ(error, "Reading file names. Error in reading data at position 4 on the comma "
                     "separated line # 1 in file API.\n\t The line was read as:\n\t a\\,b");
    EXPECT_FALSE(escapedField("", 0, "Empty", field, error));
}

TEST_F(DefinitionTextTest, NumberFieldsAreReadFromTheirPlace) {
    // with given separators a number out of range saturates
    EXPECT_EQ((std::vector<int>{intField("1, 2.9, -3.7", 1), intField("1, 2.9, -3.7", 2),
                                intField("1e3,,+5\r", 1), intField("2147483647.9", 0),
                                intField("-2147483648", 0), intField("4;5 6", 2, "; "),
                                intField("3e10", 0, ";"), intField("x;-3e10", 1, ";")}),
              (std::vector<int>{2, -3, 5, INT_MAX, INT_MIN, 6, INT_MAX, INT_MIN}));
    EXPECT_EQ((std::vector<double>{doubleField("1.5, -2e3", 1), doubleField(".25\r", 0),
                                   doubleField("1|2.5", 1, "|")}),
              (std::vector<double>{-2000.0, 0.25, 2.5}));
    // A reader's error names the object or its absence.
    EXPECT_EQ(readerErrorMessage("", "Set", "API", "name", "x"),
              "When reading data for \"Name not defined\" of type \"Set\" from file \"API\", VARNO "
              "encountered the following error in reading the data for property \"name\":\nx");
}

// Number fields report to standard output and to the study message file, so
// these tests open a message file for a bare study.
class NumberFieldTest : public DefinitionTextTest {
protected:
    void SetUp() override {
        DefinitionTextTest::SetUp();
        library().study = std::make_unique<Study>();
        library().study->messageFile = std::make_unique<support::FileWriter>(path, false);
    }

    // Runs a read that must end in the fatal error `text`; gives what it wrote
    // to standard output and the message file.
    std::string failingRead(const std::function<void()>& call, const std::string& text) {
        ::testing::internal::CaptureStdout();
        expectFatal(call, text);
        const std::string out = ::testing::internal::GetCapturedStdout();
        library().study->messageFile->close();
        const std::string file = varno::testing::readWholeFile(path);
        library().study->messageFile = std::make_unique<support::FileWriter>(path, false);
        return out + "|" + file;
    }

    varno::testing::TempDirectory dir;
    const std::string path = dir.file("messages.log");
};

// The run ends with "End of VARNO run." on standard output.
TEST_F(NumberFieldTest, UnreadableFieldsAreReportedToOutputAndMessageFile) {
    EXPECT_EQ(failingRead([] { intField("1,nan", 1); },
                          "Error, the string \"nan\" cannot be converted into an integer."),
              "\nError, the string \"nan\" cannot be converted into an integer.\n\n\tEnd of VARNO "
              "run.\n|\nError, the string \"nan\" cannot be converted into an integer.\n");
    EXPECT_EQ(
        failingRead([] { intField("1e", 0, ";"); }, "Comma delimited format error, string 1e."),
        "\nComma delimited format error, string 1e.\n\n\n\tEnd of VARNO run.\n|\nComma "
        "delimited format error, string 1e.\n\n 0.\n");
    EXPECT_EQ(failingRead([] { doubleField("1e999", 0); },
                          "Error, the string \"1e999\" cannot be converted into a double."),
              "\nError, the string \"1e999\" cannot be converted into a double.\n\n\n\tEnd of "
              "VARNO run.\n|\nError, the string \"1e999\" cannot be converted into a double.\n");
    EXPECT_EQ(failingRead([] { intField("1, -2147483649", 1); },
                          "Error in reading an integer value. The value to be read "
                          "\"-2147483649\" is too big for an integer."),
              "\n\n\tEnd of VARNO run.\n|\n\t **** ERROR ****\n\t Error in reading an integer "
              "value. The value to be read \"-2147483649\" is too big for an integer.\n\t The "
              "maximum value that can be stored for this variable is 2147483647");
}

}  // namespace
}  // namespace varno
