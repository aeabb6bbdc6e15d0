// Normalisation ranges and the range block of model files.
#include <gtest/gtest.h>

#include "surrogate/variable_range.h"
#include "surrogate_test_support.h"

namespace varno::surrogate {
namespace {

TEST(VariableRange, MapsOntoMinusOneToOneAndTheBlockReadsBackExactly) {
    const VariableRange r{"x", 2.0, 6.0};
    EXPECT_DOUBLE_EQ(normalise(2.0, r), -1.0);
    EXPECT_DOUBLE_EQ(normalise(5.0, r), 0.5);
    EXPECT_DOUBLE_EQ(denormalise(normalise(5.5, r), r), 5.5);
    EXPECT_EQ(normalise(3.0, VariableRange{"fixed", 3.0, 3.0}), 0.0);
    const std::vector<VariableRange> ranges{{"a", 0.1, 1.0 / 3.0}, {"b: min=odd", -1e-300, 7e12}};
    const std::string block = "Linear\nRSM coefficients\n" + rangeBlock(ranges);
    std::vector<std::string> lines = linesOf(block);
    const auto read = readRangeBlock(lines);
    ASSERT_TRUE(read);
    ASSERT_EQ(read->size(), 2u);
    EXPECT_EQ((*read)[1].name, "b: min=odd");
    EXPECT_EQ((*read)[0].max, 1.0 / 3.0);
    EXPECT_EQ((*read)[1].min, -1e-300);

    lines.pop_back();  // the last range line is gone
    EXPECT_FALSE(readRangeBlock(lines));
    EXPECT_FALSE(readRangeBlock({"Linear", "Number of variables used = 1", "x: min=0, max=1"}));
}

}  // namespace
}  // namespace varno::surrogate
