// The results table (.res) and its twin graph table (.gph): one header per
// run, then one row per evaluated design, written and flushed as soon as the
// design is evaluated so that a crash of the host loses no evaluated row.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace varno::output {

// One value of a row after the performance.
struct RowCell {
    enum class Kind { number, text, inactive };
    Kind kind = Kind::inactive;
    double number = 0.0;
    std::string text;

    static RowCell of(double value) { return {Kind::number, value, {}}; }
    static RowCell ofText(std::string value) { return {Kind::text, 0.0, std::move(value)}; }
};

struct TableLayout {
    bool showPerformance = true;       // optimization and evaluation agents
    std::vector<std::string> columns;  // names of the values after the performance
    int outputPrecision = 15;
};

struct ResultRow {
    long elapsedSeconds = 0;
    int cycle = 0;
    int evaluation = 0;
    std::string source = "CurrentStudy";
    std::string name;
    int status = 0;  // design status; 1 to 3 are evaluated designs
    double performance = 0.0;
    std::vector<RowCell> cells;  // one per layout column
};

// The width of every column: at least 26, and the precision plus 10.
int columnWidth(int outputPrecision);

// The header line and the text of one row.
std::string tableHeader(const TableLayout& layout);
std::string tableRow(const TableLayout& layout, const ResultRow& row);

// ",       SUCCESS" and the like for a design status.
const char* designFlagWord(int status);

class ResultTables {
public:
    // `continueOldFiles`: a resumed run adds to the tables of the run before.
    ResultTables(std::string resultsPath, std::string graphPath, TableLayout layout,
                 bool continueOldFiles);

    // Appends the row to both tables (with the header first in a run); fatal
    // when a table cannot be written.
    void writeRow(const ResultRow& row);

    const std::string& resultsPath() const { return resultsPath_; }
    const std::string& graphPath() const { return graphPath_; }

private:
    void append(const std::string& path, const std::string& text, bool fresh) const;

    std::string resultsPath_;
    std::string graphPath_;
    TableLayout layout_;
    bool continueOldFiles_;
    bool headerWritten_ = false;
};

}  // namespace varno::output
