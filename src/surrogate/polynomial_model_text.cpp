#include "surrogate/polynomial_model_text.h"

#include <array>

#include "frame/text_format.h"
#include "surrogate/model_lines.h"
#include "surrogate/model_order.h"

namespace varno::surrogate {

namespace {

constexpr int coefficientsPerLine = 8;
constexpr const char* endOfDataProblem =
    "\n\t Reached the end of the file without reading in all the data needed.";

enum Block { constantBlock, linearBlock, secondOrderBlock, cubicBlock, blockCount };

constexpr std::array<const char*, blockCount> blockHeaders{
    "Constant coefficient:", "Linear coefficients:", "Quadratic coefficients:",
    "Cubic coefficients:"};

// Both formats are 23 characters wide, so negative and non-negative
// coefficients line up, and both keep at least 17 significant digits.
std::string coefficientField(double value) {
    return formatText(value < 0.0 ? "%1.16e " : "%1.17e ", value);
}

std::string coefficientBlock(const Eigen::VectorXd& all, int first, int count) {
    std::string text;
    for (int k = 0; k < count; ++k) {
        text += coefficientField(all(first + k));
        if ((k + 1) % coefficientsPerLine == 0 && k + 1 < count) text += "\n";
    }
    return text;
}

struct CoefficientBlock {
    bool found = false;
    bool endOfFile = false;  // the lines ended inside the block
    std::vector<double> values;
};

struct BlockReader {
    const std::vector<std::string>& lines;
    const std::string& path;
    std::string& problem;

    int headerBlock(const std::string& line) const {
        for (int block = 0; block < blockCount; ++block) {
            if (line == blockHeaders[static_cast<std::size_t>(block)]) return block;
        }
        return -1;
    }

    bool readNumbers(std::size_t at, std::vector<double>& values) const {
        const std::optional<std::vector<double>> numbers = parseNumbers(lines[at]);
        if (!numbers) {
            problem = formatText("\n\t Error in the reading the file \"%s\" near line number %d.",
                                 path.c_str(), static_cast<int>(at + 1));
            return false;
        }
        values.insert(values.end(), numbers->begin(), numbers->end());
        return true;
    }

    // Reads every block; false on a line that is not made of numbers.
    bool read(std::array<CoefficientBlock, blockCount>& blocks) const {
        for (std::size_t at = 1; at < lines.size(); ++at) {
            const int block = headerBlock(lines[at]);
            if (block < 0) continue;
            CoefficientBlock& target = blocks[static_cast<std::size_t>(block)];
            target.found = true;
            for (++at; at < lines.size() && !lines[at].empty() && headerBlock(lines[at]) < 0;
                 ++at) {
                if (!readNumbers(at, target.values)) return false;
            }
            target.endOfFile = at == lines.size();
            --at;
        }
        return true;
    }
};

// The variable count that the blocks of order `code` imply.
int impliedVariables(int code, const std::array<CoefficientBlock, blockCount>& blocks) {
    const TermCounts perVariable = *modelOrderCounts(code, 1);
    const Block sized = perVariable.linear > 0        ? linearBlock
                        : perVariable.secondOrder > 0 ? secondOrderBlock
                                                      : cubicBlock;
    return static_cast<int>(blocks[sized].values.size());
}

std::string checkBlocks(const TermCounts& expected,
                        const std::array<CoefficientBlock, blockCount>& blocks) {
    if (expected.secondOrder > 0 && !blocks[secondOrderBlock].found) {
        return "\n\t The coefficient data for the quadratic terms could not be located in the "
               "file.";
    }
    if (expected.cubic > 0 && !blocks[cubicBlock].found) {
        return "\n\t The coefficient data for the cubic terms could not be located in the file.";
    }
    const std::array<int, blockCount> counts{1, expected.linear, expected.secondOrder,
                                             expected.cubic};
    for (std::size_t block = 0; block < blockCount; ++block) {
        const int read = static_cast<int>(blocks[block].values.size());
        if (read == counts[block]) continue;
        if (read < counts[block] && (!blocks[block].found || blocks[block].endOfFile)) {
            return endOfDataProblem;
        }
        return formatText(
            "\n\t The number of coefficients read (%d) is different than the number expected (%d).",
            read, counts[block]);
    }
    return {};
}

}  // namespace

std::string unrecognisedTypeProblem(const std::string& typeRead) {
    return formatText("\n\t Expecting surface type on the first line. The type read (%s) was not "
                      "recognized as a supported type.",
                      typeRead.c_str());
}

std::string coefficientText(const ResponseSurface& surface) {
    const TermCounts counts = *modelOrderCounts(surface.order, surface.variableCount);
    const Eigen::VectorXd& c = surface.coefficients;
    std::string text = modelOrderName(surface.order);
    text += "\nRSM coefficients";
    text += "\nConstant coefficient:\n" + coefficientField(c(0));
    text += "\nLinear coefficients:\n" + coefficientBlock(c, 1, counts.linear);
    const int secondFirst = 1 + counts.linear;
    if (counts.secondOrder > 0) {
        text +=
            "\nQuadratic coefficients:\n" + coefficientBlock(c, secondFirst, counts.secondOrder);
    }
    if (counts.cubic > 0) {
        text += "\nCubic coefficients:\n" +
                coefficientBlock(c, secondFirst + counts.secondOrder, counts.cubic);
    }
    return text;
}

std::optional<ResponseSurface> parseCoefficientText(const std::vector<std::string>& lines,
                                                    const std::string& path, std::string& problem) {
    const std::string first = lines.empty() ? std::string() : lines.front();
    const auto order = modelOrderFromName(first, 0);
    if (!order) {
        problem = unrecognisedTypeProblem(first);
        return std::nullopt;
    }
    std::array<CoefficientBlock, blockCount> blocks;
    if (!BlockReader{lines, path, problem}.read(blocks)) return std::nullopt;
    const int variables = impliedVariables(order->code, blocks);
    const auto expected = modelOrderCounts(order->code, variables);
    problem = expected ? checkBlocks(*expected, blocks) : endOfDataProblem;
    if (!problem.empty()) return std::nullopt;
    ResponseSurface surface;
    surface.order = order->code;
    surface.variableCount = variables;
    surface.coefficients.resize(expected->terms);
    Eigen::Index at = 0;
    for (const CoefficientBlock& block : blocks) {
        for (double value : block.values) surface.coefficients(at++) = value;
    }
    surface.valid = surface.coefficients.allFinite();
    return surface;
}

}  // namespace varno::surrogate
