#include "frame/definition_text.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "frame/fatal_error.h"
#include "frame/message_writer.h"
#include "frame/text_format.h"

namespace varno {

namespace {

constexpr std::string_view leadingTrim = " \t";
constexpr std::string_view trailingTrim = " \r\n";
constexpr std::string_view notDefinedText = "The property is not defined.";

// Longest field an escaped comma-separated line yields; longer ones are cut.
constexpr std::size_t maxEscapedFieldBytes = 2055;

// Fields read out of a value carry no line number of their own.
constexpr int valueLineNumber = 1;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Leading blanks and tabs, trailing blanks, carriage returns and line feeds:
// the trim of keys, fields and numbers alike.
std::string_view trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(leadingTrim);
    if (first == std::string_view::npos) return {};
    text.remove_prefix(first);
    const std::size_t last = text.find_last_not_of(trailingTrim);
    return last == std::string_view::npos ? std::string_view() : text.substr(0, last + 1);
}

// The key of a property line, or nothing for a line without a colon or with
// an empty key: such lines define no property.
std::optional<std::string_view> keyOfLine(std::string_view line) {
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    const std::string_view key = trimmed(line.substr(0, colon));
    if (key.empty()) return std::nullopt;
    return key;
}

bool lineHasKey(std::string_view line, std::string_view key) {
    const std::optional<std::string_view> lineKey = keyOfLine(line);
    return lineKey.has_value() && *lineKey == key;
}

std::string mappedBoolean(const std::string& value) {
    if (value == "true" || value == "yes") return "1";
    if (value == "false" || value == "no") return "0";
    return value;
}

// The value is taken from just after the first colon. For a key written at
// the start of its line and followed directly by the colon this is the
// key's length plus one; measuring from the colon also reads indented keys
// and keys with blanks before the colon correctly.
Property propertyOnLine(const std::string& line, int lineNumber, bool mapBooleans) {
    std::size_t valueStart = line.find(':') + 1;
    const bool singleForm = valueStart < line.size() && line[valueStart] == ' ';
    if (singleForm) ++valueStart;
    Property property;
    property.line = singleForm ? lineNumber : -lineNumber;
    property.value = line.substr(valueStart);
    if (mapBooleans) property.value = mappedBoolean(property.value);
    return property;
}

// Reads a leading decimal integer the way atoi does ("2.7" gives 2, "1e3"
// gives 1). A value outside the int range is refused rather than wrapped,
// so that an oversized number is reported instead of silently changed.
bool leadingInteger(std::string_view text, int& value) {
    std::size_t i = text.find_first_not_of(" \t\r\n\v\f");
    if (i == std::string_view::npos) i = text.size();
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    long long magnitude = 0;
    for (; i < text.size() && isDigit(text[i]); ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > limit) return false;
    }
    value = static_cast<int>(negative ? -magnitude : magnitude);
    return true;
}

// strtod, then nothing but blanks; infinite results (overflow) are refused.
bool wholeDouble(const std::string& text, double& value) {
    const char* begin = text.c_str();
    char* end = nullptr;
    const double parsed = std::strtod(begin, &end);
    if (end == begin || !std::isfinite(parsed)) return false;
    const std::size_t consumed = static_cast<std::size_t>(end - begin);
    if (text.find_first_not_of(' ', consumed) != std::string::npos) return false;
    value = parsed;
    return true;
}

bool valueToInt(const std::string& text, int& value, std::string& error) {
    if (isNumberSyntax(text) && leadingInteger(text, value)) return true;
    value = 0;
    error =
        formatText("The read value \"%s\" could not be converted into an integer.", text.c_str());
    return false;
}

bool valueToDouble(const std::string& text, double& value, std::string& error) {
    if (isNumberSyntax(text) && wholeDouble(text, value)) return true;
    value = 0.0;
    error = formatText("The read value \"%s\" could not be converted into a double.", text.c_str());
    return false;
}

