#include "model/print_format.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>

#include "frame/fatal_error.h"
#include "frame/message_writer.h"
#include "frame/text_format.h"
#include "model/block_reader.h"

namespace varno::model {

namespace {

constexpr const char* typeLabel = "Print format";
constexpr const char* defaultFormatName = "_real";
constexpr const char* resultFileFormatName = "_resFileFormat";

// Fields up to this length are formatted in their declared length; wider
// ones work in a shorter working length (see workingLength).
constexpr int widestPlainField = 40;

// floorLog10 scales by 10 at most this many times.
constexpr int maxLog10Steps = 101;

// ------------------------------------------------------------------ reading

struct TypeWord {
    const char* word;
    PrintFormatType type;
};

constexpr TypeWord typeWords[] = {{"automatic", formatAutomatic},
                                  {"integer", formatInteger},
                                  {"float", formatFloat},
                                  {"scientific", formatScientific},
                                  {"string", formatString}};

PrintFormatType typeFromWord(const std::string& word, const std::string& formatName) {
    for (const TypeWord& entry : typeWords) {
        if (word == entry.word) return entry.type;
    }
    fatalError(formatText("Unsupported print format type \"%s\" for the print format \"%s\".",
                          word.c_str(), formatName.c_str()));
}

std::string definitionErrorHead(const std::string& formatName) {
    return formatText("Error in the definition of the print format \"%s\".", formatName.c_str());
}

void checkExponentLength(const PrintFormat& format) {
    if (format.exp > 0) return;
    const std::string text =
        formatText("%s The length of the exponent field (%d) for this format is <= 0.",
                   definitionErrorHead(format.name).c_str(), format.exp);
    fatalError(formatText("%s Acceptable value is 1 or above.", text.c_str()));
}

void checkTotalNotZero(const PrintFormat& format) {
    if (format.total != 0) return;
    const std::string text =
        formatText("%s The total length of the field (%d) for this format is defined as 0.",
                   definitionErrorHead(format.name).c_str(), format.total);
    fatalError(formatText("%s Since this format was defined as a fixed length format, the total "
                          "length must be greater than 0.",
                          text.c_str()));
}

void checkDecimalsNotNegative(const PrintFormat& format) {
    if (format.dec >= 0) return;
    const std::string text = formatText(
        "%s The number of digits after decimal (%d) for this format is defined as negative.",
        definitionErrorHead(format.name).c_str(), format.dec);
    fatalError(formatText("%s Acceptable value is 0 or above. 0 means that the this is option is "
                          "not being used.",
                          text.c_str()));
}

void checkTotalNotNegative(const PrintFormat& format) {
    if (format.total >= 0) return;
    const std::string text =
        formatText("%s The total length of the field (%d) for this format is defined as negative.",
                   definitionErrorHead(format.name).c_str(), format.total);
    fatalError(formatText("%s Acceptable value is 0 or above. 0 means that the this is not a fixed "
                          "length field.",
                          text.c_str()));
}

// The lengths of a fixed-length format. Float and scientific formats need
// `dec`; the others may give it, which matters for the working length of
// fields wider than 40.
void readFixedLengths(const BlockReader& block, PrintFormat& format) {
    format.total = block.requiredInt("total");
    const bool needsDecimals = format.type == formatFloat || format.type == formatScientific;
    format.dec = needsDecimals ? block.requiredInt("dec") : block.optionalInt("dec").value_or(0);
    if (format.type == formatScientific) {
        format.exp = block.requiredInt("exp");
        format.expSigned = block.requiredInt("expSigned");
        checkExponentLength(format);
    }
    checkTotalNotZero(format);
    checkDecimalsNotNegative(format);
    checkTotalNotNegative(format);
}

// ------------------------------------------------------------------ writing

[[noreturn]] void reportUnknownFormat(const std::string& formatName,
                                      const std::string& variableName) {
    std::string text =
        formatText("The print format \"%s\" is being used in the project but has not been defined.",
                   formatName.c_str());
    text = formatText("%s Please define this format in the \"Print Formats\" area under the "
                      "\"Variables\" tab and try again. ",
                      text.c_str());
    writeMessage("outptr", "error", text);
    fatalError(formatText("The print format causing the error is being used with variable \"%s\".",
                          variableName.c_str()));
}

const PrintFormat& lookUpFormat(const ProjectModel& model, const std::string& formatName,
                                const std::string& variableName) {
    const int index = findPrintFormat(model, formatName);
    if (index < 0) reportUnknownFormat(formatName, variableName);
    return model.print_formats[static_cast<std::size_t>(index)];
}

bool isBuiltInFormat(const std::string& formatName) {
    return formatName == defaultFormatName || formatName == resultFileFormatName;
}

bool isKnownType(int type) { return type >= formatAutomatic && type <= formatString; }

void warnUnknownType(const std::string& formatName, const std::string& variableName) {
    const std::string shownName = formatName == defaultFormatName ? "Default" : formatName;
    const std::string text = formatText(
        "Incorrect definition of the format specification. Incomplete format definition (%s) "
        "for variable %s.",
        shownName.c_str(), variableName.c_str());
    writeMessage("outptr", "warning",
                 formatText("%s Using the automatic free format option", text.c_str()));
}

// NaN and infinities get the same words on every platform, right-aligned in
// a fixed-length field so that the columns of a file stay in line.
std::string nonFiniteText(double value, int total) {
    const char* word = std::isnan(value) ? "nan" : (value < 0.0 ? "-inf" : "inf");
    return formatText("%*s", std::max(total, 0), word);
}

// floor(log10 x) for a finite x > 0, by scaling with 10; after 101 steps the
// scaling stops, so magnitudes beyond 1e+-101 report +-101.
int floorLog10(double x) {
    int exponent = 0;
    for (int step = 0; step < maxLog10Steps && x >= 10.0; ++step) {
        x /= 10.0;
        ++exponent;
    }
    for (int step = 0; step < maxLog10Steps && x < 1.0; ++step) {
        x *= 10.0;
        --exponent;
    }
    return exponent;
}

// The integer written for a value: the value plus 0.5 cut toward zero. It is
// kept as a double and written with "%.0f", which gives the digits "%d" would
// for every value in the int range and the right digits beyond it, where a
// conversion to int would overflow. A result of -0 is written as 0.
double integerValue(double value) {
    const double rounded = std::trunc(value + 0.5);
    return rounded == 0.0 ? 0.0 : rounded;
}

// Fields wider than 40 are worked out in a shorter length: dec + 8 for 1 to 29
// decimals, else 24.
int workingLength(const PrintFormat& format) {
    if (format.total <= widestPlainField) return format.total;
    return format.dec >= 1 && format.dec <= 29 ? format.dec + 8 : 24;
}

std::string freeFormatText(int type, double value) {
    switch (type) {
        case formatInteger: return formatText("%.0f", integerValue(value));
        case formatFloat: return formatText("%f", value);
        case formatScientific: return formatText("%e", value);
        default:  // automatic and string
            return formatText("%#g", value);
    }
}

// A float or integer text held to the declared length: right-aligned in it,
// or cut to it with a warning that names `valueLine`'s value.
std::string holdToField(const std::string& text, int total, const std::string& valueLine) {
    const auto width = static_cast<std::size_t>(total);
    if (text.size() <= width) return formatText("%*s", total, text.c_str());
    const std::string cut = text.substr(0, width);
    writeMessage("outptr", "warning",
                 "\n\t**** WARNING ****" + valueLine +
                     formatText("\n\t The value is being truncated to %s so that it fits the "
                                "maximum field length specified (%d).",
                                cut.c_str(), total));
    return cut;
}

// Fields wider than 40 keep their declared width, so that the columns of a
// file stay aligned: the text made in the working length is right-aligned in
// the declared length, or cut to it.
std::string floatText(const PrintFormat& format, double value, int working,
                      const std::string& variableName) {
    const std::string text = formatText("%*.*f", working, format.dec, value);
    return holdToField(text, format.total,
                       formatText("\n\t The value (%f) of the variable \"%s\" cannot be printed "
                                  "with the specified format.",
                                  value, variableName.c_str()));
}

std::string integerText(const PrintFormat& format, double value, const std::string& variableName) {
    const double integer = integerValue(value);
    const std::string text = formatText("%*.0f", format.total, integer);
    return holdToField(text, format.total,
                       formatText("\n\t The value (%.0f) of the variable \"%s\" cannot be printed "
                                  "with the specified format.",
                                  integer, variableName.c_str()));
}

// Automatic format, a value it cannot hold: "%f" cut to the field, with a
// warning.
std::string doesNotFitText(double value, int total, const std::string& variableName) {
    writeMessage(
        "outptr", "warning",
        "\n\t**** WARNING ****" +
            formatText("\n\t The format specification for the variable \"%s\" is too small",
                       variableName.c_str()) +
            "\n\t The current value cannot be written correctly to the file, it will be rounded "
            "to fit the alloted space." +
            "\n\t Please make sure that the variable bounds and/or the format are correctly "
            "defined.");
    return formatText("%f", value).substr(0, static_cast<std::size_t>(std::max(total, 0)));
}

// Automatic format in a field of `total` characters whose digits are budgeted
// from the working length: fixed-point when the value's digits fit, else
// scientific notation.
std::string automaticText(double value, int working, int total, const std::string& variableName) {
    const double magnitude = std::fabs(value);
    const int room = value < 0.0 ? working - 1 : working;  // characters for the digits
    const int digits = room - 1;                           // less the decimal point
    if (magnitude >= 1.0) {
        if (magnitude <= std::pow(10.0, digits) - 2.220446049250313e-16) {
            const int integerDigits = 1 + floorLog10(magnitude);
            return formatText("%*.*f", total, std::max(digits - integerDigits, 0), value);
        }
        const int precision = room - 6 >= 1 ? room - 7 : room - 6;
        if (precision >= 0) return formatText("%*.*e", total, precision, value);
    } else if (magnitude > 0.0) {
        const int leadingZeros = -floorLog10(magnitude);
        if (leadingZeros <= digits && leadingZeros < 5) {
            return formatText("%*.*f", total, digits - 1, value);
        }
        if (leadingZeros <= digits || digits >= 6) {
            return formatText("%*.*e", total, std::max(digits - 6, 0), value);
        }
    } else {
        return formatText("%*f", total, value);
    }
    return doesNotFitText(value, total, variableName);
}

// Scientific format: whether the exponent is written with its sign. A
// negative exponent needs its sign, whatever the format says.
int exponentSign(const PrintFormat& format, int exponent, const std::string& variableName) {
    const int sign = format.expSigned != 0 ? 1 : 0;
    if (sign == 1 || exponent >= 0) return sign;
    writeMessage("outptr", "warning",
                 formatText("\n\t Incorrect definition in specification of the format for "
                            "variable %s",
                            variableName.c_str()) +
                     "\n\t The number requires a negative exponent but the \"Don't use sign in "
                     "exponent\" option has been selected." +
                     "\n\t Overwriting this definition to write the sign with the exponent.");
    return 1;
}

// Scientific format: the number of exponent digits, held to 1 ... 3.
int exponentDigits(const PrintFormat& format, int exponent) {
    if (format.exp > 3) {
        writeMessage("outptr", "warning",
                     std::string("\n\t The number of digits in the exponent have been set to be "
                                 "greater than 3, which is not allowed.") +
                         "\n\t Overwriting this definition to set to 3.");
        return 3;
    }
    if (format.exp >= 1) return format.exp;
    const int magnitude = std::abs(exponent);
    const int digits = magnitude < 10 ? 1 : (magnitude < 100 ? 2 : 3);
    writeMessage("outptr", "warning",
                 std::string("\n\t The number of digits in the exponent have been set to be less "
                             "than 1, which is not allowed.") +
                     formatText("\n\t Overwriting this definition to set to %d.", digits));
    return digits;
}

// Scientific format: the digits after the decimal point that leave room in
// the field for "d.", "e", the exponent's sign and digits, and a minus sign.
// Never below 0: a field too short for even that is written longer.
int scientificDecimals(const PrintFormat& format, double value, int expDigits, int sign) {
    const int requested = std::max(format.dec, 0);
    const int room = format.total - (expDigits + 3 + sign) - (value < 0.0 ? 1 : 0);
    const int allowed = std::max(room, 0);
    if (requested <= allowed) return requested;
    writeMessage(
        "outptr", "warning",
        formatText("\n\t The number of digits after decimal have been set to %d. This "
                   "is not possible without exceeding the total length (%d).",
                   requested, format.total) +
            formatText("\n\t The number of digits after decimal is being set to %d.", allowed));
    return allowed;
}

// The exponent is rewritten from the one the conversion produced (so that a
// mantissa rounded up to 10 keeps its true exponent) with exactly the chosen
// digits and sign, the same on every platform.
std::string scientificText(const PrintFormat& format, double value,
                           const std::string& variableName) {
    const int exponent = value == 0.0 ? 0 : floorLog10(std::fabs(value));
    const int sign = exponentSign(format, exponent, variableName);
    const int expDigits = exponentDigits(format, exponent);
    const int decimals = scientificDecimals(format, value, expDigits, sign);

    const std::string converted = formatText("%.*e", decimals, value);
    const std::size_t e = converted.find('e');
    const int written = std::atoi(converted.c_str() + e + 1);
    std::string text = converted.substr(0, e + 1);
    if (sign == 1) text += written < 0 ? '-' : '+';
    text = formatText("%s%0*d", text.c_str(), expDigits, std::abs(written));
    return formatText("%*s", format.total, text.c_str());
}

}  // namespace

std::vector<PrintFormat> ProjectModel::builtInPrintFormats() {
    const auto scientific24 = [](const char* name) {
        PrintFormat format;
        format.name = name;
        format.type = formatScientific;
        format.total = 24;
        format.dec = 16;
        format.exp = 3;
        format.expSigned = 1;
        return format;
    };
    return {scientific24(defaultFormatName), scientific24(resultFileFormatName)};
}

void definePrintFormat(ProjectModel& model, const LineList& lines) {
    BlockReader block(lines, typeLabel);
    PrintFormat format;
    format.name = block.name();
    format.type = typeFromWord(block.requiredText("type"), format.name);
    if (findPrintFormat(model, format.name) >= 0) {
        fatalError(formatText("Cannot have duplicate names for print formats. The print format "
                              "\"%s\" has already been used.",
                              format.name.c_str()));
    }
    if (block.optionalInt("fixed").value_or(0) != 0) readFixedLengths(block, format);
    model.print_formats.push_back(format);
}

int findPrintFormat(const ProjectModel& model, const std::string& name) {
    const auto& formats = model.print_formats;
    const auto found = std::find_if(formats.begin(), formats.end(),
                                    [&](const PrintFormat& format) { return format.name == name; });
    return found == formats.end() ? -1 : static_cast<int>(found - formats.begin());
}

std::string formatNumber(const ProjectModel& model, const std::string& formatName, double value,
                         const std::string& variableName) {
    const PrintFormat& format = lookUpFormat(model, formatName, variableName);
    const bool knownType = isKnownType(format.type);
    if (!knownType) warnUnknownType(format.name, variableName);
    if (!std::isfinite(value)) return nonFiniteText(value, knownType ? format.total : 0);
    if (!knownType) return formatText("%#g", value);

    const int working = workingLength(format);
    if (working <= 0) return freeFormatText(format.type, value);
    switch (format.type) {
        case formatInteger: return integerText(format, value, variableName);
        case formatFloat: return floatText(format, value, working, variableName);
        case formatScientific: return scientificText(format, value, variableName);
        default:  // automatic and string
            return automaticText(value, working, format.total, variableName);
    }
}

std::string formatTextValue(const ProjectModel& model, const std::string& formatName,
                            const std::string& text, const std::string& variableName) {
    const PrintFormat& format = lookUpFormat(model, formatName, variableName);
    const int total = format.total;
    if (total < 1) return text;
    const bool longer = text.size() > static_cast<std::size_t>(total);
    if (longer && isBuiltInFormat(format.name)) return text;
    return formatText("%*.*s", total, total, text.c_str());
}

}  // namespace varno::model
