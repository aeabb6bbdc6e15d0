// The study file: plain text of definition blocks, each under a header that
// names the set-up call and the object, e.g. "[parameter width]". The lines
// of a block are the definition text handed to the library.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace varno::tool {

// What a block header names: one library set-up call, or a runner setting.
enum class BlockKind {
    parameter,
    discreteSet,
    distribution,
    curve,
    format,
    response,
    study,
    studyData,
    method,
    options,
    variable,
    factor,
    objective,
    constraint,
    studyResponse,
    evaluator,
    executor,
};

std::optional<BlockKind> blockKindFromWord(const std::string& word);
const char* blockKindWord(BlockKind kind);

struct Block {
    BlockKind kind = BlockKind::parameter;
    std::string name;
    int line = 0;                    // line of the header, 1-based
    std::vector<std::string> lines;  // definition lines, in file order
    std::vector<int> lineNumbers;    // the file line of each of `lines`

    // The lines joined with line feeds: the definition text of the block.
    std::string text() const;
    // Value of the first line with this key (one blank after the colon
    // skipped), as the library reads a single value.
    std::optional<std::string> property(const std::string& key) const;
    // The values of a key: a counted list ("key:N" and N lines) or one value.
    std::vector<std::string> list(const std::string& key) const;

    struct Key {
        std::string key;
        int line = 0;
    };
    // The keys of the block with their file lines; the items of counted lists are not keys.
    std::vector<Key> keys() const;
};

struct StudyFile {
    std::string fileName;  // as given, used in messages
    std::string text;      // the content as read
    std::vector<Block> blocks;

    const Block* find(BlockKind kind) const;
    std::vector<const Block*> all(BlockKind kind) const;
};

// A fault in the study file, or a set-up call the library refused; what()
// reads "file:line: message" ("file: message" when no line applies).
class StudyFileError : public std::runtime_error {
public:
    StudyFileError(const std::string& fileName, int line, const std::string& message);
    int line() const { return line_; }

private:
    int line_;
};

StudyFile parseStudyText(const std::string& text, const std::string& fileName);
StudyFile readStudyFile(const std::string& path);

}  // namespace varno::tool