// The `count` lines after the counted-form key on `keyLine`, each taken whole
// whatever it holds, even when it looks like a property of its own. Only the
// end of the list can cut the list short, which is warned about.
void takeCountedLines(const LineList& lines, int keyLine, int count,
                      std::vector<std::string>& values) {
    const std::size_t first = static_cast<std::size_t>(keyLine);
    const std::size_t available = lines.size() - first;
    std::size_t wanted = count > 0 ? static_cast<std::size_t>(count) : 0;
    if (wanted > available) {
        writeMessage("outptr", "warning",
                     formatText("The number of values specified does not match the number of "
                                "entries in a definition. The error is near line number %d, "
                                "which was read as \"%s\".",
                                keyLine, lines[first - 1].c_str()));
        wanted = available;
    }
    values.assign(lines.begin() + static_cast<std::ptrdiff_t>(first),
                  lines.begin() + static_cast<std::ptrdiff_t>(first + wanted));
}

// The `index`-th non-empty piece of `line` between separators, untrimmed.
std::optional<std::string_view> nthField(std::string_view line, int index,
                                         std::string_view separators) {
    if (index < 0) return std::nullopt;
    int count = 0;
    std::size_t position = 0;
    while (position <= line.size()) {
        const std::size_t end = std::min(line.find_first_of(separators, position), line.size());
        const std::string_view piece = line.substr(position, end - position);
        if (!piece.empty() && count++ == index) return piece;
        position = end + 1;
    }
    return std::nullopt;
}

[[noreturn]] void missingField(const std::string& line, int lineNumber, const std::string& source) {
    std::string text = formatText("Error reading file: %s\n", source.c_str());
    text =
        formatText("%s Error is near line number %d, which was read as:", text.c_str(), lineNumber);
    text = formatText("%s\n%s", text.c_str(), line.c_str());
    fatalError(text);
}

// Length of the decimal number at the start of `text` (sign, digits, point,
// exponent), 0 when it does not start with one. Only plain decimal numbers
// count: "nan", "inf" and hexadecimal forms are not numbers in a definition.
std::size_t decimalNumberLength(std::string_view text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = 0;
    for (; i < text.size() && isDigit(text[i]); ++i) ++digits;
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && isDigit(text[i]); ++i) ++digits;
    }
    if (digits == 0) return 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
        const std::size_t exponentStart = j;
        while (j < text.size() && isDigit(text[j])) ++j;
        if (j > exponentStart) i = j;
    }
    return i;
}

bool onlyBlanksAndCarriageReturns(std::string_view text) {
    return text.find_first_not_of(" \r") == std::string_view::npos;
}

void writeToStdoutAndMessageFile(const std::string& text) {
    writeToStdout(text);
    writeToMessageFile(text);
}

// The leading number of a comma-separated field, with the reports of the
// double reader for a field that is not a number or has text after it.
double numberOfDoubleField(const std::string& field) {
    const std::size_t length = decimalNumberLength(field);
    const double value = length > 0 ? std::strtod(field.substr(0, length).c_str(), nullptr) : 0.0;
    if (length == 0 || !std::isfinite(value)) {
        writeToStdoutAndMessageFile(formatText(
            "\nError, the string \"%s\" cannot be converted into a double.\n", field.c_str()));
        fatalError(formatText("Error, the string \"%s\" cannot be converted into a double.",
                              field.c_str()));
    }
    if (!onlyBlanksAndCarriageReturns(std::string_view(field).substr(length))) {
        writeToStdoutAndMessageFile(
            formatText("\nComma delimited format error in string %s.\n", field.c_str()));
        fatalError(formatText("Comma delimited format error in string %s.", field.c_str()));
    }
    return value;
}

[[noreturn]] void notAnInteger(const std::string& field) {
    writeToStdout(formatText("\nError, the string \"%s\" cannot be converted into an integer.",
                             field.c_str()));
    writeToMessageFile(formatText(
        "\nError, the string \"%s\" cannot be converted into an integer.\n", field.c_str()));
    fatalError(
        formatText("Error, the string \"%s\" cannot be converted into an integer.", field.c_str()));
}

[[noreturn]] void integerTooBig(const std::string& field) {
    writeToMessageFile("\n\t **** ERROR ****");
    writeToMessageFile(formatText("\n\t Error in reading an integer value. The value to be read "
                                  "\"%s\" is too big for an integer.",
                                  field.c_str()));
    writeToMessageFile(formatText("\n\t The maximum value that can be stored for this variable "
                                  "is %d",
                                  INT_MAX));
    fatalError(formatText("Error in reading an integer value. The value to be read \"%s\" is too "
                          "big for an integer.",
                          field.c_str()));
}

