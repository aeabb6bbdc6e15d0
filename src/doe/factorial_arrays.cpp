#include "doe/factorial_arrays.h"

#include <cstdint>
#include <limits>
#include <map>
#include <utility>

#include "frame/text_format.h"

namespace varno::doe {

namespace {

using GeneratorTable = std::map<std::pair<int, int>, FractionalGenerators>;

const GeneratorTable twoLevelTable = {
    {{3, 1}, {{"C=AB"}, 1}},
    {{4, 1}, {{"D=ABC"}, 2}},
    {{5, 1}, {{"E=ABCD"}, 3}},
    {{5, 2}, {{"D=AB", "E=AC"}, 1}},
    {{6, 1}, {{"F=ABCDE"}, 4}},
    {{6, 2}, {{"E=ABC", "F=BCD"}, 2}},
    {{6, 3}, {{"D=AB", "E=AC", "F=BC"}, 1}},
    {{7, 1}, {{"G=ABCDEF"}, 5}},
    {{7, 2}, {{"F=ABCD", "G=ABDE"}, 3}},
    {{7, 3}, {{"E=ABC", "F=BCD", "G=ACD"}, 2}},
    {{7, 4}, {{"D=AB", "E=AC", "F=BC", "G=ABC"}, 1}},
    {{8, 1}, {{"H=ABCDEFG"}, 6}},
    {{8, 2}, {{"G=ABCD", "H=ABEF"}, 3}},
    {{8, 3}, {{"F=ABC", "G=ABD", "H=BCDE"}, 2}},
    {{8, 4}, {{"E=BCD", "F=ACD", "G=ABC", "H=ABD"}, 2}},
    {{9, 2}, {{"H=ACDFG", "J=BCEFG"}, 4}},
    {{9, 3}, {{"G=ABCD", "H=ACEF", "J=CDEF"}, 3}},
    {{9, 4}, {{"F=BCDE", "G=ACDE", "H=ABDE", "J=ABCE"}, 3}},
    {{9, 5}, {{"E=ABC", "F=BCD", "G=ACD", "H=ABD", "J=ABCD"}, 2}},
    {{10, 3}, {{"H=ABCG", "J=BCDE", "K=ACDF"}, 3}},
    {{10, 4}, {{"G=BCDF", "H=ACDF", "J=ABDE", "K=ABCE"}, 3}},
    {{10, 5}, {{"F=ABCD", "G=ABCE", "H=ABDE", "J=ACDE", "K=BCDE"}, 3}},
    {{10, 6}, {{"E=ABC", "F=BCD", "G=ACD", "H=ABD", "J=ABCD", "K=AB"}, 1}},
    {{11, 4}, {{"H=ABCG", "J=BCDE", "K=ACDF", "L=ABCDEFG"}, 3}},
    {{11, 5}, {{"G=CDE", "H=ABCD", "J=ABF", "K=BDEF", "L=ADEF"}, 2}},
    {{11, 6}, {{"F=ABC", "G=BCD", "H=CDE", "J=ACD", "K=ADE", "L=BDE"}, 2}},
    {{11, 7}, {{"E=ABC", "F=BCD", "G=ACD", "H=ABD", "J=ABCD", "K=AB", "L=AC"}, 1}},
};

const std::vector<std::string> thirteenFactorsIn27Runs = {
    "D=AB",   "E=AC",    "F=BC",   "G=ABC",   "H=AC^2",
    "J=BC^2", "K=ABC^2", "L=AB^2", "M=AB^2C", "N=AB^2C^2"};

std::vector<std::string> firstOf(const std::vector<std::string>& labels, std::size_t count) {
    return std::vector<std::string>(labels.begin(), labels.begin() + static_cast<long>(count));
}

const GeneratorTable threeLevelTable = {
    {{3, 1}, {{"C=AB"}, 0}},
    {{4, 1}, {{"D=ABC"}, 0}},
    {{4, 2}, {{"C=AB", "D=AB^2"}, 0}},
    {{5, 1}, {{"E=ABCD"}, 0}},
    {{5, 2}, {{"D=AB", "E=AB^2C"}, 0}},
    {{6, 2}, {{"E=ABC", "F=AB^2D"}, 0}},
    {{6, 3}, {{"D=AB", "E=AB^2C", "F=AB^2C^2"}, 0}},
    {{7, 3}, {{"E=ABC", "F=ABD", "G=AB^2C^2D"}, 0}},
    {{7, 4}, {{"D=AB", "E=AC^2", "F=BC^2", "G=AB^2C^2"}, 0}},
    {{8, 4}, {{"E=ABC", "F=ABD", "G=AB^2C^2D", "H=AB^2CD^2"}, 0}},
    {{8, 5}, {{"D=AB", "E=ABC", "F=AB^2C", "G=AC^2", "H=BC^2"}, 0}},
    {{9, 5}, {{"E=ABC", "F=ABD", "G=AB^2C^2D", "H=AB^2CD^2", "J=AC^2D^2"}, 0}},
    {{9, 6}, {{"D=AB", "E=ABC", "F=AB^2C", "G=AC^2", "H=BC^2", "J=AB^2C^2"}, 0}},
    {{10, 6}, {{"E=ABC", "F=ABD", "G=AB^2C^2D", "H=AB^2CD^2", "J=AC^2D^2", "K=BC^2D^2"}, 0}},
    {{10, 7}, {firstOf(thirteenFactorsIn27Runs, 7), 0}},
    {{11, 8}, {firstOf(thirteenFactorsIn27Runs, 8), 0}},
    {{12, 9}, {firstOf(thirteenFactorsIn27Runs, 9), 0}},
    {{13, 10}, {firstOf(thirteenFactorsIn27Runs, 10), 0}},
};

const FractionalGenerators* lookUp(const GeneratorTable& table, int k, int p) {
    const auto found = table.find({k, p});
    return found == table.end() ? nullptr : &found->second;
}

int power(int base, int exponent) {
    int result = 1;
    for (int i = 0; i < exponent; ++i) result *= base;
    return result;
}

std::vector<int> sameLevels(int columns, int levels) {
    return std::vector<int>(static_cast<std::size_t>(columns), levels);
}

// The generated factor's own letter, and the product it equals.
int generatedFactor(const std::string& generator) {
    return labelTerms(generator.substr(0, 1))[0].factor;
}
std::string generatorProduct(const std::string& generator) { return generator.substr(2); }

[[noreturn]] void missingGenerators() {
    generatorError("\n\t Error when generating fractional factorial array. \n");
}

// A full array of k factors holds levels^k runs of 2^k - 1 columns; one whose
// cells an int cannot count is refused before anything is allocated.
void checkFullArraySize(int k, int levels) {
    std::int64_t cells = 1;
    for (int i = 0; i < k; ++i) {
        cells *= 2 * levels;
        if (cells > std::numeric_limits<int>::max()) {
            generatorError(formatText(
                "\n\t Error, number of factors (%d) gives an array too large to build\n", k));
        }
    }
}

DoeTable fullFactorial(int type, int k, int order, int levels) {
    checkInteractionOrder(order);
    checkFullArraySize(k, levels);
    DoeTable table = makeTable(type, k, power(levels, k), sameLevels((1 << k) - 1, levels));
    fillStandardOrder(table, k, levels);
    addInteractionColumns(table, order);
    return table;
}

}  // namespace

const FractionalGenerators* twoLevelGenerators(int k, int p) { return lookUp(twoLevelTable, k, p); }
const FractionalGenerators* threeLevelGenerators(int k, int p) {
    return lookUp(threeLevelTable, k, p);
}

DoeTable fullFactorial2(int k, int order) { return fullFactorial(kindFullFactorial2, k, order, 2); }

DoeTable fullFactorial3(int k, int order) { return fullFactorial(kindFullFactorial3, k, order, 3); }

DoeTable fractionalFactorial2(int k, int p) {
    if (k < 3 || k > 11) {
        generatorError(formatText("\n\t Error, number of factors (%d) allowed is 3 - 11\n", k));
    }
    const FractionalGenerators* generators = twoLevelGenerators(k, p);
    if (generators == nullptr) {
        generatorError("\n\t Error when generating fractional factorial array. \n"
                       "\n\t Please check the number of factors and also the available "
                       "\n\t generator values for the selected number of factors.");
    }
    DoeTable table =
        makeTable(kindFractionalFactorial2, k, 1 << (k - p), sameLevels((1 << k) - 1, 2));
    fillStandardOrder(table, k - p, 2);
    for (const std::string& generator : generators->labels) {
        const int column = generatedFactor(generator);
        fillProductColumn(table, column, generatorProduct(generator));
        table.inter_name[column] = generator;
    }
    addInteractionColumns(table, generators->order);
    return table;
}

DoeTable fractionalFactorial3(int k, int p) {
    if (k < 3 || k > 13) {
        generatorError(formatText("\n\t Error, number of factors (%d) allowed is 3 - 13\n", k));
    }
    const FractionalGenerators* generators = threeLevelGenerators(k, p);
    if (generators == nullptr) missingGenerators();
    DoeTable table = makeTable(kindFractionalFactorial3, k, power(3, k - p), sameLevels(k, 3));
    fillStandardOrder(table, k - p, 3);
    for (const std::string& generator : generators->labels) {
        const int column = generatedFactor(generator);
        const std::vector<LabelTerm> terms = labelTerms(generatorProduct(generator));
        for (int r = 0; r < table.num_runs; ++r) {
            int sum = 0;
            for (const LabelTerm& term : terms) sum += term.exponent * table.level(r, term.factor);
            table.level(r, column) = sum % 3;
        }
        table.inter_name[column] = generator;
    }
    return table;
}

// Levels 1 and 3 are the factorial points, 0 and 4 the axial ones, 2 the
// centre.
DoeTable centralComposite(int k) {
    checkFullArraySize(k, 1);
    const int corners = 1 << k;
    DoeTable table = makeTable(kindCentralComposite, k, corners + 2 * k + 1, sameLevels(k, 5));
    fillStandardOrder(table, k, 2);
    for (int r = 0; r < table.num_runs; ++r) {
        for (int j = 0; j < k; ++j) {
            int& level = table.level(r, j);
            level = r < corners ? 1 + 2 * level : 2;
        }
    }
    for (int i = 0; i < k; ++i) {
        table.level(corners + 2 * i, i) = 0;
        table.level(corners + 2 * i + 1, i) = 4;
    }
    return table;
}

}  // namespace varno::doe
