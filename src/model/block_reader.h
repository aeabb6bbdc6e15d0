// Reads the properties of one definition block for one object, turning a
// missing or unreadable required property into the standard fatal reader
// message that names the object, its type and the property.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "frame/definition_text.h"

namespace varno::model {

class BlockReader {
public:
    // `missingName` stands for the object in messages while it has no name.
    BlockReader(const LineList& lines, std::string typeLabel,
                std::string missingName = "Name not defined");

    // The `name` property, which every block holds; remembered for messages.
    const std::string& name();

    std::string requiredText(const std::string& key) const;
    int requiredInt(const std::string& key) const;
    double requiredDouble(const std::string& key) const;
    // The value lines of a list property; a missing key gives an empty list.
    std::vector<std::string> list(const std::string& key) const;

    std::optional<std::string> optionalText(const std::string& key) const;
    std::optional<int> optionalInt(const std::string& key) const;
    std::optional<double> optionalDouble(const std::string& key) const;

    const LineList& lines() const { return lines_; }
    // The object's name, or the missing-name word while it has none.
    const std::string& objectName() const { return name_.empty() ? missingName_ : name_; }
    const std::string& typeLabel() const { return typeLabel_; }

    // The standard reader message for `key` with `reason`, raised as fatal.
    [[noreturn]] void fail(const std::string& key, const std::string& reason) const;

private:
    const LineList& lines_;
    std::string typeLabel_;
    std::string missingName_;
    std::string name_;
};

}  // namespace varno::model
