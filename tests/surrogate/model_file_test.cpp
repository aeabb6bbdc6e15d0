// Model and error files of polynomial surfaces: their layout, reading them
// back, and the reasons given for files that cannot be used.
#include <gtest/gtest.h>

#include "support/file_io.h"
#include "surrogate/model_file_reader.h"
#include "surrogate/model_order.h"
#include "surrogate/polynomial_surrogate.h"
#include "surrogate/response_surface_files.h"
#include "surrogate/surface_fitting.h"
#include "surrogate_test_support.h"
#include "test_support.h"

namespace varno::surrogate {
namespace {

using varno::testing::readWholeFile;
using varno::testing::TempDirectory;

const std::string prefix = "\n\t Error in using the response surface file ";

TEST(ModelFile, LayOutOfModelAndErrorFiles) {
    TempDirectory folder;
    ResponseSurface surface{linearOrder, 2, true, Eigen::Vector3d(1.0, -2.5, 0.25)};
    const std::string path = folder.file("f.mdl");
    ASSERT_TRUE(writeModelFile(path, surface, {{"a", 0, 1}, {"b", -2, 2}}));
    EXPECT_EQ(readWholeFile(path), "Linear\nRSM coefficients\nConstant coefficient:\n"
                                   "1.00000000000000000e+00 \nLinear coefficients:\n"
                                   "-2.5000000000000000e+00 2.50000000000000000e-01 \n"
                                   "\nEstimated min = -2.100000\nEstimated max = 4.500000\n"
                                   "\n\nVARIABLES USED FOR THE FIT AND THE RANGE USED FOR "
                                   "NORMALIZATION\n\nNumber of variables used = 2\n"
                                   "a: min=0, max=1\nb: min=-2, max=2\n");
    surface.order = quadraticOrder;  // nine linear terms and the rest: eight to a line
    surface.variableCount = 9;
    surface.coefficients = Eigen::VectorXd::Ones(55);
    const std::string text = PolynomialSurrogate(surface).writeData()[5];
    EXPECT_EQ(text.size(), 8 * 24u);
    const Eigen::Vector3d x(-1, 0, 1), y(1, 2, 4);
    const SurfaceFit fit = fitResponseSurface(linearOrder, x, y);
    const std::string errors = folder.file("f.err");
    ASSERT_TRUE(writeErrorFile(errors, y, fitStatistics(fit.surface, x, y)));
    EXPECT_EQ(readWholeFile(errors),
              "\n Design #,   Actual values, Predicted values,    Residual, Percent Error"
              "\n        1,        1.000000,         0.833333,    0.166667,     16.666667"
              "\n        2,        2.000000,         2.333333,   -0.333333,    -16.666667"
              "\n        3,        4.000000,         3.833333,    0.166667,      4.166667"
              "\n\n\n Maximum Residual = 0.333333\n Residual Sum of Squares = 0.166667"
              "\n RMS Error = 0.235702\n\n\n Error sum of Squares = 0.166667"
              "\n Regression sum of squares = 4.500000\n Total Sum of Squares = 4.666667"
              "\n\n\n R squared (Coeff. of multiple determination) = 0.964286, Adjusted R "
              "squared = 0.928571\n\n");
}

TEST(ModelFile, ReadsBackEveryOrderExactlyAndFittingNamesItsFiles) {
    TempDirectory folder;
    const std::vector<VariableRange> ranges{{"a", 0, 1}, {"b", -3, 7}, {"c", 1, 1e6}};
    for (int order : {0, 1, 2, 3, 4, 7, 9}) {
        const int terms = modelOrderCounts(order, 3)->terms;
        const Eigen::MatrixXd points = randomPoints(2 * terms, 3, 11 + order);
        const SurfaceFit fit =
            fitResponseSurface(order, points, randomPoints(2 * terms, 1, 31 + order) * 1e3);
        const std::string path = folder.file(modelOrderName(order) + ".mdl");
        ASSERT_TRUE(writeModelFile(path, fit.surface, ranges));
        std::string reason;
        const auto loaded = readModelFile(path, reason, "", 3);
        ASSERT_TRUE(loaded) << reason;
        EXPECT_EQ(loaded->ranges.back().max, 1e6);
        PolynomialSurrogate copy;
        ASSERT_TRUE(copy.readData(PolynomialSurrogate(fit.surface).writeData()));
        const Eigen::MatrixXd probes = randomPoints(3, 100, 51 + order);
        for (Eigen::Index at = 0; at < probes.cols(); ++at) {
            const double fitted = evaluateResponseSurface(probes.col(at), fit.surface);
            EXPECT_EQ(loaded->model->evaluate(probes.col(at)), fitted);
            EXPECT_EQ(copy.evaluate(probes.col(at)), fitted);
        }
        const std::vector<double> inUnits{0.25, 4.5, 1 + (1e6 - 1) * 0.75};  // x = (-0.5, 0.5, 0.5)
        EXPECT_NEAR(evaluateLoadedModel(*loaded, inUnits),
                    evaluateResponseSurface(Eigen::Vector3d(-0.5, 0.5, 0.5), fit.surface), 1e-6);
    }
    SurfaceFitRequest request{randomPoints(12, 2, 5),     randomPoints(12, 1, 6), {"../p\tq"},
                              {{"a", 0, 1}, {"b", 0, 1}}, folder.path(),          3};
    request.writeFiles = true;
    ResponseSurfaceStore store;
    ASSERT_EQ(fitResponseSurfaces(request, store), 1);
    const std::string stem = support::joinPath(folder.path(), "__p_q-Quadratic-3");
    EXPECT_TRUE(support::fileExists(stem + ".mdl"));
    EXPECT_TRUE(support::fileExists(stem + ".err"));
}

class CorruptModelFile : public ::testing::Test {
protected:
    std::string reasonFor(const std::string& text, int expectedVariables = -1) {
        support::FileWriter(path, false).write(text);
        std::string reason;
        EXPECT_FALSE(readModelFile(path, reason, "R", expectedVariables));
        return reason;
    }
    TempDirectory folder;
    std::string path = folder.file("m.mdl");
    std::string header = "R" + prefix + path;
};

TEST_F(CorruptModelFile, GivesTheReasonAndNeverAModel) {
    TempDirectory written;
    const std::string good = written.file("good.mdl");
    ResponseSurface surface{quadraticOrder, 2, true, Eigen::VectorXd::LinSpaced(6, -1, 1)};
    ASSERT_TRUE(writeModelFile(good, surface, {{"a", 0, 1}, {"b", 0, 1}}));
    const std::string text = readWholeFile(good);
    for (std::size_t cut = 0; cut + 1 < text.size(); cut += 7) {
        EXPECT_EQ(reasonFor(text.substr(0, cut)).rfind(header, 0), 0u) << "cut at " << cut;
    }
    EXPECT_EQ(reasonFor(text, 3),
              header + "\n\t The number of variables selected in the definition (3) is different "
                       "than the number used in the mdl file (2).");
    const std::size_t linear = text.find("Linear coefficients:\n") + 21;
    EXPECT_EQ(reasonFor(text.substr(0, linear) + text.substr(linear + 24)),
              header + "\n\t The number of coefficients read (3) is different than the number "
                       "expected (1).");
    const std::size_t quadratic = text.find("Quadratic coefficients:");
    EXPECT_EQ(reasonFor(text.substr(0, quadratic) + "Squares:" + text.substr(quadratic + 23)),
              header + "\n\t Error in the reading the file \"" + path + "\" near line number 7.");
    EXPECT_EQ(reasonFor("garbage\n\x01\xff"),
              header + "\n\t Expecting surface type on the first line. The type read (garbage) "
                       "was not recognized as a supported type.");
    EXPECT_EQ(reasonFor("Linear\nRSM coefficients\nConstant coefficient:\n1\nLinear "
                        "coefficients:\n1 2\n\nNumber of variables used = 99999999\n"),
              header + "\n\t Error in reading the variable range data from the mdl file " + path +
                  ".\n\tCould not locate header.");
    EXPECT_EQ(reasonFor("Kriging model\n"),
              header + "\n\t The model data in the file could not be read.");
}

}  // namespace
}  // namespace varno::surrogate
