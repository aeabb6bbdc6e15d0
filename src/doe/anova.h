// The analysis of variance of an unreplicated two-level array over its
// factor columns: the defining relation, the resolution, the alias
// structure, and per term its level averages, effect, sum of squares,
// contribution and two-factor cell means, with the half-normal plot data.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "doe/doe_table.h"

namespace varno::doe {

// A term over two-level factors: bit i is set when factor i takes part.
using TermMask = unsigned;

int termOrder(TermMask term);
// The factor labels of the term's factors, in factor order.
std::string termLabel(TermMask term);
// The order in which terms are listed: lower order first; among equal
// orders, the term holding the first factor where the two differ (AB, AC, BC).
bool termBefore(TermMask a, TermMask b);

// The normal-plot kinds.
enum NormalPlotType : int { normalPlot = 0, halfNormalPlot = 1 };

// The plotting positions x_i = Φ⁻¹(p_i), i = 1 … count, of a normal plot
// (p = (i − 0.5)/count) or a half-normal plot (p = 0.5 + 0.5·(i − 0.5)/count).
// Another plot type is fatal.
std::vector<double> normalPlotPositions(int count, int plotType);

struct AnovaTerm {
    TermMask mask = 0;
    std::string label;
    int aliasOf = -1;          // the term it is an alias of; -1 for a result term
    std::vector<int> aliases;  // the terms marked as its aliases
    double average0 = 0.0;     // runs where the XOR of the term's factor levels is 0
    double average1 = 0.0;     // … is 1
    double effect = 0.0;
    double ss = 0.0;
    double contribution = 0.0;  // a fraction of the total
    // Two-factor terms: the means at (low, low), (low, high), (high, low),
    // (high, high) of the first and second factor; 0 for other terms.
    std::array<double, 4> cellMeans{};
};

struct AnovaResult {
    std::vector<TermMask> identityWords;  // sorted
    int resolution = 0;
    std::vector<AnovaTerm> terms;  // the analysed terms, sorted
    // Every analysed term's column is balanced and the result terms are
    // mutually orthogonal: only then do the sums of squares add up.
    bool regular = false;
    double total = 0.0;
    double error = 0.0;
    int plotType = halfNormalPlot;
    std::vector<int> plotTerms;  // result terms, by ascending plotted value
    std::vector<double> plotX;
    std::vector<double> plotY;

    bool isResult(int term) const { return terms[static_cast<std::size_t>(term)].aliasOf < 0; }
};

// Analyses `response` (one value per run) over the factor columns of a
// two-level `table` (level 0 low, any other level high).
AnovaResult analyseTwoLevelArray(const DoeTable& table, const std::vector<double>& response);

}  // namespace varno::doe
