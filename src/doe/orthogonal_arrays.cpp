#include "doe/orthogonal_arrays.h"

#include <algorithm>

#include "doe/two_level_arrays.h"
#include "frame/text_format.h"

namespace varno::doe {

namespace {

// Stored arrays, values from 1, one text per run.
const std::vector<std::string> storedL4 = {"111", "122", "212", "221"};
const std::vector<std::string> storedL8 = {"1111111", "2121212", "1221122", "2211221",
                                           "1112222", "2122121", "1222211", "2212112"};
const std::vector<std::string> storedL9 = {"1111", "1222", "1333", "2123", "2231",
                                           "2312", "3132", "3213", "3321"};
const std::vector<std::string> storedL12 = {
    "11111111111", "11111222222", "11222111222", "12122122112", "12212212121", "12221221211",
    "21221122121", "21212221112", "21122212211", "22211112212", "22121211122", "22112121221"};
const std::vector<std::string> storedL18 = {
    "11111111", "11222222", "11333333", "12112233", "12223311", "12331122",
    "13121323", "13232131", "13313212", "21133221", "21211332", "21322113",
    "22123132", "22231213", "22312321", "23132312", "23213123", "23321231"};

// A difference scheme D(12, 12, 3), values from 1: for any two columns, the
// differences of their entries (mod 3) take each value four times.
const std::vector<std::string> differenceScheme12 = {
    "111111111111", "111122223333", "111213332223", "112331231232", "121332313122", "123123131322",
    "123231123213", "123313222131", "132131322321", "132213213312", "132322132113", "133222311231"};

const std::vector<OrthogonalArrayInfo> arrayTable = {
    {"L4", 4, 2, 3, 3},       {"L8", 8, 4, 7, 7},       {"L12", 12, 6, 11, 11},
    {"L16", 16, 8, 15, 15},   {"L32", 32, 16, 31, 31},  {"L72", 72, 7, 36, 36},
    {"L80", 80, 7, 40, 40},   {"L88", 88, 7, 44, 44},   {"L96", 96, 7, 48, 48},
    {"L104", 104, 7, 52, 52}, {"L112", 112, 7, 56, 56}, {"L120", 120, 7, 60, 60},
    {"L128", 128, 8, 64, 64}, {"L9", 9, 2, 4, 0},       {"L18", 18, 3, 8, 1},
    {"L27", 27, 3, 13, 0},    {"L36", 36, 4, 16, 3},    {"L81", 81, 4, 40, 0},
};

constexpr int indexL18 = 14;
constexpr int indexL36 = 16;

std::vector<std::vector<int>> fromText(const std::vector<std::string>& runs) {
    std::vector<std::vector<int>> rows;
    for (const std::string& run : runs) {
        std::vector<int> row;
        for (char c : run) row.push_back(c - '1');
        rows.push_back(std::move(row));
    }
    return rows;
}

// The three-level array of 3^m runs: one column per non-zero vector of
// GF(3)^m whose first non-zero entry is 1, level = the vector's dot product
// with the run's digits, mod 3.
std::vector<std::vector<int>> threeLevelLinear(int m) {
    int runs = 1;
    for (int i = 0; i < m; ++i) runs *= 3;
    std::vector<std::vector<int>> directions;
    for (int v = 1; v < runs; ++v) {
        std::vector<int> digits;
        for (int rest = v, i = 0; i < m; ++i, rest /= 3) digits.push_back(rest % 3);
        const auto first =
            std::find_if(digits.rbegin(), digits.rend(), [](int d) { return d != 0; });
        if (*first == 1) directions.push_back(digits);
    }
    std::vector<std::vector<int>> rows(static_cast<std::size_t>(runs));
    for (int r = 0; r < runs; ++r) {
        for (const std::vector<int>& direction : directions) {
            int sum = 0;
            for (int rest = r, i = 0; i < m; ++i, rest /= 3) sum += direction[i] * (rest % 3);
            rows[r].push_back(sum % 3);
        }
    }
    return rows;
}

// The mixed array of 36 runs with 3 two-level and 13 three-level columns.
// Developing the difference scheme (row i plus s, s = 0, 1, 2) gives 12
// orthogonal three-level columns; row i itself acts as a 12-level column,
// which is split into one three-level column (i / 4) and the three columns
// of the two-level array of 4 runs (row i mod 4).
std::vector<std::vector<int>> mixedArray36() {
    const std::vector<std::vector<int>> scheme = fromText(differenceScheme12);
    const std::vector<std::vector<int>> fourRuns = fromText(storedL4);
    std::vector<std::vector<int>> rows;
    for (int i = 0; i < 12; ++i) {
        for (int s = 0; s < 3; ++s) {
            std::vector<int> row = fourRuns[static_cast<std::size_t>(i % 4)];
            row.push_back(i / 4);
            for (int entry : scheme[static_cast<std::size_t>(i)]) row.push_back((entry + s) % 3);
            rows.push_back(std::move(row));
        }
    }
    return rows;
}

[[noreturn]] void mixedRefusal(const char* format, const std::string& name, int allowed,
                               const char* found, int count) {
    generatorError(formatText(format, name.c_str(), allowed) + formatText(found, count));
}

// The columns of a mixed array that the factors take, two-level ones first.
std::vector<int> mixedColumns(const OrthogonalArrayInfo& info, std::vector<int>& levels,
                              std::vector<int>& ids) {
    const int three = static_cast<int>(std::count(levels.begin(), levels.end(), 3));
    const int two = static_cast<int>(levels.size()) - three;
    const std::string name = info.name;
    if (three < 2) {
        mixedRefusal("\n\t Error in the DOE definition. The Taguchi Array %s requires selecting at "
                     "least %d 3 level variables.",
                     name, 2, "\n\t Found %d 3 level variables.", three);
    }
    if (two > info.twoLevelColumns) {
        mixedRefusal("\n\t Error in the DOE definition. The Taguchi Array %s only allows %d 2 "
                     "level variables.",
                     name, info.twoLevelColumns, "\n\t Found %d 2 level variables.", two);
    }
    const int threeColumns = info.mostFactors - info.twoLevelColumns;
    if (three > threeColumns) {
        mixedRefusal("\n\t Error in the DOE definition. The Taguchi Array %s only allows %d 3 "
                     "level variables.",
                     name, threeColumns, "\n\t Found %d 3 level variables.", three);
    }
    std::vector<std::size_t> order(levels.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return levels[a] < levels[b]; });
    std::vector<int> sortedLevels, sortedIds, columns;
    for (std::size_t i : order) {
        sortedLevels.push_back(levels[i]);
        sortedIds.push_back(ids[i]);
    }
    levels = sortedLevels;
    ids = sortedIds;
    for (int j = 0; j < two; ++j) columns.push_back(info.twoLevelColumns - two + j);
    for (int j = 0; j < three; ++j) columns.push_back(info.twoLevelColumns + j);
    return columns;
}

}  // namespace

