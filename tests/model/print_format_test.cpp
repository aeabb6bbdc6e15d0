// Print formats: reading a format block, and writing numbers and texts
// through a format, with every warning and error the writer produces.
#include "model/print_format.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "api/fatal_error.h"
#include "api/library_state.h"
#include "api/message_log.h"
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

std::string blanks(std::size_t count) { return std::string(count, ' '); }

class PrintFormatTest : public ::testing::Test {
protected:
    void SetUp() override { resetLibrary(); }
    void TearDown() override { resetLibrary(); }

    static void resetLibrary() {
        library().study.reset();
        clearMessageLog();
    }

    // The model with one more format, `f`, at index 2.
    static ProjectModel modelWith(const PrintFormat& format) {
        ProjectModel model;
        model.print_formats.push_back(format);
        return model;
    }

    static std::string write(const PrintFormat& format, double value) {
        return formatNumber(modelWith(format), format.name, value, "x1");
    }

};

// ================================================================ reading

class PrintFormatReader : public PrintFormatTest {
protected:
    void define(const LineList& lines) { definePrintFormat(model, lines); }

    void expectRejected(const LineList& lines, const std::string& text) {
        const std::size_t before = model.print_formats.size();
        expectFatal([&] { define(lines); }, text);
        EXPECT_EQ(model.print_formats.size(), before) << "a rejected format is not added";
    }

    static std::string readerError(const std::string& key, const std::string& reason) {
        return "When reading data for \"f1\" of type \"Print format\" from file \"API\", VARNO "
               "encountered the following error in reading the data for property \"" +
               key + "\":\n" + reason;
    }

    const PrintFormat& last() const { return model.print_formats.back(); }

    ProjectModel model;
};

