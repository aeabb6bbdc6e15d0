#include "formulas.h"

#include <cmath>

#include <muParser.h>

namespace varno::tool {

namespace {

constexpr const char* resultName = "_result";
constexpr const char* separators = ", ()-+*/^%<>&!=:;?[]\n\t";

std::string trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Where a line assigns: the position of its "=", or npos for an expression
// (a comparison is not an assignment).
std::size_t assignmentAt(const std::string& line) {
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos || equals == 0) return std::string::npos;
    const bool comparison = std::string("<>!=").find(line[equals - 1]) != std::string::npos ||
                            (equals + 1 < line.size() && line[equals + 1] == '=');
    return comparison ? std::string::npos : equals;
}

std::vector<std::string> tokens(const std::string& text) {
    std::vector<std::string> found;
    std::size_t start = text.find_first_not_of(separators);
    while (start != std::string::npos) {
        const std::size_t end = text.find_first_of(separators, start);
        found.push_back(text.substr(start, end == std::string::npos ? end : end - start));
        start = end == std::string::npos ? end : text.find_first_not_of(separators, end);
    }
    return found;
}

Formula finalFormula(const std::string& name, std::vector<std::string> lines) {
    if (lines.size() == 1 && trimmed(lines[0]).rfind(resultName, 0) != 0) {
        lines[0] = std::string(resultName) + "=" + lines[0];
    }
    return {name, lines};
}

bool uses(const Formula& formula, const std::string& name) {
    for (const std::string& line : formula.lines) {
        const std::size_t equals = assignmentAt(line);
        const std::string right = equals == std::string::npos ? line : line.substr(equals + 1);
        for (const std::string& token : tokens(right)) {
            if (token == name && token != formula.name) return true;
        }
    }
    return false;
}

double remainder(double a, double b) { return std::fmod(a, b); }

double evaluateLine(const std::string& expression, std::map<std::string, double>& values) {
    mu::Parser parser;
    parser.DefineOprt("%", remainder, mu::prMUL_DIV, mu::oaLEFT, true);
    for (auto& [name, value] : values) parser.DefineVar(name, &value);
    parser.SetExpr(expression);
    return parser.Eval();
}

}  // namespace

Formulas Formulas::fromStudyFile(const StudyFile& file) {
    std::vector<Formula> pending;
    for (const Block& block : file.blocks) {
        const std::string type = block.property("type").value_or("");
        const bool dependent = block.kind == BlockKind::parameter && type == "Dependent";
        const bool response = block.kind == BlockKind::response && type == "Formula";
        if (dependent || response) {
            std::vector<std::string> lines = block.list("formula");
            if (!lines.empty()) pending.push_back(finalFormula(block.name, std::move(lines)));
        }
    }
    // Each pass moves the formulas whose names are all known; what a cycle
    // leaves behind the library refuses before any design is evaluated.
    Formulas formulas;
    while (!pending.empty()) {
        std::vector<std::string> unknown;
        for (const Formula& formula : pending) unknown.push_back(formula.name);
        std::vector<Formula> waiting;
        for (Formula& formula : pending) {
            bool ready = true;
            for (const std::string& name : unknown) ready = ready && !uses(formula, name);
            (ready ? formulas.order_ : waiting).push_back(std::move(formula));
        }
        if (waiting.size() == pending.size()) break;
        pending = std::move(waiting);
    }
    return formulas;
}

std::string Formulas::evaluate(std::map<std::string, double>& values) const {
    for (const Formula& formula : order_) {
        std::map<std::string, double> scope = values;
        try {
            for (const std::string& line : formula.lines) {
                const std::size_t equals = assignmentAt(line);
                if (equals == std::string::npos) {
                    evaluateLine(line, scope);
                    continue;
                }
                const double value = evaluateLine(line.substr(equals + 1), scope);
                scope[trimmed(line.substr(0, equals))] = value;
            }
        } catch (const mu::Parser::exception_type& error) {
            return "formula \"" + formula.name + "\": " + error.GetMsg();
        }
        const auto result = scope.find(resultName);
        if (result == scope.end()) return "formula \"" + formula.name + "\" sets no _result";
        if (!std::isfinite(result->second)) {
            return "formula \"" + formula.name +
                   "\" gives no finite value (a division by zero or a value out of range)";
        }
        values[formula.name] = result->second;
    }
    return {};
}

}  // namespace varno::tool