const std::vector<OrthogonalArrayInfo>& orthogonalArrays() { return arrayTable; }

int orthogonalArrayIndex(const std::string& name) {
    for (std::size_t i = 0; i < arrayTable.size(); ++i) {
        if (name == arrayTable[i].name) return static_cast<int>(i);
    }
    return -1;
}

std::vector<std::vector<int>> orthogonalArrayRows(int index) {
    const std::string name = arrayTable[static_cast<std::size_t>(index)].name;
    if (name == "L4") return fromText(storedL4);
    if (name == "L8") return fromText(storedL8);
    if (name == "L9") return fromText(storedL9);
    if (name == "L12") return fromText(storedL12);
    if (name == "L18") return fromText(storedL18);
    if (name == "L27") return threeLevelLinear(3);
    if (name == "L81") return threeLevelLinear(4);
    if (name == "L36") return mixedArray36();
    const OrthogonalArrayInfo& info = arrayTable[static_cast<std::size_t>(index)];
    std::vector<std::vector<int>> rows = twoLevelColumns(hadamardMatrix(info.runs));
    for (std::vector<int>& row : rows) row.resize(static_cast<std::size_t>(info.mostFactors));
    return rows;
}

DoeTable orthogonalArray(int k, int index, std::vector<int> levelsPerFactor,
                         std::vector<int> variableIds) {
    if (index < 0 || index >= static_cast<int>(arrayTable.size())) {
        generatorError("\n\t Error in specifying the Taguchi array to use. The specified array is "
                       "not supported.\n\t Exiting");
    }
    const OrthogonalArrayInfo& info = arrayTable[static_cast<std::size_t>(index)];
    const bool mixed = index == indexL18 || index == indexL36;
    std::vector<int> columns;
    if (mixed) {
        columns = mixedColumns(info, levelsPerFactor, variableIds);
    } else {
        for (int j = 0; j < k; ++j) columns.push_back(j);
    }
    std::vector<int> levels;
    for (int column : columns) levels.push_back(column < info.twoLevelColumns ? 2 : 3);
    const std::vector<std::vector<int>> rows = orthogonalArrayRows(index);
    DoeTable table = makeTable(kindOrthogonalArray, k, info.runs, levels);
    for (int r = 0; r < info.runs; ++r) {
        for (int j = 0; j < k; ++j) table.level(r, j) = rows[r][columns[j]];
    }
    table.factor_map = variableIds;
    return table;
}

}  // namespace varno::doe
