#include "doe/doe_report.h"

#include "frame/text_format.h"

namespace varno::doe {

namespace {

// The levels whose means the short report lists as "Avg Lev 0", "Avg Lev 1", …
std::vector<int> reportedLevels(int maxLevels) {
    if (maxLevels == 3) return {0, 1, 2};
    if (maxLevels == 5) return {1, 3};  // the factorial points
    return {0, 1};
}

std::string identityReport(const AnovaResult& anova) {
    std::string text = "Identity Report: I";
    for (TermMask word : anova.identityWords) text += " = " + termLabel(word);
    return text + "\n";
}

std::string aliasTable(const AnovaResult& anova) {
    std::string text = "\n\nAlias Table\n===========\n";
    for (const AnovaTerm& term : anova.terms) {
        if (term.aliasOf >= 0) continue;
        text += term.label;
        for (int alias : term.aliases) {
            text += " = " + anova.terms[static_cast<std::size_t>(alias)].label;
        }
        text += "\n";
    }
    return text;
}

std::string resultLine(const AnovaTerm& term) {
    const auto& cells = term.cellMeans;
    return term.label + formatText(", %g, %g, %g, %g, %g,%g, %g, %g, %g \n", term.average0,
                                   term.average1, term.effect, term.ss, term.contribution, cells[0],
                                   cells[1], cells[2], cells[3]);
}

std::string plotData(const AnovaResult& anova) {
    std::string text = anova.plotType == normalPlot ? "NORMAL PLOT DATA\n"
                                                    : "HALF NORMAL PLOT DATA\n";
    for (std::size_t i = 0; i < anova.plotTerms.size(); ++i) {
        const AnovaTerm& term = anova.terms[static_cast<std::size_t>(anova.plotTerms[i])];
        text += term.label + formatText(", %f, %g\n", anova.plotX[i], anova.plotY[i]);
    }
    return text + "\n\n";
}

}  // namespace

std::string reportHead(const DoeTable& table) {
    std::string text = "DOE INFORMATION\n---------------\n";
    text += formatText("Number of factors: %5d\n", table.num_factors);
    text += formatText("Number of Runs:    %5d\n", table.num_runs);
    text += "\n\n       ";
    for (int f = 0; f < table.num_factors; ++f) {
        text += formatText("    %5s,   ", table.col_name[static_cast<std::size_t>(f)].c_str());
    }
    text += "   Response\n-------";
    for (int f = 0; f < table.num_factors; ++f) text += "-------------";
    text += "------------\n";
    for (int r = 0; r < table.num_runs; ++r) {
        text += formatText("%6d,", r + 1);
        for (int f = 0; f < table.num_factors; ++f) {
            text += formatText("    %5d,   ", table.level(r, f));
        }
        text += formatText(" %20.8e\n", table.response[static_cast<std::size_t>(r)]);
    }
    return text + "\n\n";
}

std::string shortReport(const DoeTable& table) {
    const std::vector<int> levels = reportedLevels(table.max_levels);
    std::string text = "\n\n\nFINAL RESULTS\n\nSource";
    for (std::size_t i = 0; i < levels.size(); ++i) {
        text += formatText(", Avg Lev %d", static_cast<int>(i));
    }
    for (int f = 0; f < table.num_factors; ++f) {
        text += "\n   " + table.col_name[static_cast<std::size_t>(f)];
        for (int level : levels) {
            text += formatText(
                ", %10f",
                table.effects[static_cast<std::size_t>(level)][static_cast<std::size_t>(f)]);
        }
    }
    return text + "\n\n";
}

std::string fullReport(const AnovaResult& anova) {
    std::string text = identityReport(anova);
    text += formatText("SS_Size = %d\n", static_cast<int>(anova.terms.size()));
    text += aliasTable(anova);
    text += "\n\n\nFINAL RESULTS\n\n";
    text += "Source, Avg Lev 0, Avg Lev 1, Effect,  SS, Contrib, avg_ll, avg_lh, avg_hl, avg_hh\n";
    for (const AnovaTerm& term : anova.terms) {
        if (term.aliasOf < 0) text += resultLine(term);
    }
    text += formatText("Error = %g\n", anova.error);
    text += formatText("Total = %g\n", anova.total);
    return text + "\n\n" + plotData(anova);
}

}  // namespace varno::doe
