// Print formats: reading a format block, and writing numbers and texts
// through a format, with every warning and error the writer produces.
#include "model/print_format.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "frame/fatal_error.h"
#include "study/study.h"
#include "frame/message_log.h"
#include "test_support.h"

namespace varno::model {
namespace {

using varno::testing::expectFatal;

using testing::logEntries;
using Log = std::vector<std::string>;

PrintFormat makeFormat(const std::string& name, int type, int total, int dec = 0, int exp = 0,
                       int expSigned = 0) {
    PrintFormat format;
    format.name = name;
    format.type = type;
    format.total = total;
    format.dec = dec;
    format.exp = exp;
    format.expSigned = expSigned;
    return format;
}

// Type, total, decimals, exponent digits and exponent sign of a format.
std::vector<int> lengthsOf(const PrintFormat& f) {
    return {f.type, f.total, f.dec, f.exp, f.expSigned};
}

std::string blanks(std::size_t count) { return std::string(count, ' '); }

class PrintFormatTest : public varno::testing::WithoutStudy {
protected:
    // Writes through the model's formats and `format`, at index 2.
    static std::string write(const PrintFormat& format, double value) {
        ProjectModel model;
        model.print_formats.push_back(format);
        return formatNumber(model, format.name, value, "x1");
    }

    void define(const LineList& lines) { definePrintFormat(model, lines); }

