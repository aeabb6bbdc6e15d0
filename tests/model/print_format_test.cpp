// Print formats: reading a format block, and writing numbers and texts
// through a format, with the warnings and errors the writer produces.
#include "model/print_format.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "frame/message_log.h"
#include "test_support.h"

namespace varno::model {
namespace {

using varno::testing::expectFatal;
using varno::testing::logEntries;
using Log = std::vector<std::string>;

PrintFormat makeFormat(int type, int total, int dec = 0, int exp = 0, int expSigned = 0) {
    PrintFormat format;
    format.name = "f";
    format.type = type;
    format.total = total;
    format.dec = dec;
    format.exp = exp;
    format.expSigned = expSigned;
    return format;
}

PrintFormat automatic(int total, int dec = 0) { return makeFormat(formatAutomatic, total, dec); }
PrintFormat fixedPoint(int total, int dec) { return makeFormat(formatFloat, total, dec); }
PrintFormat integer(int total) { return makeFormat(formatInteger, total); }
PrintFormat scientific(int total, int dec, int exp, int expSigned) {
    return makeFormat(formatScientific, total, dec, exp, expSigned);
}

// A value written through a format, the text expected and the run log after it.
struct Written {
    PrintFormat format;
    double value;
    std::string text;
    Log log{};
};

const std::string tooSmall =
    "*WARNING\n\n\t**** WARNING ****\n\t The format specification for the variable \"x1\" is too "
    "small\n\t The current value cannot be written correctly to the file, it will be rounded to "
    "fit the alloted space.\n\t Please make sure that the variable bounds and/or the format are "
    "correctly defined.";

class PrintFormatTest : public varno::testing::WithoutStudy {
protected:
    void define(const LineList& lines) { definePrintFormat(model, lines); }

    // Writes each value through its format, placed after the built-in ones.
    static void expectWritten(const std::vector<Written>& cases) {
        for (const Written& c : cases) {
            SCOPED_TRACE("expected \"" + c.text + "\"");
            clearMessageLog();
            ProjectModel model;
            model.print_formats.push_back(c.format);
            EXPECT_EQ(formatNumber(model, "f", c.value, "x1"), c.text);
            EXPECT_EQ(logEntries(), c.log);
        }
    }

