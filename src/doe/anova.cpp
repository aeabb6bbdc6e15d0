#include "doe/anova.h"

#include <algorithm>
#include <bit>
#include <boost/math/distributions/normal.hpp>
#include <cmath>

#include "doe/doe_sort.h"
#include "frame/fatal_error.h"

namespace varno::doe {

namespace {

bool oddCount(unsigned bits) { return (std::popcount(bits) & 1) != 0; }

// The sign product over the term's factors in a run (−1 for each low factor).
int termSign(TermMask term, TermMask highFactors) { return oddCount(term & ~highFactors) ? -1 : 1; }

// Per run, the factors at their high level.
std::vector<TermMask> highFactorsPerRun(const DoeTable& table) {
    std::vector<TermMask> high(static_cast<std::size_t>(table.num_runs), 0);
    for (int r = 0; r < table.num_runs; ++r) {
        for (int f = 0; f < table.num_factors; ++f) {
            if (table.level(r, f) != 0) high[r] |= TermMask{1} << f;
        }
    }
    return high;
}

// The terms of one order, in odometer order.
std::vector<TermMask> termsOfOrder(int factors, int order) {
    std::vector<TermMask> terms;
    for (TermMask term = 1; term < (TermMask{1} << factors); ++term) {
        if (termOrder(term) == order) terms.push_back(term);
    }
    return terms;
}

void sortTerms(std::vector<TermMask>& terms) {
    std::vector<int> index(terms.size());
    for (std::size_t i = 0; i < index.size(); ++i) index[i] = static_cast<int>(i);
    quicksortIndex(
        index, [&terms](int a, int b) { return termBefore(terms[a], terms[b]); }, SortKind::terms);
    std::vector<TermMask> sorted;
    for (int i : index) sorted.push_back(terms[static_cast<std::size_t>(i)]);
    terms = std::move(sorted);
}

// Words of the defining relation: terms whose sign product is the same in
// every run.
std::vector<TermMask> definingWords(const std::vector<TermMask>& high, int factors) {
    std::vector<TermMask> words;
    for (int order = 1; order <= factors; ++order) {
        for (TermMask term : termsOfOrder(factors, order)) {
            const int first = termSign(term, high.front());
            bool same = true;
            for (TermMask run : high) same = same && termSign(term, run) == first;
            if (same) words.push_back(term);
        }
    }
    return words;
}

std::vector<AnovaTerm> analysedTerms(int factors, int highestOrder) {
    std::vector<TermMask> masks;
    for (int order = 1; order <= highestOrder; ++order) {
        for (TermMask term : termsOfOrder(factors, order)) masks.push_back(term);
    }
    sortTerms(masks);
    std::vector<AnovaTerm> terms(masks.size());
    for (std::size_t i = 0; i < masks.size(); ++i) {
        terms[i].mask = masks[i];
        terms[i].label = termLabel(masks[i]);
    }
    return terms;
}

// A term that is already an alias marks no others.
void markAliases(AnovaResult& result, int factors) {
    std::vector<int> position(std::size_t{1} << factors, -1);
    for (std::size_t i = 0; i < result.terms.size(); ++i) {
        position[result.terms[i].mask] = static_cast<int>(i);
    }
    for (std::size_t t = 0; t < result.terms.size(); ++t) {
        if (result.terms[t].aliasOf >= 0) continue;
        for (TermMask word : result.identityWords) {
            const int alias = position[result.terms[t].mask ^ word];
            if (alias < 0 || result.terms[alias].aliasOf >= 0) continue;
            result.terms[alias].aliasOf = static_cast<int>(t);
            result.terms[t].aliases.push_back(alias);
        }
    }
}

// Whether each term's sign column sums to zero, worked out once per term.
class BalanceCheck {
public:
    BalanceCheck(const std::vector<TermMask>& high, int factors)
        : high_(high), known_(std::size_t{1} << factors, unknown) {}

