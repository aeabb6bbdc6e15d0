#include "model/block_reader.h"

#include "frame/fatal_error.h"

namespace varno::model {

BlockReader::BlockReader(const LineList& lines, std::string typeLabel, std::string missingName)
    : lines_(lines), typeLabel_(std::move(typeLabel)), missingName_(std::move(missingName)) {}

const std::string& BlockReader::name() {
    name_ = requiredText("name");
    return name_;
}

void BlockReader::fail(const std::string& key, const std::string& reason) const {
    fatalError(readerErrorMessage(objectName(), typeLabel_, apiSource, key, reason));
}

std::string BlockReader::requiredText(const std::string& key) const {
    std::string error;
    const Property property = findProperty(lines_, key, 1, false, error);
    if (property.line == 0) fail(key, error);
    return property.value;
}

int BlockReader::requiredInt(const std::string& key) const {
    int value = 0;
    std::string error;
    if (!readInt(lines_, key, value, error)) fail(key, error);
    return value;
}

double BlockReader::requiredDouble(const std::string& key) const {
    double value = 0.0;
    std::string error;
    if (!readDouble(lines_, key, value, error)) fail(key, error);
    return value;
}

std::vector<std::string> BlockReader::list(const std::string& key) const {
    std::vector<std::string> values;
    std::string error;
    if (!readList(lines_, key, values, error)) fail(key, error);
    return values;
}

std::optional<std::string> BlockReader::optionalText(const std::string& key) const {
    std::string error;
    const Property property = findProperty(lines_, key, 1, false, error);
    if (property.line == 0) return std::nullopt;
    return property.value;
}

std::optional<int> BlockReader::optionalInt(const std::string& key) const {
    std::string error;
    if (findProperty(lines_, key, 1, false, error).line == 0) return std::nullopt;
    return requiredInt(key);
}

std::optional<double> BlockReader::optionalDouble(const std::string& key) const {
    std::string error;
    if (findProperty(lines_, key, 1, false, error).line == 0) return std::nullopt;
    return requiredDouble(key);
}

}  // namespace varno::model