    ProjectModel model;
};

// ================================================================ reading

TEST_F(PrintFormatTest, TableStartsWithTheTwoBuiltInScientificFormats) {
    ASSERT_EQ(model.print_formats.size(), 2u);
    for (const PrintFormat& format : model.print_formats) {
        EXPECT_EQ(lengthsOf(format), (std::vector<int>{3, 24, 16, 3, 1}));
    }
    EXPECT_EQ(model.print_formats[0].name, "_real");
    EXPECT_EQ(model.print_formats[1].name, "_resFileFormat");

    define({"name: mine", "type: float"});
    EXPECT_EQ(findPrintFormat(model, "_real"), 0);
    EXPECT_EQ(findPrintFormat(model, "_resFileFormat"), 1);
    EXPECT_EQ(findPrintFormat(model, "mine"), 2);
    EXPECT_EQ(findPrintFormat(model, "Mine"), -1) << "names are compared exactly";
    EXPECT_EQ(findPrintFormat(model, "_REAL"), -1);
    EXPECT_EQ(findPrintFormat(model, "other"), -1);
}

TEST_F(PrintFormatTest, DefinitionsGiveTheTypeAndLengths) {
    const std::vector<std::pair<LineList, std::vector<int>>> cases = {
        {{"name: a", "type: automatic"}, {0, 0, 0, 0, 0}},
        {{"name: i", "type: integer"}, {1, 0, 0, 0, 0}},
        {{"name: fl", "type: float"}, {2, 0, 0, 0, 0}},
        {{"name: sc", "type: scientific"}, {3, 0, 0, 0, 0}},
        {{"name: st", "type: string"}, {4, 0, 0, 0, 0}},
        // an absent or zero `fixed` ends the reading with total 0
        {{"name: f1", "type: scientific", "total: 12", "dec: -3", "exp: 0"}, {3, 0, 0, 0, 0}},
        {{"name: f2", "type: float", "fixed: 0", "total: -5", "dec: 3"}, {2, 0, 0, 0, 0}},
        {{"name: f3", "type: float", "fixed: no", "total: 9"}, {2, 0, 0, 0, 0}},
        {{"name: f4", "type: float", "fixed: 1", "total: 10", "dec: 3"}, {2, 10, 3, 0, 0}},
        {{"name: f5", "type: scientific", "fixed: yes", "total: 12", "dec: 4", "exp: 2",
          "expSigned: 0"},
         {3, 12, 4, 2, 0}},
        // dec is optional outside float and scientific
        {{"name: f6", "type: integer", "fixed: true", "total: 6"}, {1, 6, 0, 0, 0}},
        {{"name: f7", "type: automatic", "fixed: 1", "total: 50", "dec: 5"}, {0, 50, 5, 0, 0}},
    };
    for (const auto& [lines, lengths] : cases) {
        SCOPED_TRACE(lines[0]);
        define(lines);
        EXPECT_EQ(model.print_formats.back().name, lines[0].substr(6));
        EXPECT_EQ(lengthsOf(model.print_formats.back()), lengths);
    }
    EXPECT_EQ(model.print_formats.size(), 2 + cases.size());
}

TEST_F(PrintFormatTest, BadDefinitionsAreRejected) {
    const auto readerError = [](const std::string& key, const std::string& reason) {
        return "When reading data for \"f1\" of type \"Print format\" from file \"API\", VARNO "
               "encountered the following error in reading the data for property \"" +
               key + "\":\n" + reason;
    };
    const std::string missing = "The property is not defined.";
    const std::string head = "Error in the definition of the print format \"f1\". ";
    const std::vector<std::pair<LineList, std::string>> cases = {
        {{"name: f1", "type: Float"},
         "Unsupported print format type \"Float\" for the print format \"f1\"."},
        {{"name: f1", "type: fixed"},
         "Unsupported print format type \"fixed\" for the print format \"f1\"."},
        {{"name: f1"}, readerError("type", missing)},
        {{"type: float"},
         "When reading data for \"Name not defined\" of type \"Print format\" from file "
         "\"API\", VARNO encountered the following error in reading the data for property "
         "\"name\":\nThe property is not defined."},
        {{"name: _resFileFormat", "type: float"},
         "Cannot have duplicate names for print formats. The print format \"_resFileFormat\" "
         "has already been used."},
        {{"name: f1", "type: float", "fixed: perhaps"},
         readerError("fixed", "The read value \"perhaps\" could not be converted into an integer.")},
        {{"name: f1", "type: integer", "fixed: 1"}, readerError("total", missing)},
        {{"name: f1", "type: integer", "fixed: 1", "total: ten"},
         readerError("total", "The read value \"ten\" could not be converted into an integer.")},
        {{"name: f1", "type: automatic", "fixed: 1", "total: 8", "dec: x"},
         readerError("dec", "The read value \"x\" could not be converted into an integer.")},
        {{"name: f1", "type: float", "fixed: 1", "total: 8"}, readerError("dec", missing)},
        {{"name: f1", "type: scientific", "fixed: 1", "total: 8"}, readerError("dec", missing)},
        {{"name: f1", "type: scientific", "fixed: 1", "total: 8", "dec: 2"},
         readerError("exp", missing)},
        {{"name: f1", "type: scientific", "fixed: 1", "total: 8", "dec: 2", "exp: 2"},
         readerError("expSigned", missing)},
        {{"name: f1", "type: scientific", "fixed: 1", "total: 0", "dec: -1", "exp: 0",
          "expSigned: 1"},
         head + "The length of the exponent field (0) for this format is <= 0. Acceptable value "
                "is 1 or above."},
        {{"name: f1", "type: scientific", "fixed: 1", "total: 9", "dec: 2", "exp: -2",
          "expSigned: 1"},
         head + "The length of the exponent field (-2) for this format is <= 0. Acceptable value "
                "is 1 or above."},
        // the length checks come in their order
        {{"name: f1", "type: float", "fixed: 1", "total: 0", "dec: -1"},
         head + "The total length of the field (0) for this format is defined as 0. Since this "
                "format was defined as a fixed length format, the total length must be greater "
                "than 0."},
        {{"name: f1", "type: float", "fixed: 1", "total: -4", "dec: -1"},
         head + "The number of digits after decimal (-1) for this format is defined as negative. "
                "Acceptable value is 0 or above. 0 means that the this is option is not being "
                "used."},
        {{"name: f1", "type: integer", "fixed: 1", "total: -4"},
         head + "The total length of the field (-4) for this format is defined as negative. "
                "Acceptable value is 0 or above. 0 means that the this is not a fixed length "
                "field."},
    };
    for (const auto& [lines, text] : cases) {
        SCOPED_TRACE(lines.back());
        expectFatal([&] { define(lines); }, text);
        EXPECT_EQ(model.print_formats.size(), 2u) << "a rejected format is not added";
    }
    define({"name: f1", "type: float"});
    expectFatal([&] { define({"name: f1", "type: integer"}); },
                "Cannot have duplicate names for print formats. The print format \"f1\" has "
                "already been used.");
    define({"name: F1", "type: float"});
    EXPECT_EQ(model.print_formats.size(), 4u);
    EXPECT_EQ(model.print_formats.back().name, "F1") << "a name differing only in case is new";
}

// ================================================================ writing

TEST_F(PrintFormatTest, UnknownFormatNameIsLoggedAndFatal) {
    const std::string logged =
        "*ERROR\nThe print format \"nope\" is being used in the project but has not been "
        "defined. Please define this format in the \"Print Formats\" area under the "
        "\"Variables\" tab and try again. ";
    const std::string fatal =
        "The print format causing the error is being used with variable \"width\".";

    expectFatal([&] { formatNumber(model, "nope", 1.0, "width"); }, fatal);
    EXPECT_EQ(logEntries().front(), logged);
    EXPECT_EQ(logEntries().size(), 3u);

    clearMessageLog();
    expectFatal([&] { formatTextValue(model, "nope", "abc", "width"); }, fatal);
    EXPECT_EQ(logEntries().front(), logged);
}

TEST_F(PrintFormatTest, NumbersAreWrittenThroughTheirFormat) {
    const std::string tooSmall =
        "*WARNING\n\n\t**** WARNING ****\n\t The format specification for the variable \"x1\" "
        "is too small\n\t The current value cannot be written correctly to the file, it will be "
        "rounded to fit the alloted space.\n\t Please make sure that the variable bounds and/or "
        "the format are correctly defined.";
    const auto truncated = [](const std::string& value, const std::string& cut, int total) {
        return "*WARNING\n\n\t**** WARNING ****\n\t The value (" + value +
               ") of the variable \"x1\" cannot be printed with the specified format.\n\t The "
               "value is being truncated to " + cut +
               " so that it fits the maximum field length specified (" + std::to_string(total) +
               ").";
    };
    const std::string fewerThanOne =
        "*WARNING\n\n\t The number of digits in the exponent have been set to be less than 1, "
        "which is not allowed.\n\t Overwriting this definition to set to ";
    const auto decimals = [](int requested, int total, int kept) {
        return "*WARNING\n\n\t The number of digits after decimal have been set to " +
               std::to_string(requested) +
               ". This is not possible without exceeding the total length (" +
               std::to_string(total) + ").\n\t The number of digits after decimal is being set "
               "to " + std::to_string(kept) + ".";
    };
    // Working length 24 (dec 40 is beyond 29); "%24.40f" gives 43 characters.
    const std::string cut40 = "12.5" + std::string(37, '0');
    const PrintFormat real = makeFormat("_real", 3, 24, 16, 3, 1);
    const struct {
        const char* what;
        PrintFormat format;
        double value;
        std::string expected;
        Log log{};
    } cases[] = {
        // free format: a total length of 0 whatever the other lengths say
        {"automatic %#g", makeFormat("f", 0, 0), 1.5, "1.50000"},
        {"string writes as automatic", makeFormat("f", 4, 0), 2.5, "2.50000"},
        {"float %f", makeFormat("f", 2, 0, 3), 1.5, "1.500000"},
        {"scientific %e", makeFormat("f", 3, 0, 2, 2, 0), 1500.0, "1.500000e+03"},
        {"integer rounds half up", makeFormat("f", 1, 0), 2.5, "3"},
        {"integer cuts v+0.5 toward zero", makeFormat("f", 1, 0), -2.7, "-2"},
        {"integer never writes -0", makeFormat("f", 1, 0), -0.7, "0"},
        {"integer beyond the int range", makeFormat("f", 1, 0), 1e15, "1000000000000000"},
        // automatic
        {"fixed point, 9 digits", makeFormat("f", 0, 10), 123.456, "123.456000"},
        {"a minus sign takes a digit", makeFormat("f", 0, 10), -123.456, "-123.45600"},
        {"exactly 10^d, precision 0", makeFormat("f", 0, 10), 1e9, "1000000000"},
        {"too many digits: scientific", makeFormat("f", 0, 10), 12345678901.0, " 1.235e+10"},
        {"six characters: precision 0", makeFormat("f", 0, 6), 1234567.0, " 1e+06"},
        {"below one, few zeros", makeFormat("f", 0, 10), 0.00123, "0.00123000"},
        {"below one, negative", makeFormat("f", 0, 6), -0.5, "-0.500"},
        {"five leading zeros: scientific", makeFormat("f", 0, 10), 0.0000123, " 1.230e-05"},
        {"more zeros than digits", makeFormat("f", 0, 8), 1e-9, " 1.0e-09"},
        {"zero", makeFormat("f", 0, 10), 0.0, "  0.000000"},
        {"zero wider than its field", makeFormat("f", 0, 5), 0.0, "0.000000"},
        {"string as automatic", makeFormat("f", 4, 10), 123.456, "123.456000"},
        {"above 40, no dec: working length 24", makeFormat("f", 0, 45), 2.25,
         blanks(21) + "2.2500000000000000000000"},
        {"above 40, dec 2: working length 10", makeFormat("f", 0, 45, 2), 2.25,
         blanks(35) + "2.25000000"},
        {"does not fit: cut", makeFormat("f", 0, 5), 123456.0, "12345", {tooSmall}},
        {"5 zeros, only 4 digits", makeFormat("f", 0, 5), 0.00001, "0.000", {tooSmall}},
        {"no room for any digit", makeFormat("f", 4, 1), -2.0, "-", {tooSmall}},
        // float and integer
        {"float", makeFormat("f", 2, 10, 3), 3.14159, "     3.142"},
        {"float, exact fit", makeFormat("f", 2, 9, 3), 12345.678, "12345.678"},
        {"float above 40 keeps its width", makeFormat("f", 2, 50, 2), 3.14159, blanks(46) + "3.14"},
        {"float above 40, dec 35: working length 24", makeFormat("f", 2, 41, 35), 1.5,
         blanks(4) + "1.5" + std::string(34, '0')},
        {"float longer than its field", makeFormat("f", 2, 6, 3), 12345.678, "12345.",
         {truncated("12345.678000", "12345.", 6)}},
        {"float above 40 cut to its length", makeFormat("f", 2, 41, 40), 12.5, cut40,
         {truncated("12.500000", cut40, 41)}},
        {"integer", makeFormat("f", 1, 6), 41.5, "    42"},
        {"integer, negative", makeFormat("f", 1, 6), -3.7, "    -3"},
        {"integer beyond the int range, fixed", makeFormat("f", 1, 12), 3e9, "  3000000000"},
        {"integer above 40 keeps its width", makeFormat("f", 1, 45), 7.0, blanks(44) + "7"},
        {"integer longer than its field", makeFormat("f", 1, 3), 12345.2, "123",
         {truncated("12345", "123", 3)}},
        // scientific
        {"_real", real, 1.5, " 1.5000000000000000e+000"},
        {"_real, negative fills the field", real, -1.5, "-1.5000000000000000e+000"},
        {"_real, zero", real, 0.0, " 0.0000000000000000e+000"},
        {"negative exponent", makeFormat("g", 3, 24, 16, 3, 1), -0.0078125,
         "-7.8125000000000000e-003"},
        {"two exponent digits", makeFormat("g", 3, 10, 2, 2, 1), 1234.5, "  1.23e+03"},
        {"unsigned exponent", makeFormat("g", 3, 10, 2, 2, 0), 1234.5, "   1.23e03"},
        {"one exponent digit", makeFormat("g", 3, 8, 2, 1, 1), 1.5e5, " 1.50e+5"},
        {"an exponent longer than its digits stays whole", makeFormat("g", 3, 8, 2, 1, 1), 1.5e12,
         "1.50e+12"},
        {"rounding carries into the exponent", makeFormat("g", 3, 8, 1, 2, 1), 9.99, " 1.0e+01"},
        {"above 40", makeFormat("g", 3, 45, 3, 2, 1), 1.5, blanks(36) + "1.500e+00"},
        {"a negative exponent overrides an unsigned one", makeFormat("f", 3, 10, 2, 2, 0), 1.5e-3,
         "  1.50e-03",
         {"*WARNING\n\n\t Incorrect definition in specification of the format for variable x1\n\t "
          "The number requires a negative exponent but the \"Don't use sign in exponent\" option "
          "has been selected.\n\t Overwriting this definition to write the sign with the "
          "exponent."}},
        {"more than three exponent digits", makeFormat("f", 3, 12, 2, 4, 1), 1.5, "   1.50e+000",
         {"*WARNING\n\n\t The number of digits in the exponent have been set to be greater than "
          "3, which is not allowed.\n\t Overwriting this definition to set to 3."}},
        {"no exponent digit: 1", makeFormat("f", 3, 8, 2, 0, 1), 1.5, " 1.50e+0",
         {fewerThanOne + "1."}},
        {"no exponent digit: 2", makeFormat("f", 3, 8, 2, -1, 1), 1.5e15, "1.50e+15",
         {fewerThanOne + "2."}},
        {"no exponent digit: 3", makeFormat("f", 3, 9, 2, 0, 1), 1.5e-150, "1.50e-150",
         {fewerThanOne + "3."}},
        {"one decimal too many", makeFormat("f", 3, 10, 4, 3, 1), 1.5, "1.500e+000",
         {decimals(4, 10, 3)}},
        {"two decimals too many", makeFormat("f", 3, 10, 5, 3, 1), -1.5, "-1.50e+000",
         {decimals(5, 10, 2)}},
        {"exactly the room left", makeFormat("f", 3, 10, 3, 3, 1), 1.5, "1.500e+000"},
        {"never below 0 decimals; a field too short is written longer",
         makeFormat("f", 3, 3, 2, 3, 1), 1.5, "2e+000", {decimals(2, 3, 0)}},
        {"unknown type: free format", makeFormat("odd", 7, 12, 3), 2.5, "2.50000",
         {"*WARNING\nIncorrect definition of the format specification. Incomplete format "
          "definition (odd) for variable x1. Using the automatic free format option"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        clearMessageLog();
        EXPECT_EQ(write(c.format, c.value), c.expected);
        EXPECT_EQ(logEntries(), c.log);
    }
}

TEST_F(PrintFormatTest, FormatsAreFoundInTheModel) {
    EXPECT_EQ(formatNumber(model, "_real", 1.5, "x1"), " 1.5000000000000000e+000");
    EXPECT_EQ(formatNumber(model, "_resFileFormat", -0.0078125, "x1"),
              "-7.8125000000000000e-003");
    define({"name: f", "type: float", "fixed: 0", "dec: 2"});
    EXPECT_EQ(formatNumber(model, "f", 1.5, "x1"), "1.500000");
    define({"name: g", "type: scientific", "dec: 2"});
    EXPECT_EQ(formatNumber(model, "g", 1.5, "x1"), "1.500000e+00");
    EXPECT_TRUE(logEntries().empty());

    model.print_formats[0].type = -1;
    EXPECT_EQ(formatNumber(model, "_real", 0.125, "x1"), "0.125000");
    EXPECT_EQ(logEntries(),
              Log{"*WARNING\nIncorrect definition of the format specification. Incomplete format "
                  "definition (Default) for variable x1. Using the automatic free format option"})
        << "_real is shown as Default";
}

TEST_F(PrintFormatTest, ScientificWarningsComeInOrder) {
    EXPECT_EQ(write(makeFormat("f", 3, 8, 4, 5, 0), 2.5e-2), "2.5e-002");
    const Log log = logEntries();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_NE(log[0].find("negative exponent"), std::string::npos);
    EXPECT_NE(log[1].find("greater than 3"), std::string::npos);
    EXPECT_NE(log[2].find("have been set to 4. This is not possible without exceeding the total "
                          "length (8)"),
              std::string::npos);
}

// ---------------------------------------------------------------- non-finite

TEST_F(PrintFormatTest, NonFiniteValuesAreWrittenAsWordsInTheirField) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(write(makeFormat("_real", 3, 24, 16, 3, 1), nan), blanks(21) + "nan");
    EXPECT_EQ(write(makeFormat("f", 1, 6), -inf), "  -inf");
    EXPECT_EQ(write(makeFormat("f", 2, 0), inf), "inf");
    EXPECT_EQ(write(makeFormat("f", 0, 8), -nan), "     nan");
    EXPECT_EQ(write(makeFormat("f", 1, 45), inf), blanks(42) + "inf");
    EXPECT_TRUE(logEntries().empty());
    EXPECT_EQ(write(makeFormat("odd", 9, 6), inf), "inf") << "unknown type: free format";
}

// ---------------------------------------------------------------- texts

TEST_F(PrintFormatTest, TextsAreRightAlignedOrCutToTheField) {
    model.print_formats.push_back(makeFormat("eight", 4, 8));
    model.print_formats.push_back(makeFormat("free", 4, 0));
    const std::string longText(30, 'a');
    EXPECT_EQ(formatTextValue(model, "eight", "abc", "s1"), "     abc");
    EXPECT_EQ(formatTextValue(model, "eight", "abcdefgh", "s1"), "abcdefgh");
    EXPECT_EQ(formatTextValue(model, "eight", "abcdefghij", "s1"), "abcdefgh");
    EXPECT_EQ(formatTextValue(model, "free", "a, b c", "s1"), "a, b c");
    EXPECT_EQ(formatTextValue(model, "_real", "abc", "s1"), blanks(21) + "abc");
    EXPECT_EQ(formatTextValue(model, "_real", longText, "s1"), longText)
        << "the built-in formats never cut a text";
    EXPECT_EQ(formatTextValue(model, "_resFileFormat", longText, "s1"), longText);
    EXPECT_TRUE(logEntries().empty());
}

}  // namespace
}  // namespace varno::model