TEST_F(PrintFormatReader, TableStartsWithTheTwoBuiltInScientificFormats) {
    ASSERT_EQ(model.print_formats.size(), 2u);
    for (const PrintFormat& format : model.print_formats) {
        EXPECT_EQ(format.type, 3);
        EXPECT_EQ(format.total, 24);
        EXPECT_EQ(format.dec, 16);
        EXPECT_EQ(format.exp, 3);
        EXPECT_EQ(format.expSigned, 1);
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

TEST_F(PrintFormatReader, EachTypeWordGivesItsTypeCode) {
    const std::vector<std::pair<std::string, int>> words = {
        {"automatic", 0}, {"integer", 1}, {"float", 2}, {"scientific", 3}, {"string", 4}};
    for (const auto& [word, code] : words) {
        ProjectModel fresh;
        definePrintFormat(fresh, {"name: f_" + word, "type: " + word});
        ASSERT_EQ(fresh.print_formats.size(), 3u) << word;
        EXPECT_EQ(fresh.print_formats[2].name, "f_" + word);
        EXPECT_EQ(fresh.print_formats[2].type, code) << word;
        EXPECT_EQ(fresh.print_formats[2].total, 0) << word;
    }
}

TEST_F(PrintFormatReader, UnknownTypeWordIsRejected) {
    expectRejected({"name: f1", "type: Float"},
                   "Unsupported print format type \"Float\" for the print format \"f1\".");
    expectRejected({"name: f1", "type: fixed"},
                   "Unsupported print format type \"fixed\" for the print format \"f1\".");
}

TEST_F(PrintFormatReader, MissingNameOrTypeIsAReaderError) {
    expectRejected({"name: f1"}, readerError("type", "The property is not defined."));
    expectRejected({"type: float"},
                   "When reading data for \"Name not defined\" of type \"Print format\" from file "
                   "\"API\", VARNO encountered the following error in reading the data for "
                   "property \"name\":\nThe property is not defined.");
}

TEST_F(PrintFormatReader, NameAlreadyUsedIsRejected) {
    define({"name: f1", "type: float"});
    expectRejected({"name: f1", "type: integer"},
                   "Cannot have duplicate names for print formats. The print format \"f1\" has "
                   "already been used.");
    expectRejected({"name: _resFileFormat", "type: float"},
                   "Cannot have duplicate names for print formats. The print format "
                   "\"_resFileFormat\" has already been used.");
    define({"name: F1", "type: float"});
    EXPECT_EQ(last().name, "F1") << "a name differing only in case is a new name";
}

TEST_F(PrintFormatReader, AbsentOrZeroFixedEndsTheReadingWithTotalZero) {
    define({"name: f1", "type: scientific", "total: 12", "dec: -3", "exp: 0"});
    EXPECT_EQ(last().total, 0);
    EXPECT_EQ(last().dec, 0) << "nothing after `fixed` is read";
    define({"name: f2", "type: float", "fixed: 0", "total: -5", "dec: 3"});
    EXPECT_EQ(last().total, 0);
    EXPECT_EQ(last().dec, 0);
    define({"name: f3", "type: float", "fixed: no", "total: 9"});
    EXPECT_EQ(last().total, 0);
}

TEST_F(PrintFormatReader, FixedFormatsReadTheirLengths) {
    define({"name: f1", "type: float", "fixed: 1", "total: 10", "dec: 3"});
    EXPECT_EQ(last().total, 10);
    EXPECT_EQ(last().dec, 3);

    define({"name: f2", "type: scientific", "fixed: yes", "total: 12", "dec: 4", "exp: 2",
            "expSigned: 0"});
    EXPECT_EQ(last().type, 3);
    EXPECT_EQ(last().total, 12);
    EXPECT_EQ(last().dec, 4);
    EXPECT_EQ(last().exp, 2);
    EXPECT_EQ(last().expSigned, 0);

    define({"name: f3", "type: integer", "fixed: true", "total: 6"});
    EXPECT_EQ(last().total, 6);
    EXPECT_EQ(last().dec, 0) << "dec is optional outside float and scientific";
    EXPECT_EQ(last().exp, 0);

    define({"name: f4", "type: automatic", "fixed: 1", "total: 50", "dec: 5"});
    EXPECT_EQ(last().total, 50);
    EXPECT_EQ(last().dec, 5);
}

TEST_F(PrintFormatReader, RequiredLengthsOfFixedFormatsAreReaderErrors) {
    const std::string missing = "The property is not defined.";
    expectRejected({"name: f1", "type: float", "fixed: perhaps"},
                   readerError("fixed", "The read value \"perhaps\" could not be converted into "
                                        "an integer."));
    expectRejected({"name: f1", "type: integer", "fixed: 1"}, readerError("total", missing));
    expectRejected({"name: f1", "type: integer", "fixed: 1", "total: ten"},
                   readerError("total", "The read value \"ten\" could not be converted into an "
                                        "integer."));
    expectRejected({"name: f1", "type: automatic", "fixed: 1", "total: 8", "dec: x"},
                   readerError("dec", "The read value \"x\" could not be converted into an "
                                      "integer."));
    expectRejected({"name: f1", "type: float", "fixed: 1", "total: 8"},
                   readerError("dec", missing));
    expectRejected({"name: f1", "type: scientific", "fixed: 1", "total: 8"},
                   readerError("dec", missing));
    expectRejected({"name: f1", "type: scientific", "fixed: 1", "total: 8", "dec: 2"},
                   readerError("exp", missing));
    expectRejected({"name: f1", "type: scientific", "fixed: 1", "total: 8", "dec: 2", "exp: 2"},
                   readerError("expSigned", missing));
}

TEST_F(PrintFormatReader, ExponentFieldOfAtLeastOneIsRequired) {
    expectRejected({"name: f1", "type: scientific", "fixed: 1", "total: 0", "dec: -1", "exp: 0",
                    "expSigned: 1"},
                   "Error in the definition of the print format \"f1\". The length of the "
                   "exponent field (0) for this format is <= 0. Acceptable value is 1 or above.");
    expectRejected({"name: f1", "type: scientific", "fixed: 1", "total: 9", "dec: 2", "exp: -2",
                    "expSigned: 1"},
                   "Error in the definition of the print format \"f1\". The length of the "
                   "exponent field (-2) for this format is <= 0. Acceptable value is 1 or above.");
}

TEST_F(PrintFormatReader, LengthChecksComeInTheirOrder) {
    expectRejected({"name: f1", "type: float", "fixed: 1", "total: 0", "dec: -1"},
                   "Error in the definition of the print format \"f1\". The total length of the "
                   "field (0) for this format is defined as 0. Since this format was defined as "
                   "a fixed length format, the total length must be greater than 0.");
    expectRejected({"name: f1", "type: float", "fixed: 1", "total: -4", "dec: -1"},
                   "Error in the definition of the print format \"f1\". The number of digits "
                   "after decimal (-1) for this format is defined as negative. Acceptable value "
                   "is 0 or above. 0 means that the this is option is not being used.");
    expectRejected({"name: f1", "type: integer", "fixed: 1", "total: -4"},
                   "Error in the definition of the print format \"f1\". The total length of the "
                   "field (-4) for this format is defined as negative. Acceptable value is 0 or "
                   "above. 0 means that the this is not a fixed length field.");
}

// ================================================================ writing

TEST_F(PrintFormatTest, UnknownFormatNameIsLoggedAndFatal) {
    const ProjectModel model;
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

struct NumberCase {
    const char* what;
    PrintFormat format;
    double value;
    std::string expected;
};

// Test names and failure reports show the case's description.
void PrintTo(const NumberCase& c, std::ostream* out) { *out << c.what; }

class PrintFormatCases : public PrintFormatTest,
                         public ::testing::WithParamInterface<NumberCase> {};

// Test names from the case descriptions: letters and digits, the rest "_".
std::string caseName(const ::testing::TestParamInfo<NumberCase>& info) {
    std::string name = info.param.what;
    for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    }
    return name;
}

TEST_P(PrintFormatCases, WritesWithoutWarnings) {
    const NumberCase& c = GetParam();
    EXPECT_EQ(write(c.format, c.value), c.expected) << c.what;
    EXPECT_TRUE(logEntries().empty()) << c.what;
}

// Free format: a total length of 0 whatever the other lengths say.
INSTANTIATE_TEST_SUITE_P(
    FreeFormat, PrintFormatCases,
    ::testing::Values(
        NumberCase{"automatic %#g", makeFormat("f", 0, 0), 1.5, "1.50000"},
        NumberCase{"string writes as automatic", makeFormat("f", 4, 0), 2.5, "2.50000"},
        NumberCase{"float %f", makeFormat("f", 2, 0, 3), 1.5, "1.500000"},
        NumberCase{"scientific %e", makeFormat("f", 3, 0, 2, 2, 0), 1500.0, "1.500000e+03"},
        NumberCase{"integer rounds half up", makeFormat("f", 1, 0), 2.5, "3"},
        NumberCase{"integer cuts v+0.5 toward zero", makeFormat("f", 1, 0), -2.7, "-2"},
        NumberCase{"integer never writes -0", makeFormat("f", 1, 0), -0.7, "0"},
        NumberCase{"integer beyond the int range", makeFormat("f", 1, 0), 1e15,
                   "1000000000000000"}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    Automatic, PrintFormatCases,
    ::testing::Values(
        NumberCase{"fixed point, 9 digits", makeFormat("f", 0, 10), 123.456, "123.456000"},
        NumberCase{"a minus sign takes a digit", makeFormat("f", 0, 10), -123.456, "-123.45600"},
        NumberCase{"exactly 10^d, precision 0", makeFormat("f", 0, 10), 1e9, "1000000000"},
        NumberCase{"too many digits: scientific", makeFormat("f", 0, 10), 12345678901.0,
                   " 1.235e+10"},
        NumberCase{"six characters: precision 0", makeFormat("f", 0, 6), 1234567.0, " 1e+06"},
        NumberCase{"below one, few zeros", makeFormat("f", 0, 10), 0.00123, "0.00123000"},
        NumberCase{"below one, negative", makeFormat("f", 0, 6), -0.5, "-0.500"},
        NumberCase{"five leading zeros: scientific", makeFormat("f", 0, 10), 0.0000123,
                   " 1.230e-05"},
        NumberCase{"more zeros than digits", makeFormat("f", 0, 8), 1e-9, " 1.0e-09"},
        NumberCase{"zero", makeFormat("f", 0, 10), 0.0, "  0.000000"},
        NumberCase{"zero wider than its field", makeFormat("f", 0, 5), 0.0, "0.000000"},
        NumberCase{"string writes as automatic", makeFormat("f", 4, 10), 123.456, "123.456000"},
        NumberCase{"above 40, no dec: working length 24", makeFormat("f", 0, 45), 2.25,
                   blanks(21) + "2.2500000000000000000000"},
        NumberCase{"above 40, dec 2: working length 10", makeFormat("f", 0, 45, 2), 2.25,
                   blanks(35) + "2.25000000"}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    FloatAndInteger, PrintFormatCases,
    ::testing::Values(
        NumberCase{"float", makeFormat("f", 2, 10, 3), 3.14159, "     3.142"},
        NumberCase{"float, exact fit", makeFormat("f", 2, 9, 3), 12345.678, "12345.678"},
        NumberCase{"float above 40 keeps its width", makeFormat("f", 2, 50, 2), 3.14159,
                   blanks(46) + "3.14"},
        NumberCase{"float above 40, dec 35: working length 24", makeFormat("f", 2, 41, 35), 1.5,
                   blanks(4) + "1.5" + std::string(34, '0')},
        NumberCase{"integer", makeFormat("f", 1, 6), 41.5, "    42"},
        NumberCase{"integer, negative", makeFormat("f", 1, 6), -3.7, "    -3"},
        NumberCase{"integer beyond the int range", makeFormat("f", 1, 12), 3e9,
                   "  3000000000"},
        NumberCase{"integer above 40 keeps its width", makeFormat("f", 1, 45), 7.0,
                   blanks(44) + "7"}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    Scientific, PrintFormatCases,
    ::testing::Values(
        NumberCase{"_real", makeFormat("_real", 3, 24, 16, 3, 1), 1.5,
                   " 1.5000000000000000e+000"},
        NumberCase{"_real, negative fills the field", makeFormat("_real", 3, 24, 16, 3, 1),
                   -1.5, "-1.5000000000000000e+000"},
        NumberCase{"_real, zero", makeFormat("_real", 3, 24, 16, 3, 1), 0.0,
                   " 0.0000000000000000e+000"},
        NumberCase{"negative exponent", makeFormat("g", 3, 24, 16, 3, 1), -0.0078125,
                   "-7.8125000000000000e-003"},
        NumberCase{"two exponent digits", makeFormat("g", 3, 10, 2, 2, 1), 1234.5,
                   "  1.23e+03"},
        NumberCase{"unsigned exponent", makeFormat("g", 3, 10, 2, 2, 0), 1234.5, "   1.23e03"},
        NumberCase{"one exponent digit", makeFormat("g", 3, 8, 2, 1, 1), 1.5e5, " 1.50e+5"},
        NumberCase{"an exponent longer than its digits stays whole", makeFormat("g", 3, 8, 2, 1, 1),
                   1.5e12, "1.50e+12"},
        NumberCase{"rounding carries into the exponent", makeFormat("g", 3, 8, 1, 2, 1), 9.99,
                   " 1.0e+01"},
        NumberCase{"above 40", makeFormat("g", 3, 45, 3, 2, 1), 1.5,
                   blanks(36) + "1.500e+00"}),
    caseName);

TEST_F(PrintFormatTest, BuiltInFormatsAreFoundInTheModel) {
    const ProjectModel model;
    EXPECT_EQ(formatNumber(model, "_real", 1.5, "x1"), " 1.5000000000000000e+000");
    EXPECT_EQ(formatNumber(model, "_resFileFormat", -0.0078125, "x1"),
              "-7.8125000000000000e-003");
}

TEST_F(PrintFormatTest, FixedZeroWritesFreeFormatWhateverItsDecimals) {
    ProjectModel model;
    definePrintFormat(model, {"name: f", "type: float", "fixed: 0", "dec: 2"});
    EXPECT_EQ(formatNumber(model, "f", 1.5, "x1"), "1.500000");
    definePrintFormat(model, {"name: g", "type: scientific", "dec: 2"});
    EXPECT_EQ(formatNumber(model, "g", 1.5, "x1"), "1.500000e+00");
    EXPECT_TRUE(logEntries().empty());
}

// ---------------------------------------------------------------- warnings

TEST_F(PrintFormatTest, AutomaticValueThatDoesNotFitIsCutWithAWarning) {
    const std::string warning =
        "*WARNING\n\n\t**** WARNING ****\n\t The format specification for the variable \"x1\" "
        "is too small\n\t The current value cannot be written correctly to the file, it will be "
        "rounded to fit the alloted space.\n\t Please make sure that the variable bounds and/or "
        "the format are correctly defined.";
    EXPECT_EQ(write(makeFormat("f", 0, 5), 123456.0), "12345");
    EXPECT_EQ(logEntries(), Log{warning});

    clearMessageLog();
    EXPECT_EQ(write(makeFormat("f", 0, 5), 0.00001), "0.000") << "5 zeros, only 4 digits";
    EXPECT_EQ(logEntries(), Log{warning});

    clearMessageLog();
    EXPECT_EQ(write(makeFormat("f", 4, 1), -2.0), "-") << "no room for any digit";
    EXPECT_EQ(logEntries(), Log{warning});
}

TEST_F(PrintFormatTest, FloatLongerThanItsFieldIsCutWithAWarning) {
    EXPECT_EQ(write(makeFormat("f", 2, 6, 3), 12345.678), "12345.");
    EXPECT_EQ(logEntries(),
              Log{"*WARNING\n\n\t**** WARNING ****\n\t The value (12345.678000) of the variable "
                  "\"x1\" cannot be printed with the specified format.\n\t The value is being "
                  "truncated to 12345. so that it fits the maximum field length specified (6)."});
}

TEST_F(PrintFormatTest, FloatAbove40IsCutToItsDeclaredLength) {
    // Working length 24 (dec 40 is beyond 29); "%24.40f" gives 43 characters.
    const std::string cut = "12.5" + std::string(37, '0');
    EXPECT_EQ(write(makeFormat("f", 2, 41, 40), 12.5), cut);
    EXPECT_EQ(logEntries(),
              Log{"*WARNING\n\n\t**** WARNING ****\n\t The value (12.500000) of the variable "
                  "\"x1\" cannot be printed with the specified format.\n\t The value is being "
                  "truncated to " + cut + " so that it fits the maximum field length specified "
                  "(41)."});
}

TEST_F(PrintFormatTest, IntegerLongerThanItsFieldIsCutWithAWarning) {
    EXPECT_EQ(write(makeFormat("f", 1, 3), 12345.2), "123");
    EXPECT_EQ(logEntries(),
              Log{"*WARNING\n\n\t**** WARNING ****\n\t The value (12345) of the variable \"x1\" "
                  "cannot be printed with the specified format.\n\t The value is being truncated "
                  "to 123 so that it fits the maximum field length specified (3)."});
}

TEST_F(PrintFormatTest, NegativeExponentOverridesAnUnsignedExponent) {
    EXPECT_EQ(write(makeFormat("f", 3, 10, 2, 2, 0), 1.5e-3), "  1.50e-03");
    EXPECT_EQ(logEntries(),
              Log{"*WARNING\n\n\t Incorrect definition in specification of the format for "
                  "variable x1\n\t The number requires a negative exponent but the \"Don't use "
                  "sign in exponent\" option has been selected.\n\t Overwriting this definition "
                  "to write the sign with the exponent."});
}

TEST_F(PrintFormatTest, MoreThanThreeExponentDigitsAreSetToThree) {
    EXPECT_EQ(write(makeFormat("f", 3, 12, 2, 4, 1), 1.5), "   1.50e+000");
    EXPECT_EQ(logEntries(),
              Log{"*WARNING\n\n\t The number of digits in the exponent have been set to be "
                  "greater than 3, which is not allowed.\n\t Overwriting this definition to set "
                  "to 3."});
}

TEST_F(PrintFormatTest, FewerThanOneExponentDigitFollowsTheExponentsSize) {
    const std::string head =
        "*WARNING\n\n\t The number of digits in the exponent have been set to be less than 1, "
        "which is not allowed.\n\t Overwriting this definition to set to ";
    EXPECT_EQ(write(makeFormat("f", 3, 8, 2, 0, 1), 1.5), " 1.50e+0");
    EXPECT_EQ(logEntries(), Log{head + "1."});

    clearMessageLog();
    EXPECT_EQ(write(makeFormat("f", 3, 8, 2, -1, 1), 1.5e15), "1.50e+15");
    EXPECT_EQ(logEntries(), Log{head + "2."});

    clearMessageLog();
    EXPECT_EQ(write(makeFormat("f", 3, 9, 2, 0, 1), 1.5e-150), "1.50e-150");
    EXPECT_EQ(logEntries(), Log{head + "3."});
}

TEST_F(PrintFormatTest, DecimalsBeyondTheFieldAreReduced) {
    const auto warning = [](int requested, int total, int kept) {
        return "*WARNING\n\n\t The number of digits after decimal have been set to " +
               std::to_string(requested) +
               ". This is not possible without exceeding the total length (" +
               std::to_string(total) + ").\n\t The number of digits after decimal is being set "
               "to " + std::to_string(kept) + ".";
    };
    EXPECT_EQ(write(makeFormat("f", 3, 10, 4, 3, 1), 1.5), "1.500e+000");
    EXPECT_EQ(logEntries(), Log{warning(4, 10, 3)}) << "one decimal too many";

    clearMessageLog();
    EXPECT_EQ(write(makeFormat("f", 3, 10, 5, 3, 1), -1.5), "-1.50e+000");
    EXPECT_EQ(logEntries(), Log{warning(5, 10, 2)});

    clearMessageLog();
    EXPECT_EQ(write(makeFormat("f", 3, 10, 3, 3, 1), 1.5), "1.500e+000");
    EXPECT_TRUE(logEntries().empty()) << "exactly the room left";

    clearMessageLog();
    EXPECT_EQ(write(makeFormat("f", 3, 3, 2, 3, 1), 1.5), "2e+000")
        << "never below 0 decimals; a field too short is written longer";
    EXPECT_EQ(logEntries(), Log{warning(2, 3, 0)});
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

TEST_F(PrintFormatTest, UnknownTypeWarnsAndWritesFreeFormat) {
    EXPECT_EQ(write(makeFormat("odd", 7, 12, 3), 2.5), "2.50000");
    EXPECT_EQ(logEntries(),
              Log{"*WARNING\nIncorrect definition of the format specification. Incomplete format "
                  "definition (odd) for variable x1. Using the automatic free format option"});

    clearMessageLog();
    ProjectModel model;
    model.print_formats[0].type = -1;
    EXPECT_EQ(formatNumber(model, "_real", 0.125, "x1"), "0.125000");
    EXPECT_EQ(logEntries(),
              Log{"*WARNING\nIncorrect definition of the format specification. Incomplete format "
                  "definition (Default) for variable x1. Using the automatic free format option"})
        << "_real is shown as Default";
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
    ProjectModel model;
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
