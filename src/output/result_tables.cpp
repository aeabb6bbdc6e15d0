#include "output/result_tables.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <thread>
#include <utility>

#include "frame/fatal_error.h"
#include "frame/message_writer.h"
#include "frame/text_format.h"
#include "support/file_io.h"

namespace varno::output {

namespace {

constexpr int openAttempts = 5;
constexpr auto pauseBetweenAttempts = std::chrono::milliseconds(50);

int widthOf(const std::string& name, int width) {
    return std::max(width, static_cast<int>(name.size()));
}

std::string cellText(const RowCell& cell, int width, int precision) {
    switch (cell.kind) {
        case RowCell::Kind::number: return formatText(", %*.*e", width - 1, precision, cell.number);
        case RowCell::Kind::text: return formatText(",%*s", width, cell.text.c_str());
        case RowCell::Kind::inactive: break;
    }
    return formatText(",%*s", width, "INACTIVE");
}

// Opens `path` for writing, retrying a few times: another program (a
// spreadsheet, say) may hold the file for a moment.
std::optional<support::FileWriter> openWithRetries(const std::string& path, bool fresh) {
    for (int attempt = 1; attempt <= openAttempts; ++attempt) {
        std::optional<support::FileWriter> writer(std::in_place, path, !fresh);
        if (writer->is_open()) return writer;
        if (attempt < openAttempts) std::this_thread::sleep_for(pauseBetweenAttempts);
    }
    return std::nullopt;
}

[[noreturn]] void reportUnwritable(const std::string& path) {
    writeToMessageFile(
        formatText("\n\n\tError in attempting to write file:\n\t%s\n", path.c_str()));
    writeToMessageFile(formatText("\n\tError message received: %s", std::strerror(errno)));
    fatalError(formatText("Error in writing to the results file \"%s\". Make sure it is not open "
                          "in another program.",
                          path.c_str()));
}

}  // namespace

int columnWidth(int outputPrecision) { return std::max(26, outputPrecision + 10); }

const char* designFlagWord(int status) {
    switch (status) {
        case 1: return ",       SUCCESS";
        case 2: return ",      FEASIBLE";
        case 3: return ",    INFEASIBLE";
        default: return ",         ERROR";
    }
}

std::string tableHeader(const TableLayout& layout) {
    const int width = columnWidth(layout.outputPrecision);
    std::string text =
        "         Time,      Cycle  #, Evaluation  #,            Design Source,              "
        "Design Name,   Design Flag";
    if (layout.showPerformance) text += formatText(",%*s", width, "performance");
    for (const std::string& name : layout.columns) {
        text += formatText(",%*s", widthOf(name, width), name.c_str());
    }
    return text + "\n";
}

std::string tableRow(const TableLayout& layout, const ResultRow& row) {
    const int width = columnWidth(layout.outputPrecision);
    const long seconds = std::max(row.elapsedSeconds, 0L);
    std::string text = formatText("     %02ld:%02ld:%02ld, %13d, %13d, %24s", seconds / 3600,
                                  seconds / 60 % 60, seconds % 60, row.cycle, row.evaluation,
                                  row.source.c_str());
    text += formatText(", %24s", row.name.c_str());
    text += designFlagWord(row.status);
    if (layout.showPerformance) {
        const int precision = layout.outputPrecision + (row.performance < 0.0 ? 0 : 1);
        text += formatText(", %*.*e", std::max(10, width - 1), precision, row.performance);
    }
    for (std::size_t i = 0; i < layout.columns.size(); ++i) {
        const RowCell cell = i < row.cells.size() ? row.cells[i] : RowCell{};
        text += cellText(cell, widthOf(layout.columns[i], width), layout.outputPrecision);
    }
    return text + "\n";
}

ResultTables::ResultTables(std::string resultsPath, std::string graphPath, TableLayout layout,
                           bool continueOldFiles)
    : resultsPath_(std::move(resultsPath)), graphPath_(std::move(graphPath)),
      layout_(std::move(layout)), continueOldFiles_(continueOldFiles) {}

void ResultTables::append(const std::string& path, const std::string& text, bool fresh) const {
    std::optional<support::FileWriter> writer = openWithRetries(path, fresh);
    if (!writer) reportUnwritable(path);
    writer->write(text);
    if (!writer->close()) reportUnwritable(path);
}

void ResultTables::writeRow(const ResultRow& row) {
    std::string text = tableRow(layout_, row);
    const bool fresh = !headerWritten_ && !continueOldFiles_;
    if (!headerWritten_) text = tableHeader(layout_) + text;
    append(resultsPath_, text, fresh);
    append(graphPath_, text, fresh);
    headerWritten_ = true;
}

}  // namespace varno::output
