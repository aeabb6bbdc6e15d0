// The DOE table: one generated array of runs with its column labels and
// level counts, and room for its later analysis. Shared by every generator.
#pragma once

#include <string>
#include <vector>

namespace varno::doe {

// DOE kind codes, stored and compared by the analysis and the surfaces.
enum DoeKind : int {
    kindFullFactorial2 = 0,
    kindFractionalFactorial2 = 1,
    kindPlackettBurman = 2,
    kindCentralComposite = 3,
    kindLatinHypercube = 4,
    kindUserFile = 5,
    kindDOptimal = 6,
    kindOrthogonalArray = 7,
    kindFullFactorial3 = 8,
    kindFractionalFactorial3 = 9,
    kindRobustDesign = 10,
    kindExistingDesigns = 11,
    kindOptimizedLatinHypercube = 12,
    kindHammersley = 13,
};

// Level count of a factor whose values are continuous (existing designs).
inline constexpr int continuousDoeLevels = 100001;

struct DoeTable {
    int type = 0;
    int num_factors = 0;
    int max_levels = 0;
    std::vector<int> factor_levels;       // per column
    std::vector<int> factor_map;          // per factor: design variable id, filled by the caller
    std::vector<std::string> col_name;    // factor labels (factor columns only)
    std::vector<std::string> inter_name;  // interaction and generator labels, per column
    int num_runs = 0;
    int num_cols = 0;
    std::vector<std::vector<int>> array;  // [run][column]: level index from 0
    // Filled by the analysis.
    std::vector<std::vector<int>> lev_count;   // [level][column]
    std::vector<double> response;              // per run
    std::vector<std::vector<double>> effects;  // [level][column]
    std::vector<double> sum_squares;
    std::vector<double> contrib;
    int plot_type = 0;
    std::vector<double> norm_plot_x;
    std::vector<double> sorted_resp;

    int level(int run, int column) const { return array[run][column]; }
    int& level(int run, int column) { return array[run][column]; }
};

// A zeroed table of `runs` runs over `levelsPerColumn.size()` columns, of
// which the first `factors` are factor columns labelled A, B, ...
DoeTable makeTable(int type, int factors, int runs, const std::vector<int>& levelsPerColumn);

// The label of factor `index` (from 0): A … H, J … Z, then A', B', …
std::string factorLabel(int index);

// The factor indices named by an interaction or generator label, each with
// its exponent ("^2" after a letter gives 2). 'I' in a label is fatal.
struct LabelTerm {
    int factor = 0;
    int exponent = 1;
};
std::vector<LabelTerm> labelTerms(const std::string& label);

// Fills column `column` of every run with the two-level product of the
// factor columns named by `label`: 1 when the product of (+1 for level != 0,
// -1 for level 0) is +1, else 0.
void fillProductColumn(DoeTable& table, int column, const std::string& label);

// Refuses an interaction order beyond the longest label an array keeps.
void checkInteractionOrder(int order);

// Labels columns k, k+1, … with the interactions of the k factors in the
// order of the generators, keeping labels of at most `order` letters, and
// fills those columns with their product columns. Columns beyond the kept
// labels keep empty labels and level 0.
void addInteractionColumns(DoeTable& table, int order);

// Writes run r of m columns (from `firstColumn`) in standard order: column j
// holds digit j of r in base `levels`, least significant first.
void fillStandardOrder(DoeTable& table, int columns, int levels);

// The generator error frame: the message, then "Cannot continue.", fatal.
[[noreturn]] void generatorError(const std::string& message);

}  // namespace varno::doe