    ProjectModel model;
};

// ================================================================ reading

TEST_F(PrintFormatTest, DefinitionsAddFormatsAfterTheBuiltInOnes) {
    define({"name: free", "type: float", "fixed: 0", "total: -5", "dec: -3"});
    define({"name: sci", "type: scientific", "fixed: yes", "total: 12", "dec: 4", "exp: 2",
            "expSigned: 0"});
    define({"name: int", "type: integer", "fixed: true", "total: 6"});
    define({"name: wide", "type: automatic", "fixed: 1", "total: 50", "dec: 5"});
    define({"name: text", "type: string"});
    ASSERT_EQ(model.print_formats.size(), 7u);
    const auto lengths = [this](int index) {
        const PrintFormat& f = model.print_formats[static_cast<std::size_t>(index)];
        return std::vector<int>{f.type, f.total, f.dec, f.exp, f.expSigned};
    };
    EXPECT_EQ(lengths(findPrintFormat(model, "_real")), (std::vector<int>{3, 24, 16, 3, 1}));
    EXPECT_EQ(lengths(findPrintFormat(model, "_resFileFormat")), (std::vector<int>{3, 24, 16, 3, 1}));
    EXPECT_EQ(lengths(2), (std::vector<int>{2, 0, 0, 0, 0})) << "lengths are read only when fixed";
    EXPECT_EQ(lengths(3), (std::vector<int>{3, 12, 4, 2, 0}));
    EXPECT_EQ(lengths(4), (std::vector<int>{1, 6, 0, 0, 0}));
    EXPECT_EQ(lengths(5), (std::vector<int>{0, 50, 5, 0, 0}));
    EXPECT_EQ(lengths(6), (std::vector<int>{4, 0, 0, 0, 0}));
    EXPECT_EQ(findPrintFormat(model, "text"), 6);
    EXPECT_EQ(findPrintFormat(model, "Text"), -1) << "names are compared exactly";
}

TEST_F(PrintFormatTest, BadDefinitionsAreRejectedAndNotAdded) {
    const std::string head = "Error in the definition of the print format \"f1\". ";
    const std::vector<std::pair<LineList, std::string>> cases = {
        {{"name: f1", "type: Float"},
         "Unsupported print format type \"Float\" for the print format \"f1\"."},
        {{"name: f1"},
         "When reading data for \"f1\" of type \"Print format\" from file \"API\", VARNO encountered "
         "the following error in reading the data for property \"type\":\nThe property is not "
         "defined."},
        {{"name: _resFileFormat", "type: float"},
         "Cannot have duplicate names for print formats. The print format \"_resFileFormat\" has "
         "already been used."},
        {{"name: f1", "type: integer", "fixed: 1", "total: ten"},
         "When reading data for \"f1\" of type \"Print format\" from file \"API\", VARNO encountered "
         "the following error in reading the data for property \"total\":\nThe read value \"ten\" "
         "could not be converted into an integer."},
        {{"name: f1", "type: float", "fixed: 1", "total: 8"},
         "When reading data for \"f1\" of type \"Print format\" from file \"API\", VARNO encountered "
         "the following error in reading the data for property \"dec\":\nThe property is not "
         "defined."},
        {{"name: f1", "type: scientific", "fixed: 1", "total: 8", "dec: 2", "exp: 2"},
         "When reading data for \"f1\" of type \"Print format\" from file \"API\", VARNO encountered "
         "the following error in reading the data for property \"expSigned\":\nThe property is not "
         "defined."},
        {{"name: f1", "type: scientific", "fixed: 1", "total: 0", "dec: -1", "exp: 0", "expSigned: 1"},
         head + "The length of the exponent field (0) for this format is <= 0. Acceptable value is 1 "
                "or above."},
        // the length checks come in their order
        {{"name: f1", "type: float", "fixed: 1", "total: 0", "dec: -1"},
         head + "The total length of the field (0) for this format is defined as 0. Since this format "
                "was defined as a fixed length format, the total length must be greater than 0."},
        {{"name: f1", "type: float", "fixed: 1", "total: -4", "dec: -1"},
         head + "The number of digits after decimal (-1) for this format is defined as negative. "
                "Acceptable value is 0 or above. 0 means that the this is option is not being used."},
        {{"name: f1", "type: integer", "fixed: 1", "total: -4"},
         head + "The total length of the field (-4) for this format is defined as negative. "
                "Acceptable value is 0 or above. 0 means that the this is not a fixed length field."},
    };
    for (const auto& [lines, text] : cases) {
        SCOPED_TRACE(lines.back());
        expectFatal([&] { define(lines); }, text);
        EXPECT_EQ(model.print_formats.size(), 2u);
    }
    define({"name: f1", "type: float"});
    expectFatal([&] { define({"name: f1", "type: integer"}); },
                "Cannot have duplicate names for print formats. The print format \"f1\" has already "
                "been used.");
}

// ================================================================ writing

TEST_F(PrintFormatTest, UnknownFormatNameIsLoggedAndFatal) {
    const std::string logged =
        "*ERROR\nThe print format \"nope\" is being used in the project but has not been defined. "
        "Please define this format in the \"Print Formats\" area under the \"Variables\" tab and "
        "try again. ";
    const std::string fatal = "The print format causing the error is being used with variable \"w\".";
    expectFatal([&] { formatNumber(model, "nope", 1.0, "w"); }, fatal);
    EXPECT_EQ(logEntries().front(), logged);
    clearMessageLog();
    expectFatal([&] { formatTextValue(model, "nope", "abc", "w"); }, fatal);
    EXPECT_EQ(logEntries().front(), logged);
}

TEST_F(PrintFormatTest, FreeFormatsAndUnknownTypesIgnoreTheLengths) {
    const std::string unknownType =
        "*WARNING\nIncorrect definition of the format specification. Incomplete format definition "
        "(f) for variable x1. Using the automatic free format option";
    expectWritten({
        {automatic(0), 1.5, "1.50000"},
        {makeFormat(formatString, 0), 2.5, "2.50000"},
        {fixedPoint(0, 3), 1.5, "1.500000"},
        {scientific(0, 2, 2, 0), 1500.0, "1.500000e+03"},
        {integer(0), 2.5, "3"},
        {integer(0), -2.7, "-2"},
        {integer(0), -0.7, "0"},
        {integer(0), 1e15, "1000000000000000"},
        {makeFormat(7, 12, 3), 2.5, "2.50000", {unknownType}},
        {makeFormat(9, 6), std::numeric_limits<double>::infinity(), "inf", {unknownType}},
    });
    clearMessageLog();
    model.print_formats[0].type = -1;
    EXPECT_EQ(formatNumber(model, "_real", 0.125, "x1"), "0.125000");
    EXPECT_EQ(logEntries(), Log{"*WARNING\nIncorrect definition of the format specification. "
                                "Incomplete format definition (Default) for variable x1. Using "
                                "the automatic free format option"});
}

TEST_F(PrintFormatTest, AutomaticFormatBudgetsDigitsToTheField) {
    expectWritten({
        {automatic(10), 123.456, "123.456000"},
        {automatic(10), -123.456, "-123.45600"},
        {automatic(10), 1e9, "1000000000"},
        {automatic(10), 12345678901.0, " 1.235e+10"},
        {automatic(6), 1234567.0, " 1e+06"},
        {automatic(10), 0.00123, "0.00123000"},
        {automatic(10), 0.0000123, " 1.230e-05"},
        {automatic(8), 1e-9, " 1.0e-09"},
        {automatic(10), 0.0, "  0.000000"},
        {automatic(5), 123456.0, "12345", {tooSmall}},
        {automatic(5), 0.00001, "0.000", {tooSmall}},
        // up to 40 the field is the working length; wider ones work in dec + 8
        // for 1 to 29 decimals, else in 24
        {automatic(40, 2), 2.25, "2.25000000000000000000000000000000000000"},
        {automatic(45), 2.25, "                     2.2500000000000000000000"},
        {automatic(45, 29), 2.25, "        2.25000000000000000000000000000000000"},
    });
}

TEST_F(PrintFormatTest, FloatAndIntegerFormatsHoldTheirLength) {
    const std::string cutFloat =
        "*WARNING\n\n\t**** WARNING ****\n\t The value (12345.678000) of the variable \"x1\" cannot "
        "be printed with the specified format.\n\t The value is being truncated to 12345. so that "
        "it fits the maximum field length specified (6).";
    const std::string cutInteger =
        "*WARNING\n\n\t**** WARNING ****\n\t The value (12345) of the variable \"x1\" cannot be "
        "printed with the specified format.\n\t The value is being truncated to 123 so that it fits "
        "the maximum field length specified (3).";
    expectWritten({
        {fixedPoint(10, 3), 3.14159, "     3.142"},
        {fixedPoint(9, 3), 12345.678, "12345.678"},
        {fixedPoint(6, 3), 12345.678, "12345.", {cutFloat}},
        {fixedPoint(50, 2), 3.14159, "                                              3.14"},
        {fixedPoint(41, 35), 1.5, "    1.50000000000000000000000000000000000"},
        {integer(6), 41.5, "    42"},
        {integer(12), 3e9, "  3000000000"},
        {integer(3), 12345.2, "123", {cutInteger}},
    });
}

TEST_F(PrintFormatTest, ScientificFormatWritesTheChosenExponent) {
    const std::string negativeExponent =
        "*WARNING\n\n\t Incorrect definition in specification of the format for variable x1\n\t The "
        "number requires a negative exponent but the \"Don't use sign in exponent\" option has been "
        "selected.\n\t Overwriting this definition to write the sign with the exponent.";
    const std::string threeDigits =
        "*WARNING\n\n\t The number of digits in the exponent have been set to be greater than 3, "
        "which is not allowed.\n\t Overwriting this definition to set to 3.";
    const std::string fewerThanOne =
        "*WARNING\n\n\t The number of digits in the exponent have been set to be less than 1, which "
        "is not allowed.\n\t Overwriting this definition to set to ";
    const PrintFormat real = makeFormat(formatScientific, 24, 16, 3, 1);
    expectWritten({
        {real, 1.5, " 1.5000000000000000e+000"},
        {real, -1.5, "-1.5000000000000000e+000"},
        {real, 0.0, " 0.0000000000000000e+000"},
        {real, -0.0078125, "-7.8125000000000000e-003"},
        {scientific(10, 2, 2, 1), 1234.5, "  1.23e+03"},
        {scientific(10, 2, 2, 0), 1234.5, "   1.23e03"},
        {scientific(10, 2, 2, 0), -1234.5, "  -1.23e03"},
        {scientific(8, 2, 1, 1), 1.5e12, "1.50e+12"},
        {scientific(8, 1, 2, 1), 9.99, " 1.0e+01"},
        {scientific(45, 3, 2, 1), 1.5, "                                    1.500e+00"},
        {scientific(10, 2, 2, 0), 1.5e-3, "  1.50e-03", {negativeExponent}},
        {scientific(12, 2, 4, 1), 1.5, "   1.50e+000", {threeDigits}},
        {scientific(8, 2, 0, 1), 1.5, " 1.50e+0", {fewerThanOne + "1."}},
        {scientific(8, 2, -1, 1), 1.5e15, "1.50e+15", {fewerThanOne + "2."}},
        {scientific(9, 2, 0, 1), 1.5e-150, "1.50e-150", {fewerThanOne + "3."}},
        {scientific(10, 3, 3, 1), 1.5, "1.500e+000"},
        {scientific(10, 5, 3, 1), -1.5, "-1.50e+000",
         {"*WARNING\n\n\t The number of digits after decimal have been set to 5. This is not "
          "possible without exceeding the total length (10).\n\t The number of digits after decimal "
          "is being set to 2."}},
        // warnings come in their order; a field too short is written longer
        {scientific(3, 4, 5, 0), 0.0625, "6e-002",
         {negativeExponent, threeDigits,
          "*WARNING\n\n\t The number of digits after decimal have been set to 4. This is not "
          "possible without exceeding the total length (3).\n\t The number of digits after decimal "
          "is being set to 0."}},
    });
}

TEST_F(PrintFormatTest, NonFiniteValuesAreWordsInTheirField) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    expectWritten({
        {makeFormat(formatScientific, 24, 16, 3, 1), nan, "                     nan"},
        {integer(6), -inf, "  -inf"},
        {fixedPoint(0, 2), inf, "inf"},
        {automatic(8), -nan, "     nan"},
    });
}

TEST_F(PrintFormatTest, TextsAreRightAlignedOrCutToTheField) {
    model.print_formats.push_back(makeFormat(formatString, 8));
    model.print_formats.push_back(makeFormat(formatString, 0));
    model.print_formats[3].name = "free";
    const std::string longText(30, 'a');
    EXPECT_EQ(formatTextValue(model, "f", "abc", "s1"), "     abc");
    EXPECT_EQ(formatTextValue(model, "f", "abcdefghij", "s1"), "abcdefgh");
    EXPECT_EQ(formatTextValue(model, "free", "a, b c", "s1"), "a, b c");
    EXPECT_EQ(formatTextValue(model, "_real", "abc", "s1"), "                     abc");
    EXPECT_EQ(formatTextValue(model, "_resFileFormat", longText, "s1"), longText)
        << "the built-in formats never cut a text";
    EXPECT_TRUE(logEntries().empty());
}

}  // namespace
}  // namespace varno::model
