#include "surrogate/model_lines.h"

#include <array>
#include <charconv>
#include <cmath>

namespace varno::surrogate {

namespace {

constexpr int exactDigits = 17;

}  // namespace

std::string exactNumber(double value) {
    std::array<char, 40> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::general, exactDigits);
    return std::string(buffer.data(), result.ptr);
}

void appendPointRows(std::vector<std::string>& lines, const Eigen::MatrixXd& points,
                     const Eigen::VectorXd& weights) {
    Eigen::VectorXd row(points.rows() + 1);
    for (Eigen::Index i = 0; i < points.cols(); ++i) {
        row << points.col(i), weights(i);
        lines.push_back(numberLine("", row));
    }
}

std::string numberLine(const std::string& label, const Eigen::VectorXd& values) {
    std::string line = label.empty() ? std::string() : label + ":";
    for (const double value : values) {
        if (!line.empty()) line += ' ';
        line += exactNumber(value);
    }
    return line;
}

std::optional<std::vector<double>> parseNumbers(const std::string& text) {
    std::vector<double> values;
    const char* at = text.data();
    const char* const end = text.data() + text.size();
    while (true) {
        while (at != end && *at == ' ') ++at;
        if (at == end) return values;
        double value = 0.0;
        const auto result = std::from_chars(at, end, value);
        if (result.ec != std::errc() || !std::isfinite(value)) return std::nullopt;
        if (result.ptr != end && *result.ptr != ' ') return std::nullopt;
        values.push_back(value);
        at = result.ptr;
    }
}

ModelLineReader::ModelLineReader(const std::vector<std::string>& lines, const std::string& header)
    : lines_(lines) {
    for (std::size_t at = 0; at < lines.size() && at < 2 && !ok_; ++at) {
        ok_ = lines[at].rfind(header, 0) == 0;
        next_ = at + 1;
    }
}

std::optional<std::string> ModelLineReader::text(const std::string& label) {
    if (!ok_ || next_ == lines_.size()) return std::nullopt;
    const std::string& line = lines_[next_++];
    const std::string prefix = label.empty() ? std::string() : label + ":";
    if (line.rfind(prefix, 0) != 0) return std::nullopt;
    const std::size_t start = line.find_first_not_of(' ', prefix.size());
    return start == std::string::npos ? std::string() : line.substr(start);
}

bool ModelLineReader::heading(const std::string& label) {
    if (!ok_ || next_ == lines_.size()) return false;
    return lines_[next_++] == label + ":";
}

std::optional<int> ModelLineReader::count(const std::string& label, int limit) {
    const std::optional<std::string> found = text(label);
    if (!found) return std::nullopt;
    const std::optional<std::vector<double>> values = parseNumbers(*found);
    if (!values || values->size() != 1) return std::nullopt;
    const double value = values->front();
    if (value < 0 || value > limit || value != std::floor(value)) return std::nullopt;
    return static_cast<int>(value);
}

std::optional<Eigen::VectorXd> ModelLineReader::numbers(const std::string& label,
                                                        Eigen::Index size) {
    const std::optional<std::string> found = text(label);
    if (!found) return std::nullopt;
    const std::optional<std::vector<double>> values = parseNumbers(*found);
    if (!values || static_cast<Eigen::Index>(values->size()) != size) return std::nullopt;
    return Eigen::Map<const Eigen::VectorXd>(values->data(), size);
}

std::optional<Eigen::MatrixXd> ModelLineReader::table(Eigen::Index size, int count) {
    if (!ok_ || lines_.size() - next_ < static_cast<std::size_t>(count)) return std::nullopt;
    std::vector<Eigen::VectorXd> columns;
    for (int i = 0; i < count; ++i) {
        std::optional<Eigen::VectorXd> column = numbers("", size);
        if (!column) return std::nullopt;
        columns.push_back(std::move(*column));
    }
    Eigen::MatrixXd table(size, count);
    for (int i = 0; i < count; ++i) table.col(i) = columns[static_cast<std::size_t>(i)];
    return table;
}

}  // namespace varno::surrogate
