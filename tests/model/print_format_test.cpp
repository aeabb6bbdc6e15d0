// Print formats: reading a format block, and writing numbers and texts
// through a format, with the warnings and errors the writer produces.
#include "model/print_format.h"

#include <gtest/gtest.h>

#include <cmath>
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
    return PrintFormat{"f", type, total, dec, exp, expSigned};
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

    // Writes each value through its format, the only one of the model.
    static void expectWritten(const std::vector<Written>& cases) {
        for (const Written& c : cases) {
            SCOPED_TRACE("expected \"" + c.text + "\"");
            clearMessageLog();
            ProjectModel model;
            model.print_formats = {c.format};
            EXPECT_EQ(formatNumber(model, c.format.name, c.value, "x1"), c.text);
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
    define({"name: wide", "type: automatic", "fixed: 1", "total: 50", "dec: 5"});
    define({"name: text", "type: string", "fixed: true", "total: 6"});
    std::vector<std::vector<int>> lengths;
    for (const PrintFormat& f : model.print_formats)
        lengths.push_back({f.type, f.total, f.dec, f.exp, f.expSigned});
    EXPECT_EQ(lengths, (std::vector<std::vector<int>>{{3, 24, 16, 3, 1},
                                                      {3, 24, 16, 3, 1},
                                                      {2, 0, 0, 0, 0},
                                                      {3, 12, 4, 2, 0},
                                                      {0, 50, 5, 0, 0},
                                                      {4, 6, 0, 0, 0}}));
    EXPECT_EQ(findPrintFormat(model, "text"), 5);
    EXPECT_EQ(findPrintFormat(model, "Text"), -1) << "names are compared exactly";
}

TEST_F(PrintFormatTest, BadDefinitionsAreRejectedAndNotAdded) {
    const std::string head = "Error in the definition of the print format \"f\". ";
    const std::vector<std::pair<LineList, std::string>> cases = {
        {{"name: f", "type: Float"},
         "Unsupported print format type \"Float\" for the print format \"f\"."},
        {{"name: _real", "type: float"},
         "Cannot have duplicate names for print formats. The print format \"_real\" has already "
         "been used."},
        {{"name: f", "type: scientific", "fixed: 1", "total: 0", "dec: -1", "exp: 0",
          "expSigned: 1"},
         head + "The length of the exponent field (0) for this format is <= 0. Acceptable value "
                "is 1 or above."},
        // the length checks come in their order
        {{"name: f", "type: float", "fixed: 1", "total: 0", "dec: -1"},
         head + "The total length of the field (0) for this format is defined as 0. Since this "
                "format was defined as a fixed length format, the total length must be greater "
                "than 0."},
        {{"name: f", "type: float", "fixed: 1", "total: -4", "dec: -1"},
         head + "The number of digits after decimal (-1) for this format is defined as "
                "negative. Acceptable value is 0 or above. 0 means that the this is option is "
                "not being used."},
        {{"name: f", "type: integer", "fixed: 1", "total: -4"},
         head + "The total length of the field (-4) for this format is defined as negative. "
                "Acceptable value is 0 or above. 0 means that the this is not a fixed length "
                "field."},
    };
    for (const auto& [lines, text] : cases) {
        SCOPED_TRACE(lines.back());
        expectFatal([&, &lines = lines] { define(lines); }, text);
        EXPECT_EQ(model.print_formats.size(), 2u);
    }
}

// ================================================================ writing

TEST_F(PrintFormatTest, FreeFormatsNonFiniteValuesAndUnknownTypesAndNames) {
    expectFatal([&] { formatNumber(model, "nope", 1.0, "w"); },
                "The print format causing the error is being used with variable \"w\".");
    EXPECT_EQ(logEntries().front(),
              "*ERROR\nThe print format \"nope\" is being used in the project but has not been "
              "defined. Please define this format in the \"Print Formats\" area under the "
              "\"Variables\" tab and try again. ");
    const std::string unknownType =
        "*WARNING\nIncorrect definition of the format specification. Incomplete format "
        "definition (f) for variable x1. Using the automatic free format option";
    expectWritten({
        {automatic(0), 1.5, "1.50000"},
        {fixedPoint(0, 3), 1.5, "1.500000"},
        {scientific(0, 2, 2, 0), 1500.0, "1.500000e+03"},
        {integer(0), -0.7, "0"},
        {makeFormat(7, 12, 3), 2.5, "2.50000", {unknownType}},
        {makeFormat(9, 6), std::numeric_limits<double>::infinity(), "inf", {unknownType}},
        // non-finite values are words in the field
        {scientific(24, 16, 3, 1), std::nan(""), "                     nan"},
        {integer(6), -std::numeric_limits<double>::infinity(), "  -inf"},
        {PrintFormat{"_real", -1, 24, 16},
         0.125,
         "0.125000",
         {"*WARNING\nIncorrect definition of the format specification. Incomplete format "
          "definition (Default) for variable x1. Using the automatic free format option"}},
    });
}

TEST_F(PrintFormatTest, NumbersAreWrittenToTheirFormat) {
    const std::string negativeExponent =
        "*WARNING\n\n\t Incorrect definition in specification of the format for variable x1\n\t "
        "The number requires a negative exponent but the \"Don't use sign in exponent\" option "
        "has been selected.\n\t Overwriting this definition to write the sign with the exponent.";
    const std::string threeDigits =
        "*WARNING\n\n\t The number of digits in the exponent have been set to be greater than 3, "
        "which is not allowed.\n\t Overwriting this definition to set to 3.";
    const std::string fewerThanOne =
        "*WARNING\n\n\t The number of digits in the exponent have been set to be less than 1, "
        "which is not allowed.\n\t Overwriting this definition to set to ";
    expectWritten({
        // automatic formats budget their digits to the field
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
        // float and integer formats hold their length
        {fixedPoint(10, 3), 3.14159, "     3.142"},
        {fixedPoint(9, 3), 12345.678, "12345.678"},
        {fixedPoint(6, 3),
         12345.678,
         "12345.",
         {"*WARNING\n\n\t**** WARNING ****\n\t The value (12345.678000) of the variable \"x1\" "
          "cannot be printed with the specified format.\n\t The value is being truncated to "
          "12345. so that it fits the maximum field length specified (6)."}},
        {fixedPoint(41, 35), 1.5, "    1.50000000000000000000000000000000000"},
        {integer(3), -12.5, "-12"},
        // scientific formats write the chosen exponent
        {scientific(24, 16, 3, 1), -0.0078125, "-7.8125000000000000e-003"},
        {scientific(10, 2, 2, 0), 1234.5, "   1.23e03"},
        {scientific(10, 2, 2, 0), -1234.5, "  -1.23e03"},
        {scientific(10, 2, 2, 0), 0.0, "   0.00e00"},
        {scientific(8, 1, 2, 1), 9.99, " 1.0e+01"},
        {scientific(12, 2, 4, 1), 1.5, "   1.50e+000", {threeDigits}},
        {scientific(8, 2, 0, 1), 1.5, " 1.50e+0", {fewerThanOne + "1."}},
        {scientific(9, 2, 0, 1), 1.5e-150, "1.50e-150", {fewerThanOne + "3."}},
        {scientific(10, 3, 3, 1), 1.5, "1.500e+000"},
        {scientific(10, 5, 3, 1),
         -1.5,
         "-1.50e+000",
         {"*WARNING\n\n\t The number of digits after decimal have been set to 5. This is not "
          "possible without exceeding the total length (10).\n\t The number of digits after "
          "decimal is being set to 2."}},
        // warnings come in their order; a field too short is written longer
        {scientific(3, 4, 5, 0),
         0.0625,
         "6e-002",
         {negativeExponent, threeDigits,
          "*WARNING\n\n\t The number of digits after decimal have been set to 4. This is not "
          "possible without exceeding the total length (3).\n\t The number of digits after "
          "decimal is being set to 0."}},
    });
}

TEST_F(PrintFormatTest, TextsAreRightAlignedOrCutToTheField) {
    model.print_formats.push_back(makeFormat(formatString, 8));
    model.print_formats.push_back(PrintFormat{"free", formatString, 0, 0, 0, 0});
    EXPECT_EQ(formatTextValue(model, "f", "abc", "s1"), "     abc");
    EXPECT_EQ(formatTextValue(model, "f", "abcdefghij", "s1"), "abcdefgh");
    EXPECT_EQ(formatTextValue(model, "free", "a, b c", "s1"), "a, b c");
    EXPECT_EQ(formatTextValue(model, "_resFileFormat", "a 25 character long text.", "s1"),
              "a 25 character long text.")
        << "the built-in formats never cut a text";
}

}  // namespace
}  // namespace varno::model
