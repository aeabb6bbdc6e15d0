#include "doe/doe_analysis.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "doe/anova.h"
#include "doe/doe_report.h"
#include "frame/message_writer.h"
#include "frame/text_format.h"
#include "support/file_io.h"
#include "support/platform.h"

namespace varno::doe {

namespace {

// Beyond this many factors the analysis of variance is not attempted.
constexpr int anovaFactorLimit = 14;

std::string columnLabel(const DoeTable& table, int column) {
    const auto c = static_cast<std::size_t>(column);
    return column < table.num_factors ? table.col_name[c] : table.inter_name[c];
}

bool takesAnova(const DoeTable& table) {
    return table.max_levels == 2 && table.type != kindPlackettBurman &&
           table.type != kindDOptimal && table.num_factors < anovaFactorLimit &&
           !isConstantResponse(table.response);
}

bool takesShortReport(const DoeTable& table) {
    return table.max_levels == 2 || table.max_levels == 3 || table.max_levels == 5;
}

// Each column takes the sum of squares and percent contribution of the
// result term it is labelled with.
void fillColumnContributions(DoeTable& table, const AnovaResult& anova) {
    for (int c = 0; c < table.num_cols; ++c) {
        const std::string label = columnLabel(table, c);
        for (const AnovaTerm& term : anova.terms) {
            if (term.aliasOf >= 0 || label.empty() || term.label != label) continue;
            table.sum_squares[static_cast<std::size_t>(c)] = term.ss;
            table.contrib[static_cast<std::size_t>(c)] = 100.0 * term.contribution;
        }
    }
}

// Written to a temporary name and renamed, so that a report is either whole
// or absent.
void writeReportFile(const std::string& path, const std::string& text) {
    const std::string temporary = path + ".tmp";
    support::FileWriter writer(temporary, false);
    if (!writer.is_open()) {
        writeMessage("outptr", "warning",
                     formatText("Could not create the DOE report file \"%s\".", path.c_str()));
        return;
    }
    writer.write(text);
    writer.close();
    if (!support::renameOver(temporary, path)) {
        support::removeFile(temporary);
        writeMessage("outptr", "warning",
                     formatText("Could not create the DOE report file \"%s\".", path.c_str()));
    }
}

}  // namespace

void computeLevelMeans(DoeTable& table) {
    const auto levels = static_cast<std::size_t>(table.max_levels);
    const auto columns = static_cast<std::size_t>(table.num_cols);
    table.lev_count.assign(levels, std::vector<int>(columns, 0));
    table.effects.assign(levels, std::vector<double>(columns, 0.0));
    for (int c = 0; c < table.num_cols; ++c) {
        if (columnLabel(table, c).empty()) continue;
        for (int r = 0; r < table.num_runs; ++r) {
            const int level = table.level(r, c);
            if (level < 0 || level >= table.max_levels) continue;
            ++table.lev_count[level][c];
            table.effects[level][c] += table.response[static_cast<std::size_t>(r)];
        }
        for (std::size_t l = 0; l < levels; ++l) {
            if (table.lev_count[l][c] > 0) table.effects[l][c] /= table.lev_count[l][c];
        }
    }
}

bool isConstantResponse(const std::vector<double>& response) {
    for (std::size_t r = 1; r < response.size(); ++r) {
        const double tolerance =
            0.0001 * std::min(std::fabs(response[r - 1]), std::fabs(response[r]));
        if (!(std::fabs(response[r] - response[r - 1]) <= tolerance)) return false;
    }
    return true;
}

DoeReport analyseDoeResponse(DoeTable& table, const std::vector<double>& response,
                             const std::string& path) {
    table.response = response;
    table.response.resize(static_cast<std::size_t>(table.num_runs), 0.0);
    computeLevelMeans(table);
    table.sum_squares.assign(static_cast<std::size_t>(table.num_cols), 0.0);
    table.contrib.assign(static_cast<std::size_t>(table.num_cols), 0.0);
    std::optional<AnovaResult> anova;
    if (takesAnova(table)) {
        anova = analyseTwoLevelArray(table, table.response);
        if (!anova->regular) anova.reset();
    }
    std::string text = reportHead(table);
    DoeReport written = DoeReport::headOnly;
    if (anova) {
        fillColumnContributions(table, *anova);
        table.plot_type = anova->plotType;
        table.norm_plot_x = anova->plotX;
        table.sorted_resp = anova->plotY;
        text += fullReport(*anova);
        written = DoeReport::fullReport;
    } else if (takesShortReport(table)) {
        text += shortReport(table);
        written = DoeReport::shortReport;
    }
    writeReportFile(path, text);
    return written;
}

}  // namespace varno::doe