    bool balanced(TermMask term) {
        signed char& known = known_[term];
        if (known == unknown) {
            long sum = 0;
            for (TermMask run : high_) sum += termSign(term, run);
            known = sum == 0 ? 1 : 0;
        }
        return known == 1;
    }

private:
    static constexpr signed char unknown = -1;
    const std::vector<TermMask>& high_;
    std::vector<signed char> known_;
};

// The product of two sign columns is the column of the XOR of the terms, so
// two terms are orthogonal when that column is balanced.
bool isRegular(const AnovaResult& result, const std::vector<TermMask>& high, int factors) {
    if (result.terms.empty()) return false;
    BalanceCheck check(high, factors);
    for (const AnovaTerm& term : result.terms) {
        if (!check.balanced(term.mask)) return false;
    }
    for (std::size_t a = 0; a < result.terms.size(); ++a) {
        if (!result.isResult(static_cast<int>(a))) continue;
        for (std::size_t b = a + 1; b < result.terms.size(); ++b) {
            if (!result.isResult(static_cast<int>(b))) continue;
            if (!check.balanced(result.terms[a].mask ^ result.terms[b].mask)) return false;
        }
    }
    return true;
}

void computeCellMeans(AnovaTerm& term, const std::vector<TermMask>& high,
                      const std::vector<double>& response) {
    const TermMask first = term.mask & (~term.mask + 1);
    const TermMask second = term.mask & ~first;
    const double runs = static_cast<double>(response.size());
    for (std::size_t r = 0; r < response.size(); ++r) {
        const int cell = ((high[r] & first) ? 2 : 0) + ((high[r] & second) ? 1 : 0);
        term.cellMeans[static_cast<std::size_t>(cell)] += 4.0 * response[r] / runs;
    }
}

void computeEffect(AnovaTerm& term, const std::vector<TermMask>& high,
                   const std::vector<double>& response) {
    double s0 = 0.0;
    double s1 = 0.0;
    for (std::size_t r = 0; r < response.size(); ++r) {
        (oddCount(term.mask & high[r]) ? s1 : s0) += response[r];
    }
    const double runs = static_cast<double>(response.size());
    term.average0 = 2.0 * s0 / runs;
    term.average1 = 2.0 * s1 / runs;
    term.effect = 2.0 * (s1 - s0) / runs;
    term.ss = (s1 - s0) * (s1 - s0) / runs;
    if (termOrder(term.mask) == 2) computeCellMeans(term, high, response);
}

double totalSumOfSquares(const std::vector<double>& response) {
    double sum = 0.0;
    double squares = 0.0;
    for (double y : response) sum += y, squares += y * y;
    return squares - sum * sum / static_cast<double>(response.size());
}

void halfNormalPlotData(AnovaResult& result) {
    std::vector<int> plotted;
    std::vector<double> values;
    for (std::size_t t = 0; t < result.terms.size(); ++t) {
        if (!result.isResult(static_cast<int>(t))) continue;
        plotted.push_back(static_cast<int>(t));
        const double effect = result.terms[t].effect;
        values.push_back(result.plotType == normalPlot ? effect : std::fabs(effect));
    }
    result.plotX = normalPlotPositions(static_cast<int>(values.size()), result.plotType);
    for (int i : sortedValueIndex(values)) {
        result.plotTerms.push_back(plotted[static_cast<std::size_t>(i)]);
        result.plotY.push_back(values[static_cast<std::size_t>(i)]);
    }
}

}  // namespace

int termOrder(TermMask term) { return std::popcount(term); }

std::string termLabel(TermMask term) {
    std::string label;
    for (int f = 0; term >> f != 0; ++f) {
        if ((term >> f) & 1U) label += factorLabel(f);
    }
    return label;
}

bool termBefore(TermMask a, TermMask b) {
    if (termOrder(a) != termOrder(b)) return termOrder(a) < termOrder(b);
    const TermMask firstDifference = (a ^ b) & (~(a ^ b) + 1);
    return (a & firstDifference) != 0;
}

std::vector<double> normalPlotPositions(int count, int plotType) {
    if (plotType != normalPlot && plotType != halfNormalPlot) {
        fatalError("Invalid normal plot type selected.\nError in selecting the normal plot type.");
    }
    const boost::math::normal standard(0.0, 1.0);
    std::vector<double> positions;
    for (int i = 1; i <= count; ++i) {
        const double share = (i - 0.5) / count;
        const double p = plotType == normalPlot ? share : 0.5 + 0.5 * share;
        positions.push_back(boost::math::quantile(standard, p));
    }
    return positions;
}

AnovaResult analyseTwoLevelArray(const DoeTable& table, const std::vector<double>& response) {
    const int factors = table.num_factors;
    const std::vector<TermMask> high = highFactorsPerRun(table);
    AnovaResult result;
    result.identityWords = definingWords(high, factors);
    sortTerms(result.identityWords);
    result.resolution = factors + 1;
    for (TermMask word : result.identityWords) {
        result.resolution = std::min(result.resolution, termOrder(word));
    }
    result.terms = analysedTerms(factors, result.resolution - 1);
    markAliases(result, factors);
    result.regular = isRegular(result, high, factors);
    for (AnovaTerm& term : result.terms) computeEffect(term, high, response);
    result.total = totalSumOfSquares(response);
    result.error = result.total;
    for (std::size_t t = 0; t < result.terms.size(); ++t) {
        AnovaTerm& term = result.terms[t];
        term.contribution = result.total != 0.0 ? term.ss / result.total : 0.0;
        if (term.aliasOf < 0) result.error -= term.ss;
    }
    halfNormalPlotData(result);
    return result;
}

}  // namespace varno::doe
