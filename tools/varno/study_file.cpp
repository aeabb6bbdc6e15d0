#include "study_file.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <fstream>
#include <sstream>
#include <utility>

#include "nearest_word.h"
#include "utf8_path.h"

namespace varno::tool {

namespace {

constexpr std::array<std::pair<BlockKind, const char*>, 17> kindWords = {{
    {BlockKind::parameter, "parameter"},
    {BlockKind::discreteSet, "discreteSet"},
    {BlockKind::distribution, "distribution"},
    {BlockKind::curve, "curve"},
    {BlockKind::format, "format"},
    {BlockKind::response, "response"},
    {BlockKind::study, "study"},
    {BlockKind::studyData, "studyData"},
    {BlockKind::method, "method"},
    {BlockKind::options, "options"},
    {BlockKind::variable, "variable"},
    {BlockKind::factor, "factor"},
    {BlockKind::objective, "objective"},
    {BlockKind::constraint, "constraint"},
    {BlockKind::studyResponse, "studyResponse"},
    {BlockKind::evaluator, "evaluator"},
    {BlockKind::executor, "executor"},
}};

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string trim(const std::string& text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && isBlank(text[begin])) ++begin;
    while (end > begin && isBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

// Drops a comment: "#" at the start of the line or after a blank.
std::string withoutComment(const std::string& line) {
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '#' && (i == 0 || isBlank(line[i - 1]))) return line.substr(0, i);
    }
    return line;
}

std::string keyOf(const std::string& line) {
    const std::size_t colon = line.find(':');
    return colon == std::string::npos ? std::string() : trim(line.substr(0, colon));
}

bool isCount(const std::string& text) {
    return !text.empty() && text.size() < 8 &&
           std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

// The count of a counted-form line ("values:3"), or -1 for any other line.
int countedLength(const std::string& line) {
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos || colon + 1 >= line.size() || isBlank(line[colon + 1])) {
        return -1;
    }
    const std::string value = line.substr(colon + 1);
    return isCount(value) ? std::stoi(value) : -1;
}

// A header names a known block kind: "[kind ...]". Inside a counted list only
// such a line ends the list early.
bool isHeader(const std::string& line) {
    if (line.size() < 2 || line.front() != '[' || line.back() != ']') return false;
    const std::string inside = trim(line.substr(1, line.size() - 2));
    return blockKindFromWord(inside.substr(0, inside.find_first_of(" \t"))).has_value();
}

// Reads the file line by line; one instance per parse.
class Parser {
public:
    explicit Parser(std::string fileName) { file_.fileName = std::move(fileName); }

    void take(const std::string& raw, int number) {
        const std::string content = trim(withoutComment(raw));
        if (content.empty()) return;
        if (listRemaining_ > 0 && !isHeader(content)) {
            file_.blocks.back().lines.push_back(content);
            file_.blocks.back().lineNumbers.push_back(number);
            --listRemaining_;
        } else if (content.front() == '[') {
            startBlock(content, number);
        } else {
            addLine(content, number);
        }
    }

    StudyFile finish() {
        closeList();
        return std::move(file_);
    }

private:
    [[noreturn]] void fail(int line, const std::string& message) const {
        throw StudyFileError(file_.fileName, line, message);
    }

    void closeList() const {
        if (listRemaining_ == 0) return;
        fail(listLine_, "the list \"" + listKey_ + "\" announces " + std::to_string(listLength_) +
                            " lines, but only " + std::to_string(listLength_ - listRemaining_) +
                            " follow");
    }

    void startBlock(const std::string& header, int number) {
        closeList();
        if (header.back() != ']') fail(number, "a block header must end with \"]\"");
        const std::string inside = trim(header.substr(1, header.size() - 2));
        const std::size_t blank = inside.find_first_of(" \t");
        const std::string word = inside.substr(0, blank);
        const auto kind = blockKindFromWord(word);
        if (!kind) {
            std::vector<std::string> words;
            for (const auto& entry : kindWords) words.emplace_back(entry.second);
            fail(number, "unknown block kind \"" + word + "\"" + didYouMean(word, words));
        }
        Block block;
        block.kind = *kind;
        block.line = number;
        block.name = blank == std::string::npos ? std::string() : trim(inside.substr(blank));
        // The runner's own blocks are unnamed and come once.
        const bool runnerBlock = *kind == BlockKind::evaluator || *kind == BlockKind::executor;
        if (block.name.empty() && !runnerBlock) {
            fail(number, "the block [" + word + "] needs a name, e.g. [" + word + " NAME]");
        }
        if (runnerBlock && file_.find(*kind) != nullptr) {
            fail(number, "a second [" + word + "] block");
        }
        file_.blocks.push_back(std::move(block));
    }

