// The text lines in which Kriging and radial-basis models save themselves:
// "label: numbers" lines with 17 significant digits, so a model read back
// predicts exactly what the saved one did. Reading never trusts a count
// before the lines that hold the counted data are there.
#pragma once

#include <Eigen/Dense>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace varno::surrogate {

// `value` with 17 significant digits, independent of the locale.
std::string exactNumber(double value);
// "label: v1 v2 ..." (just the numbers when label is empty).
std::string numberLine(const std::string& label, const Eigen::VectorXd& values);

// One line per fit point (a column of `points`): its coordinates, then its
// weight.
void appendPointRows(std::vector<std::string>& lines, const Eigen::MatrixXd& points,
                     const Eigen::VectorXd& weights);

// Reads a model's lines in order, from the line after its header.
class ModelLineReader {
public:
    // Positions after `header`, which must start one of the first two lines.
    ModelLineReader(const std::vector<std::string>& lines, const std::string& header);
    bool ok() const { return ok_; }
    // Whether the next line is exactly "label:".
    bool heading(const std::string& label);
    // The text after "label: " on the next line.
    std::optional<std::string> text(const std::string& label);
    // A count in [0, limit] after "label: ".
    std::optional<int> count(const std::string& label, int limit);
    // Exactly `size` finite numbers after "label: " (no label when empty).
    std::optional<Eigen::VectorXd> numbers(const std::string& label, Eigen::Index size);
    // `count` lines of `size` unlabelled numbers each, as the columns of a
    // matrix.
    std::optional<Eigen::MatrixXd> table(Eigen::Index size, int count);

private:
    const std::vector<std::string>& lines_;
    std::size_t next_ = 0;
    bool ok_ = false;
};

// Parses every blank-separated number of `text`; none when one is not a
// finite number.
std::optional<std::vector<double>> parseNumbers(const std::string& text);

}  // namespace varno::surrogate
