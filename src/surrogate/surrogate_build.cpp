#include "surrogate/surrogate_build.h"

#include <Eigen/Dense>

#include "frame/message_writer.h"
#include "frame/text_format.h"
#include "support/file_io.h"
#include "surrogate/kernel_functions.h"
#include "surrogate/kriging_fit.h"
#include "surrogate/kriging_opt.h"
#include "surrogate/model_file_reader.h"
#include "surrogate/radial_basis_fit.h"

namespace varno::surrogate {

namespace {

constexpr double initialTheta = 0.5;
constexpr double sweepLow = 0.05;
constexpr double sweepHigh = 20.0;
constexpr int sweepSteps = 5;
constexpr double defaultShape = 1.0;

const char* kindName(SurfaceKind kind) {
    switch (kind) {
        case SurfaceKind::kriging: return "Kriging";
        case SurfaceKind::radialBasis: return "RadialBasisFunction";
        case SurfaceKind::leastSquares: break;
    }
    return "LeastSquares";
}

std::unique_ptr<SurrogateModel> buildKriging(const Eigen::MatrixXd& points,
                                             const Eigen::VectorXd& values, bool sweep) {
    auto fit = std::make_unique<KrigingFit>(points, values,
                                            Eigen::VectorXd::Constant(points.cols(), initialTheta));
    if (sweep) {
        fit->sweepTheta(sweepLow, sweepHigh, sweepSteps);
    } else {
        KrigingOpt(*fit).optimize(true, true, 0);
    }
    return fit->isFitted() ? std::move(fit) : nullptr;
}

std::unique_ptr<SurrogateModel> buildRadialBasis(const Eigen::MatrixXd& points,
                                                 const Eigen::VectorXd& values) {
    auto fit = std::make_unique<RadialBasisFunctionFit>(
        points, values, makeRadialBasisFunction("RBFThinPlateSpline", defaultShape));
    return fit->isFitted() ? std::move(fit) : nullptr;
}

std::string surrogateFileText(const std::vector<std::string>& data,
                              const std::vector<std::string>& variableNames,
                              const std::vector<VariableRange>& ranges) {
    std::string text;
    for (const std::string& line : data) text += line + "\n";
    text += "List of variables in order\n";
    for (const std::string& name : variableNames) text += formatText("%s ", name.c_str());
    return text + "\n" + rangeBlock(ranges);
}

}  // namespace

std::unique_ptr<SurrogateModel> buildSurrogate(SurfaceKind kind, const Eigen::MatrixXd& points,
                                               const Eigen::VectorXd& values, bool sweep) {
    if (points.rows() == 0 || points.cols() == 0) return nullptr;
    switch (kind) {
        case SurfaceKind::kriging: return buildKriging(points, values, sweep);
        case SurfaceKind::radialBasis: return buildRadialBasis(points, values);
        case SurfaceKind::leastSquares: break;
    }
    return nullptr;
}

std::unique_ptr<SurrogateModel> buildKrigingTunedOnPart(const Eigen::MatrixXd& points,
                                                        const Eigen::VectorXd& values,
                                                        int tuningPoints) {
    const Eigen::Index n = points.rows();
    if (tuningPoints <= 0 || n <= tuningPoints || points.cols() == 0) {
        return buildSurrogate(SurfaceKind::kriging, points, values, false);
    }
    Eigen::MatrixXd part(tuningPoints, points.cols());
    Eigen::VectorXd partValues(tuningPoints);
    for (Eigen::Index i = 0; i < tuningPoints; ++i) {
        const Eigen::Index row = i * n / tuningPoints;
        part.row(i) = points.row(row);
        partValues[i] = values[row];
    }
    KrigingFit tuned(part, partValues, Eigen::VectorXd::Constant(points.cols(), initialTheta));
    if (tuned.isFitted()) {
        KrigingOpt(tuned).optimize(true, true, 0);
        auto fit = std::make_unique<KrigingFit>(points, values, tuned.theta());
        if (fit->isFitted()) return fit;
    }
    // The part's parameters do not suit the whole: tuned on all points.
    return buildKriging(points, values, false);
}

bool writeSurrogateFile(const std::string& path, const SurrogateModel& model,
                        const std::vector<std::string>& variableNames,
                        const std::vector<VariableRange>& ranges) {
    const std::vector<std::string> data = model.writeData();
    if (data.empty()) {
        writeMessage("outptr|stderr", "error",
                     formatText("%s model is not properly initialized and cannot be written.",
                                kindName(model.kind())));
        return false;
    }
    support::FileWriter file(path, false);
    if (!file.is_open()) {
        writeMessage("outptr|stderr", "warning",
                     formatText("\n\t Could not create the following file:  %s"
                                "\n\t Please make sure that the disk is not full or the "
                                "directory is not write protected.",
                                path.c_str()));
        return false;
    }
    file.write(surrogateFileText(data, variableNames, ranges));
    file.close();
    return true;
}

std::optional<SurrogateFile> readSurrogateLines(const std::vector<std::string>& lines) {
    const std::optional<SurfaceKind> kind = modelFileKind(lines);
    SurrogateFile read{kind ? makeEmptySurrogate(*kind) : nullptr, {}};
    if (!read.model || !read.model->readData(lines)) return std::nullopt;
    std::optional<std::vector<VariableRange>> ranges = readRangeBlock(lines);
    if (!ranges || static_cast<int>(ranges->size()) != read.model->variableCount()) {
        return std::nullopt;
    }
    read.ranges = std::move(*ranges);
    return read;
}

std::optional<SurrogateFile> readSurrogateFile(const std::string& path) {
    support::FileReader file(path);
    if (!file.is_open()) return std::nullopt;
    std::vector<std::string> lines;
    for (std::string line; file.getLine(line);) lines.push_back(line);
    return readSurrogateLines(lines);
}

}  // namespace varno::surrogate