[[noreturn]] void textAfterInteger(const std::string& field, int index) {
    writeToStdoutAndMessageFile(
        formatText("\nComma delimited format error, string %s.\n", field.c_str()));
    writeToMessageFile(formatText("\n %d.\n", index));
    fatalError(formatText("Comma delimited format error, string %s.", field.c_str()));
}

bool fitsInInt(double value) { return value >= INT_MIN && value <= INT_MAX; }

// Converts through a double and cuts towards zero. With `checkSize` a value
// outside the int range is an error (the lower end too, as its magnitude is
// too big); without it the value saturates at the int limits instead of
// converting out of range.
int integerField(const std::string& text, int index, const std::string& separators,
                 bool checkSize) {
    const std::string field = fieldOfLine(text, index, separators, valueLineNumber);
    const std::size_t length = decimalNumberLength(field);
    if (length == 0) notAnInteger(field);
    const double value = std::trunc(std::strtod(field.substr(0, length).c_str(), nullptr));
    if (checkSize && !fitsInInt(value)) integerTooBig(field);
    if (!onlyBlanksAndCarriageReturns(std::string_view(field).substr(length))) {
        textAfterInteger(field, index);
    }
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

bool isEscapable(char c) { return c == ',' || c == 't' || c == 's' || c == '$' || c == '\\'; }

// End of the escaped field that starts at `position`: the next comma that is
// not escaped, or the end of the text.
std::size_t escapedFieldEnd(std::string_view text, std::size_t position) {
    while (position < text.size() && text[position] != ',') {
        const bool escape = text[position] == '\\' && position + 1 < text.size() &&
                            isEscapable(text[position + 1]);
        position += escape ? 2 : 1;
    }
    return position;
}

// The `index`-th (from 0) escaped field of `text`, still raw.
std::optional<std::string_view> nthEscapedField(std::string_view text, int index) {
    if (index < 0 || text.empty()) return std::nullopt;
    std::size_t position = 0;
    for (int current = 0;; ++current) {
        const std::size_t end = escapedFieldEnd(text, position);
        if (current == index) return text.substr(position, end - position);
        if (end == text.size()) return std::nullopt;
        position = end + 1;
    }
}

std::string unescaped(std::string_view raw) {
    std::string field;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '\\' || i + 1 >= raw.size() || !isEscapable(raw[i + 1])) {
            field += raw[i];
            continue;
        }
        const char code = raw[++i];
        field += code == 't' ? '\t' : code == 's' ? ' ' : code;
    }
    return field;
}

}  // namespace

LineList splitLines(const char* text) {
    LineList lines;
    if (text == nullptr) return lines;
    const std::string_view rest(text);
    std::size_t position = 0;
    while (position < rest.size()) {
        const std::size_t end = std::min(rest.find('\n', position), rest.size());
        if (end > position) lines.emplace_back(rest.substr(position, end - position));
        position = end + 1;
    }
    return lines;
}

void addNameLine(LineList& lines, const std::string& name) {
    lines.insert(lines.begin(), formatText("%s: %s", "name", name.c_str()));
}

Property findProperty(const LineList& lines, const std::string& key, int startLine,
                      bool mapBooleans, std::string& error) {
    const std::size_t first = startLine > 1 ? static_cast<std::size_t>(startLine) - 1 : 0;
    for (std::size_t i = first; i < lines.size(); ++i) {
        if (lineHasKey(lines[i], key)) {
            return propertyOnLine(lines[i], static_cast<int>(i) + 1, mapBooleans);
        }
    }
    error = notDefinedText;
    return Property{};
}

bool isNumberSyntax(const std::string& value) {
    const std::string_view text = trimmed(value);
    bool seenPoint = false;
    bool seenExponent = false;
    int digitsBefore = 0;
    int digitsAfter = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (isDigit(c)) {
            ++(seenExponent ? digitsAfter : digitsBefore);
        } else if (c == '.') {
            if (seenPoint || seenExponent) return false;
            seenPoint = true;
        } else if (c == 'e' || c == 'E') {
            if (seenExponent) return false;
            seenExponent = true;
        } else if (c == '+' || c == '-') {
            const bool afterExponent = i > 0 && (text[i - 1] == 'e' || text[i - 1] == 'E');
            if (i != 0 && !afterExponent) return false;
        } else {
            return false;
        }
    }
    return digitsBefore > 0 && (!seenExponent || digitsAfter > 0);
}

