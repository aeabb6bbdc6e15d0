#include "doe/doe_table.h"

#include <algorithm>

#include "frame/fatal_error.h"
#include "frame/text_format.h"

namespace varno::doe {

namespace {

constexpr int lettersPerRound = 25;  // A to Z without I
constexpr int maximumInteractionOrder = 39;

bool isLevelOne(int level) { return level != 0; }

}  // namespace

void generatorError(const std::string& message) {
    fatalError("\n\t**** ERROR ****" + message + "\nCannot continue.");
}

DoeTable makeTable(int type, int factors, int runs, const std::vector<int>& levelsPerColumn) {
    DoeTable table;
    const int columns = static_cast<int>(levelsPerColumn.size());
    table.type = type;
    table.num_factors = factors;
    table.num_runs = runs;
    table.num_cols = columns;
    table.factor_levels = levelsPerColumn;
    table.max_levels = levelsPerColumn.empty()
                           ? 0
                           : *std::max_element(levelsPerColumn.begin(), levelsPerColumn.end());
    table.factor_map.assign(static_cast<std::size_t>(factors), 0);
    table.col_name.assign(static_cast<std::size_t>(columns), std::string());
    table.inter_name.assign(static_cast<std::size_t>(columns), std::string());
    for (int i = 0; i < factors && i < columns; ++i) table.col_name[i] = factorLabel(i);
    table.array.assign(static_cast<std::size_t>(runs),
                       std::vector<int>(static_cast<std::size_t>(columns), 0));
    table.response.assign(static_cast<std::size_t>(runs), 0.0);
    table.sum_squares.assign(static_cast<std::size_t>(columns), 0.0);
    table.contrib.assign(static_cast<std::size_t>(columns), 0.0);
    return table;
}

std::string factorLabel(int index) {
    int letter = index % lettersPerRound;
    if (letter >= 'I' - 'A') ++letter;
    std::string label(1, static_cast<char>('A' + letter));
    label.append(static_cast<std::size_t>(index / lettersPerRound), '\'');
    return label;
}

std::vector<LabelTerm> labelTerms(const std::string& label) {
    std::vector<LabelTerm> terms;
    for (std::size_t i = 0; i < label.size(); ++i) {
        const char c = label[i];
        if (c == 'I') generatorError("\n\t Error in DOE column mapping. No label I premitted.\n");
        if (c == '\'') {
            if (!terms.empty()) terms.back().factor += lettersPerRound;
        } else if (c == '^' && i + 1 < label.size()) {
            if (!terms.empty()) terms.back().exponent = label[++i] - '0';
        } else if (c >= 'A' && c <= 'Z') {
            terms.push_back({c > 'I' ? c - 'A' - 1 : c - 'A', 1});
        }
    }
    return terms;
}

void fillProductColumn(DoeTable& table, int column, const std::string& label) {
    const std::vector<LabelTerm> terms = labelTerms(label);
    for (int r = 0; r < table.num_runs; ++r) {
        bool positive = true;
        for (const LabelTerm& term : terms) {
            if (!isLevelOne(table.level(r, term.factor))) positive = !positive;
        }
        table.level(r, column) = positive ? 1 : 0;
    }
}

void checkInteractionOrder(int order) {
    if (order > maximumInteractionOrder) {
        generatorError(
            formatText("\n\t Maximum number of interactions is %d\n", maximumInteractionOrder));
    }
}

void addInteractionColumns(DoeTable& table, int order) {
    checkInteractionOrder(order);
    // Every label made so far with its number of letters; kept or not, a
    // label is the seed of later, longer ones.
    std::vector<std::pair<std::string, int>> made;
    int column = table.num_factors;
    const auto keep = [&](const std::string& label, int letters) {
        made.emplace_back(label, letters);
        if (letters - 1 >= order || column >= table.num_cols) return;
        table.inter_name[column] = label;
        fillProductColumn(table, column, label);
        ++column;
    };
    for (int f = 1; f < table.num_factors; ++f) {
        const std::string last = factorLabel(f);
        const std::size_t before = made.size();
        for (int e = 0; e < f; ++e) keep(factorLabel(e) + last, 2);
        for (std::size_t i = 0; i < before; ++i) {
            keep(made[i].first + last, made[i].second + 1);
        }
    }
}

void fillStandardOrder(DoeTable& table, int columns, int levels) {
    for (int r = 0; r < table.num_runs; ++r) {
        int rest = r;
        for (int j = 0; j < columns; ++j) {
            table.level(r, j) = rest % levels;
            rest /= levels;
        }
    }
}

}  // namespace varno::doe
