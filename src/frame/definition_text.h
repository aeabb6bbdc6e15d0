// The definition text that every set-up call takes: a block of "key: value"
// lines. These free functions cut a text into lines, find a property, convert
// values to integers, doubles and lists, and read comma-separated fields.
//
// Lines are numbered from 1. A property found in the single form ("key: v")
// is reported with a positive line number, one in the counted form ("key:N",
// followed by N value lines) with a negative one.
#pragma once

#include <string>
#include <vector>

namespace varno {

using LineList = std::vector<std::string>;

// Source word that messages name for texts handed in through the interface.
inline constexpr const char* apiSource = "API";

// Cuts `text` at line feeds; empty lines are dropped, carriage returns kept.
// A null text gives no lines.
LineList splitLines(const char* text);

// Puts the line "name: <name>" in front of the list.
void addNameLine(LineList& lines, const std::string& name);

struct Property {
    int line = 0;       // 0 not found; > 0 single form; < 0 counted form
    std::string value;  // the text after the colon (one blank skipped)
};

// Finds the first line at or after `startLine` whose key is `key`. With
// `mapBooleans`, "true"/"yes" read as "1" and "false"/"no" as "0". Not found:
// line 0 and "The property is not defined." in `error`.
Property findProperty(const LineList& lines, const std::string& key, int startLine,
                      bool mapBooleans, std::string& error);

// True when `value` is a plain decimal number (digits, one point, one
// exponent, signs only in front and after the exponent).
bool isNumberSyntax(const std::string& value);

// Typed lookups (booleans mapped). On failure they return false and leave the
// reason in `error`; `value` is then 0.
bool readInt(const LineList& lines, const std::string& key, int& value, std::string& error,
             int startLine = 1);
bool readDouble(const LineList& lines, const std::string& key, double& value, std::string& error,
                int startLine = 1);

// List lookup: a single-form property gives one value, a counted-form one the
// lines that follow it. A missing key gives an empty list. False only when the
// count of a counted form is not an integer.
bool readList(const LineList& lines, const std::string& key, std::vector<std::string>& values,
              std::string& error, int startLine = 1);

// The values of every single-form line of `key`, in line order, up to the
// first counted-form line of that key.
std::vector<std::string> readRepeated(const LineList& lines, const std::string& key,
                                      int startLine = 1);

// The `index`-th (from 0) field of `line` cut at any of `separators`, trimmed;
// empty fields do not count. A missing field is a fatal error naming
// `lineNumber` and `source`.
std::string fieldOfLine(const std::string& line, int index, const std::string& separators,
                        int lineNumber, const std::string& source = apiSource);

// Comma-separated numbers inside a value; a field that is not a number is a
// fatal error. Integers are converted through a double and cut towards zero.
int intField(const std::string& text, int index);
int intField(const std::string& text, int index, const std::string& separators);
double doubleField(const std::string& text, int index);
double doubleField(const std::string& text, int index, const std::string& separators);

// Field `index` of a comma-separated line whose fields may hold "\," "\t"
// "\s" "\$" "\\" escapes. False, with the reason in `error`, when the line
// has no such field; `prefix` starts that reason.
bool escapedField(const std::string& text, int index, const std::string& prefix, std::string& field,
                  std::string& error);

// The list without the lines whose key is `key`.
void removeKey(LineList& lines, const std::string& key);

// Appends the line "<key>: <value>".
void appendProperty(LineList& lines, const std::string& key, const std::string& value);

// The lines joined into one text with `separator` between them.
std::string joinLines(const LineList& lines, char separator);

// The standard message for a property that could not be read.
std::string readerErrorMessage(const std::string& objectName, const std::string& objectType,
                               const std::string& source, const std::string& key,
                               const std::string& reason);

}  // namespace varno
