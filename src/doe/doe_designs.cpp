#include "doe/doe_designs.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <utility>

#include "doe/factorial_arrays.h"
#include "doe/orthogonal_arrays.h"
#include "doe/space_filling.h"
#include "doe/two_level_arrays.h"
#include "frame/fatal_error.h"
#include "frame/message_writer.h"
#include "frame/text_format.h"
#include "support/platform.h"

namespace varno::doe {

namespace {

constexpr double machineEpsilon = 2.220446049250313e-16;

bool isLatinHypercubeFamily(int kind) {
    return kind == kindLatinHypercube || kind == kindOptimizedLatinHypercube ||
           kind == kindHammersley;
}

const char* kindWords(int kind) {
    switch (kind) {
        case kindFullFactorial2: return "2 level Full Factorial";
        case kindFractionalFactorial2: return "2 level Fractional Factorial";
        case kindCentralComposite: return "Central Composite";
        case kindUserFile: return "User Defined";
        case kindDOptimal: return "D-Optimal";
        case kindOrthogonalArray: return "Orthogonal Array";
        case kindFullFactorial3: return "3 level Full Factorial";
        case kindFractionalFactorial3: return "3 level Fractional Factorial";
        default: return "Latin Hypercube";
    }
}

const model::StudyVariable& variableWithId(const model::Representation& variables, int id) {
    for (const model::StudyVariable& v : variables.data) {
        if (v.id == id) return v;
    }
    fatalError(
        formatText("%s to the design variables in the Representation %d.",
                   formatText("Error in mapping design variable from the DOE %d", id).c_str(), 0));
}

[[noreturn]] void inconsistentLevels(int agentNumber) {
    std::string text = formatText("Error in the problem definition for Agent %d.", agentNumber);
    text = formatText("%s The number of levels defined in the Representation %d", text.c_str(), 0);
    fatalError(formatText("%s is not consistent with the doe type defined.", text.c_str()));
}

void checkLevelCounts(const DoeSettings& settings, const DoeContext& context) {
    const int required = requiredLevelValues(settings);
    for (int id : context.variables.doe_factor_map) {
        const int count = static_cast<int>(variableWithId(context.variables, id).doe_vals.size());
        const bool ok = required > 0                           ? count == required
                        : settings.kind == kindOrthogonalArray ? count == 2 || count == 3
                        : settings.kind == kindUserFile        ? count <= settings.numLevels
                                                               : true;
        if (!ok) inconsistentLevels(context.agentNumber);
    }
}

std::vector<int> factorLevelCounts(const DoeContext& context) {
    std::vector<int> counts;
    for (int id : context.variables.doe_factor_map) {
        counts.push_back(static_cast<int>(variableWithId(context.variables, id).doe_vals.size()));
    }
    return counts;
}

// The integers of the next line; `text` keeps the line for messages. A field
// that is not an integer ends the list and sets `clean` to false.
std::vector<int> readFileLine(std::istream& in, std::string& text, bool& clean) {
    text.clear();
    std::getline(in, text);
    if (!text.empty() && text.back() == '\r') text.pop_back();
    std::istringstream fields(text);
    std::vector<int> values;
    for (int v = 0; fields >> v;) values.push_back(v);
    clean = fields.eof();
    return values;
}

[[noreturn]] void badDoeFile(const std::string& path, const std::string& reason) {
    generatorError(formatText("\n\t Error in DOE file %s: %s\n", path.c_str(), reason.c_str()));
}

double levelValue(const model::StudyVariable& variable, int level, const DoeSettings& settings) {
    const std::vector<double>& values = variable.doe_vals;
    if (!isLatinHypercubeFamily(settings.kind)) return values[static_cast<std::size_t>(level)];
    const double a = values[0];
    const double b = values[1];
    const double fraction = static_cast<double>(level) / (settings.numLevels - 1);
    if (variable.discrete == 0) return a + (b - a) * fraction;
    if (b - a <= 0.0) {
        writeMessage("outptr", "internal error",
                     "Zero or negative resolution passed into map resolution. Continuing if "
                     "possible.");
        return a;
    }
    // Items a … b, each an equal share of the levels.
    const double items = b - a + 1.0;
    return a + std::min(std::floor(items * level / settings.numLevels), b - a);
}

void checkWithinLevels(const model::StudyVariable& variable, double value, double lo, double hi) {
    if (value >= lo - machineEpsilon && value <= hi + machineEpsilon) return;
    fatalError(formatText("%s as received from the DOE. Error receiving designs from the DOE.",
                          formatText("The value for variable id %d lies outside the domain "
                                     "specified by the user",
                                     variable.id)
                              .c_str()));
}

double checkedLevelValue(const model::StudyVariable& variable, int level,
                         const DoeSettings& settings) {
    if (!isLatinHypercubeFamily(settings.kind) &&
        level >= static_cast<int>(variable.doe_vals.size())) {
        fatalError(formatText("The DOE array gives level %d to variable id %d, which has %d "
                              "level values.",
                              level + 1, variable.id, static_cast<int>(variable.doe_vals.size())));
    }
    const double value = levelValue(variable, level, settings);
    const auto [lo, hi] = std::minmax_element(variable.doe_vals.begin(), variable.doe_vals.end());
    checkWithinLevels(variable, value, *lo, *hi);
    return value;
}

// Position of each column's factor among the study variables.
std::vector<std::size_t> columnPositions(const DoeTable& table,
                                         const model::Representation& variables) {
    std::vector<std::size_t> positions;
    for (int id : table.factor_map) {
        const model::StudyVariable& v = variableWithId(variables, id);
        positions.push_back(static_cast<std::size_t>(&v - variables.data.data()));
    }
    return positions;
}

}  // namespace

void checkDoeFactors(const DoeSettings& settings, const DoeContext& context) {
    const model::Representation& variables = context.variables;
    if (!variables.doe_noise_factor_map.empty()) {
        fatalError("Noise factors can only be defined for Taguchi Robust DOE. Error is in the DOE "
                   "definition.");
    }
    const int added = static_cast<int>(variables.doe_factor_map.size());
    if (settings.numFactors != added) {
        fatalError(formatText("The DOE method names %d factors (numFactors) but %d DOE factors "
                              "were added to the study.",
                              settings.numFactors, added));
    }
    if (settings.numFactors < 2 && settings.kind != kindPlackettBurman &&
        settings.kind != kindExistingDesigns) {
        fatalError(formatText("At least TWO factors need to be defined for using the %s DOE in "
                              "agent # %d.",
                              kindWords(settings.kind), context.agentNumber));
    }
    const std::int64_t runs = plannedRuns(settings);
    if (runs > maximumDesignsPerStudy) {
        fatalError(formatText("The DOE array of the study has %lld runs, more than the limit of "
                              "%d designs per study.",
                              static_cast<long long>(runs), maximumDesignsPerStudy));
    }
    checkLevelCounts(settings, context);
}

DoeTable doeFromFile(const std::string& path, int agentNumber) {
    std::ifstream in(support::pathFromUtf8(path));
    if (!in) generatorError(formatText("\n\t Could not open DOE file: %s\n", path.c_str()));
    std::string text;
    bool clean = true;
    const std::vector<int> head = readFileLine(in, text, clean);
    if (head.size() != 3 || !clean || head[0] < 1 || head[2] < 1) {
        badDoeFile(path, formatText("the first line \"%s\" must give the numbers of runs, "
                                    "factors and levels",
                                    text.c_str()));
    }
    const int runs = head[0], factors = head[1], levels = head[2];
    if (factors < 2) {
        fatalError(formatText("At least TWO factors need to be defined for using the User Defined "
                              "DOE in agent # %d.",
                              agentNumber));
    }
    if (runs > maximumDesignsPerStudy) {
        badDoeFile(path, formatText("%d runs are more than the limit of %d designs per study", runs,
                                    maximumDesignsPerStudy));
    }
    // The rows are read before the table is made, so that what is allocated
    // is bounded by what the file holds, not by the counts it claims.
    std::vector<std::vector<int>> rows;
    for (int r = 0; r < runs; ++r) {
        std::vector<int> row = readFileLine(in, text, clean);
        if (!clean) {
            badDoeFile(path, formatText("run %d \"%s\" holds a value that is not a level index",
                                        r + 1, text.c_str()));
        }
        if (static_cast<int>(row.size()) != factors) {
            badDoeFile(path, formatText("run %d has %d levels, expected %d (one per factor)", r + 1,
                                        static_cast<int>(row.size()), factors));
        }
        for (int j = 0; j < factors; ++j) {
            if (row[j] < 0 || row[j] >= levels) {
                badDoeFile(path, formatText("level %d of factor %d in run %d is outside 0 to %d",
                                            row[j], j + 1, r + 1, levels - 1));
            }
        }
        rows.push_back(std::move(row));
    }
    DoeTable table = makeTable(kindUserFile, factors, runs,
                               std::vector<int>(static_cast<std::size_t>(factors), levels));
    table.array = std::move(rows);
    return table;
}

DoeTable buildDoeTable(const DoeSettings& s, const DoeContext& context) {
    const int k = s.numFactors;
    search::RandomStream& random = context.random;
    const std::vector<int>& ids = context.variables.doe_factor_map;
    if (isLatinHypercubeFamily(s.kind)) {
        writeMessage("stdout", "note", "Generating the Latin Hypercube based design array...");
    }
    DoeTable table;
    switch (s.kind) {
        case kindFullFactorial2: table = fullFactorial2(k, s.order); break;
        case kindFractionalFactorial2: table = fractionalFactorial2(k, s.order); break;
        case kindPlackettBurman: table = plackettBurman(k, s.numRuns); break;
        case kindCentralComposite: table = centralComposite(k); break;
        case kindLatinHypercube:
            table = latinHypercube(k, s.numRuns, s.numLevels, s.lhsTries, random);
            break;
        case kindUserFile: {
            const auto separator = static_cast<char>(std::filesystem::path::preferred_separator);
            table =
                doeFromFile(formatText("%s%cDoe_input.in", context.studyFolder.c_str(), separator),
                            context.agentNumber);
            if (table.num_factors != k) {
                fatalError(formatText("The DOE file %sDoe_input.in has %d factors; the DOE method "
                                      "names %d (numFactors).",
                                      context.studyFolder.c_str(), table.num_factors, k));
            }
            break;
        }
        case kindDOptimal: table = dOptimal(k, s.numRuns, context.agentNumber, random); break;
        case kindOrthogonalArray:
            return orthogonalArray(k, s.taguchiArray, factorLevelCounts(context), ids);
        case kindFullFactorial3: table = fullFactorial3(k, s.order); break;
        case kindFractionalFactorial3: table = fractionalFactorial3(k, s.order); break;
        case kindOptimizedLatinHypercube:
            table = optimizedLatinHypercube(k, s.numRuns, s.lhcoTimeLimit, random);
            break;
        case kindHammersley: table = hammersleyDesign(k, s.numRuns, random); break;
        case kindExistingDesigns:
            fatalError("The existing-designs array is built from the study's designs.");
        default: fatalError("Unknown type of DOE defined in the *CONTROL_DOE keyword.");
    }
    table.factor_map.assign(ids.begin(), ids.begin() + std::min<long>(static_cast<long>(ids.size()),
                                                                      table.num_factors));
    return table;
}

DoeTable existingDesignsTable(const std::vector<std::vector<double>>& designs,
                              const model::Representation& variables) {
    if (designs.empty()) {
        fatalError(formatText("%s The DOE type selected requires you to specify the designs to be "
                              "used in the RSM fit.",
                              "Either could not locate the UserDesigns file or this file did not "
                              "contain any designs.\n"));
    }
    const int k = static_cast<int>(variables.doe_factor_map.size());
    const int levels = continuousDoeLevels;
    DoeTable table = makeTable(kindExistingDesigns, k, static_cast<int>(designs.size()),
                               std::vector<int>(static_cast<std::size_t>(k), levels));
    table.factor_map = variables.doe_factor_map;
    const std::vector<std::size_t> positions = columnPositions(table, variables);
    bool warned = false;
    for (int j = 0; j < k; ++j) {
        const model::StudyVariable& v = variables.data[positions[static_cast<std::size_t>(j)]];
        const double lower = v.discrete != 0 ? 0.0 : v.min;
        const double upper = v.discrete != 0 ? v.resolution : v.max;
        const double mid = lower + (upper - lower) * 0.5;
        const double half = upper - mid;
        if (half == 0.0 && !warned) {
            writeMessage("outptr", "warning",
                         "\n\t**** WARNING ****\n\t Error 10832 (no change in one of the "
                         "variables/parameters). This warning will most likely not affect your "
                         "results, but please send the project files to VARNO support");
            warned = true;
        }
        for (int r = 0; r < table.num_runs; ++r) {
            const double x = designs[static_cast<std::size_t>(r)][positions[j]];
            const double normalised = half == 0.0 ? 0.0 : std::clamp((x - mid) / half, -1.0, 1.0);
            table.level(r, j) =
                static_cast<int>(std::lround((normalised + 1.0) * 0.5 * (levels - 1)));
        }
    }
    return table;
}

DoeRuns doeRunValues(const DoeTable& table, const DoeSettings& settings,
                     const model::Representation& variables) {
    std::vector<double> fixedValues;
    for (const model::StudyVariable& v : variables.data) {
        checkWithinLevels(v, v.baseline, v.min, v.max);
        fixedValues.push_back(v.baseline);
    }
    const std::vector<std::size_t> positions = columnPositions(table, variables);
    DoeRuns runs;
    std::map<std::vector<double>, int> designOf;
    for (int r = 0; r < table.num_runs; ++r) {
        std::vector<double> values = fixedValues;
        for (std::size_t j = 0; j < positions.size(); ++j) {
            values[positions[j]] = checkedLevelValue(variables.data[positions[j]],
                                                     table.level(r, static_cast<int>(j)), settings);
        }
        const auto [at, isNew] =
            designOf.emplace(values, static_cast<int>(runs.designValues.size()));
        if (isNew) runs.designValues.push_back(values);
        runs.runToDesign.push_back(at->second);
    }
    return runs;
}

}  // namespace varno::doe
