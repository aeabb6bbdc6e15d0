// The vector that holds a design's codes in the design itself.
#include <gtest/gtest.h>

#include <numeric>
#include <stdexcept>
#include <utility>
#include <vector>

#include "support/small_vector.h"

namespace varno::support {
namespace {

using Small = SmallVector<int, 4>;

Small counting(int count) {
    Small values;
    for (int i = 0; i < count; ++i) values.push_back(i);
    return values;
}

TEST(SmallVector, KeepsItsValuesWhenOutgrowingTheObjectAndCopiesApart) {
    Small values = counting(40);
    std::vector<int> expected(40);
    std::iota(expected.begin(), expected.end(), 0);
    EXPECT_EQ(values, expected);
    Small copy = values;
    copy[0] = -1;
    copy.resize(50, 7);
    EXPECT_EQ(values, expected);
    EXPECT_EQ(copy.size(), 50u);
    EXPECT_EQ(copy.back(), 7);
    EXPECT_THROW(static_cast<void>(values.at(40)), std::out_of_range);
}

// A value or range of the vector itself, passed back to it, is read before
// the storage it lies in is given up.
TEST(SmallVector, TakesValuesOfItsOwn) {
    for (int count : {4, 8}) {  // full in the object, full on the heap
        Small values = counting(count);
        values.push_back(values[0]);
        EXPECT_EQ(values.back(), 0);
        values.resize(4 * values.capacity(), values[1]);
        EXPECT_EQ(values.back(), 1);
        Small shifted = counting(count);
        shifted.assign(shifted.begin() + 1, shifted.end());
        Small expected;
        for (int i = 1; i < count; ++i) expected.push_back(i);
        EXPECT_EQ(shifted, expected);
    }
}

TEST(SmallVector, MovedFromIsEmptyAndUsable) {
    for (int count : {3, 12}) {
        Small source = counting(count);
        Small target = counting(20);  // its heap values are given up
        target = std::move(source);
        EXPECT_EQ(target, counting(count));
        EXPECT_TRUE(source.empty());  // NOLINT(bugprone-use-after-move)
        source.push_back(5);
        EXPECT_EQ(source, std::vector<int>{5});
        const Small moved(std::move(target));
        EXPECT_EQ(moved, counting(count));
    }
}

TEST(SmallVector, OrdersAsStdVectorDoes) {
    const std::vector<std::vector<int>> ordered = {{}, {0}, {0, 1}, {0, 2}, {1}, {1, 0, 0, 0, 0}};
    for (std::size_t a = 0; a < ordered.size(); ++a) {
        for (std::size_t b = 0; b < ordered.size(); ++b) {
            const Small left(ordered[a]), right(ordered[b]);
            EXPECT_EQ(left < right, a < b);
            EXPECT_EQ(left == right, a == b);
        }
    }
}

}  // namespace
}  // namespace varno::support