    void addLine(const std::string& content, int number) {
        if (file_.blocks.empty()) {
            fail(number, "a definition line outside a block (start one with a header such as "
                         "[parameter NAME])");
        }
        if (content.find(':') == std::string::npos || keyOf(content).empty()) {
            fail(number, "expected \"key: value\", got \"" + content + "\"");
        }
        file_.blocks.back().lines.push_back(content);
        file_.blocks.back().lineNumbers.push_back(number);
        const int length = countedLength(content);
        if (length <= 0) return;
        listRemaining_ = listLength_ = length;
        listLine_ = number;
        listKey_ = keyOf(content);
    }

    StudyFile file_;
    int listRemaining_ = 0, listLength_ = 0, listLine_ = 0;
    std::string listKey_;
};

}  // namespace

std::optional<BlockKind> blockKindFromWord(const std::string& word) {
    for (const auto& [kind, text] : kindWords) {
        if (word == text) return kind;
    }
    return std::nullopt;
}

const char* blockKindWord(BlockKind kind) {
    for (const auto& [k, text] : kindWords) {
        if (k == kind) return text;
    }
    return "?";
}

std::string Block::text() const {
    std::string joined;
    for (const std::string& line : lines) {
        if (!joined.empty()) joined += '\n';
        joined += line;
    }
    return joined;
}

std::optional<std::string> Block::property(const std::string& key) const {
    for (const std::string& line : lines) {
        if (keyOf(line) != key) continue;
        std::string value = line.substr(line.find(':') + 1);
        if (!value.empty() && value.front() == ' ') value.erase(0, 1);
        return value;
    }
    return std::nullopt;
}

std::vector<std::string> Block::list(const std::string& key) const {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (keyOf(lines[i]) != key) continue;
        const int length = countedLength(lines[i]);
        if (length < 0) return {*property(key)};
        const std::size_t end = std::min(lines.size(), i + 1 + static_cast<std::size_t>(length));
        return {lines.begin() + static_cast<std::ptrdiff_t>(i + 1),
                lines.begin() + static_cast<std::ptrdiff_t>(end)};
    }
    return {};
}

std::vector<Block::Key> Block::keys() const {
    std::vector<Key> found;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        found.push_back({keyOf(lines[i]), i < lineNumbers.size() ? lineNumbers[i] : line});
        i += static_cast<std::size_t>(std::max(0, countedLength(lines[i])));
    }
    return found;
}

const Block* StudyFile::find(BlockKind kind) const {
    for (const Block& block : blocks) {
        if (block.kind == kind) return &block;
    }
    return nullptr;
}

std::vector<const Block*> StudyFile::all(BlockKind kind) const {
    std::vector<const Block*> found;
    for (const Block& block : blocks) {
        if (block.kind == kind) found.push_back(&block);
    }
    return found;
}

StudyFileError::StudyFileError(const std::string& fileName, int line, const std::string& message)
    : std::runtime_error(fileName + (line > 0 ? ":" + std::to_string(line) : std::string()) + ": " +
                         message),
      line_(line) {}

StudyFile parseStudyText(const std::string& text, const std::string& fileName) {
    Parser parser(fileName);
    std::istringstream stream(text);
    std::string line;
    for (int number = 1; std::getline(stream, line); ++number) parser.take(line, number);
    StudyFile file = parser.finish();
    file.text = text;
    return file;
}

StudyFile readStudyFile(const std::string& path) {
    std::ifstream in(utf8Path(path), std::ios::binary);
    if (!in) throw std::runtime_error(path + ": cannot open the study file");
    std::ostringstream content;
    content << in.rdbuf();
    return parseStudyText(content.str(), path);
}

}  // namespace varno::tool