bool readInt(const LineList& lines, const std::string& key, int& value, std::string& error,
             int startLine) {
    value = 0;
    const Property property = findProperty(lines, key, startLine, true, error);
    return property.line != 0 && valueToInt(property.value, value, error);
}

bool readDouble(const LineList& lines, const std::string& key, double& value, std::string& error,
                int startLine) {
    value = 0.0;
    const Property property = findProperty(lines, key, startLine, true, error);
    return property.line != 0 && valueToDouble(property.value, value, error);
}

// List values are texts: booleans are not mapped, so a single-form value
// reads the same as the lines of a counted form. A negative count gives an
// empty list.
bool readList(const LineList& lines, const std::string& key, std::vector<std::string>& values,
              std::string& error, int startLine) {
    values.clear();
    std::string notFound;
    const Property property = findProperty(lines, key, startLine, false, notFound);
    if (property.line > 0) values.push_back(property.value);
    if (property.line >= 0) return true;
    int count = 0;
    if (!valueToInt(property.value, count, error)) return false;
    takeCountedLines(lines, -property.line, count, values);
    return true;
}

std::vector<std::string> readRepeated(const LineList& lines, const std::string& key,
                                      int startLine) {
    std::vector<std::string> values;
    std::string notFound;
    Property property = findProperty(lines, key, startLine, false, notFound);
    while (property.line > 0) {
        values.push_back(property.value);
        property = findProperty(lines, key, property.line + 1, false, notFound);
    }
    return values;
}

std::string fieldOfLine(const std::string& line, int index, const std::string& separators,
                        int lineNumber, const std::string& source) {
    const std::optional<std::string_view> field = nthField(line, index, separators);
    if (!field) missingField(line, lineNumber, source);
    return std::string(trimmed(*field));
}

int intField(const std::string& text, int index) { return integerField(text, index, ",", true); }

int intField(const std::string& text, int index, const std::string& separators) {
    return integerField(text, index, separators, false);
}

double doubleField(const std::string& text, int index) { return doubleField(text, index, ","); }

double doubleField(const std::string& text, int index, const std::string& separators) {
    return numberOfDoubleField(fieldOfLine(text, index, separators, valueLineNumber));
}

// Every comma starts a new field, so empty fields keep their place; an empty
// text has no field. Unescaped blanks around a field are trimmed ("\s" keeps
// a blank). The reported position is the number of characters read before
// the text ran out.
bool escapedField(const std::string& text, int index, const std::string& prefix, std::string& field,
                  std::string& error) {
    field.clear();
    if (const std::optional<std::string_view> raw = nthEscapedField(text, index)) {
        field = unescaped(trimmed(*raw));
        if (field.size() > maxEscapedFieldBytes) field.resize(maxEscapedFieldBytes);
        return true;
    }
    error = formatText("%s. Error in reading data at position %d on the comma separated line # "
                       "%d in file %s.",
                       prefix.c_str(), static_cast<int>(text.size()), valueLineNumber, apiSource);
    error = formatText("%s\n\t The line was read as:\n\t %s", error.c_str(), text.c_str());
    return false;
}

void removeKey(LineList& lines, const std::string& key) {
    std::erase_if(lines, [&key](const std::string& line) { return lineHasKey(line, key); });
}

void appendProperty(LineList& lines, const std::string& key, const std::string& value) {
    lines.push_back(formatText("%s: %s", key.c_str(), value.c_str()));
}

std::string joinLines(const LineList& lines, char separator) {
    std::string text;
    for (const std::string& line : lines) {
        if (&line != &lines.front()) text += separator;
        text += line;
    }
    return text;
}

std::string readerErrorMessage(const std::string& objectName, const std::string& objectType,
                               const std::string& source, const std::string& key,
                               const std::string& reason) {
    const std::string name = objectName.empty() ? "Name not defined" : objectName;
    return formatText("When reading data for \"%s\" of type \"%s\" from file \"%s\", VARNO "
                      "encountered the following error in reading the data for property "
                      "\"%s\":\n%s",
                      name.c_str(), objectType.c_str(), source.c_str(), key.c_str(),
                      reason.c_str());
}

}  // namespace varno
