// The index of an agent's evaluated designs against scans of the same designs
// in store order, on random codes with many ties.
#include "design/design_index.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace varno::design {
namespace {

struct Stored {
    std::vector<int> codes;
    double performance;
    std::int32_t storeIndex;
};

double distance(const std::vector<int>& a, const std::vector<int>& b) {
    double sum = 0.0;
    for (std::size_t j = 0; j < a.size(); ++j) sum += std::pow(double(a[j]) - b[j], 2);
    return sum;
}

// The first `count` of `designs` after a stable sort by `before`.
template <typename Before>
std::vector<std::int32_t> scanFirst(std::vector<Stored> designs, std::size_t count, Before before) {
    std::stable_sort(designs.begin(), designs.end(), before);
    std::vector<std::int32_t> indices;
    for (std::size_t i = 0; i < designs.size() && i < count; ++i) {
        indices.push_back(designs[i].storeIndex);
    }
    return indices;
}

std::vector<std::int32_t> scanBox(const std::vector<Stored>& designs, const std::vector<int>& low,
                                  const std::vector<int>& high) {
    std::vector<std::int32_t> indices;
    for (const Stored& d : designs) {
        bool inside = true;
        for (std::size_t j = 0; j < d.codes.size(); ++j) {
            inside = inside && d.codes[j] >= low[j] && d.codes[j] <= high[j];
        }
        if (inside) indices.push_back(d.storeIndex);
    }
    return indices;
}

TEST(DesignIndexTest, AnswersAsAScanInStoreOrderWouldWhateverTheOrderOfArrival) {
    std::mt19937 random(7);
    for (const int fields : {1, 3, 10}) {
        for (const bool sorted : {false, true}) {
            const int levels = fields == 1 ? 40 : 6;  // few levels: many equal distances
            std::vector<Stored> designs;
            DesignIndex index(static_cast<std::size_t>(fields));
            for (int n = 0; n < 1500; ++n) {
                Stored d{{}, double(random() % 20), 3 * n + 1};
                for (int j = 0; j < fields; ++j) d.codes.push_back(int(random() % levels));
                if (sorted) d.codes[0] = n;  // arriving in the order of one field
                if (n % 97 == 0) d.performance = std::numeric_limits<double>::quiet_NaN();
                index.add(d.codes, d.storeIndex, d.performance);
                designs.push_back(d);
                if (n % 149 != 0 && n != 1499) continue;
                for (int q = 0; q < 5; ++q) {
                    std::vector<int> point, low, high;
                    for (int j = 0; j < fields; ++j) {
                        point.push_back(int(random() % (sorted && j == 0 ? n + 1 : levels)));
                        low.push_back(point.back() - int(random() % 3));
                        high.push_back(point.back() + int(random() % 3));
                    }
                    const std::size_t count = random() % 15;
                    EXPECT_EQ(index.nearest(point, count),
                              scanFirst(designs, count, [&](const Stored& a, const Stored& b) {
                                  return distance(a.codes, point) < distance(b.codes, point);
                              }));
                    EXPECT_EQ(index.inBox(low, high), scanBox(designs, low, high));
                    EXPECT_EQ(index.best(count),
                              scanFirst(designs, count, [](const Stored& a, const Stored& b) {
                                  return a.performance > b.performance ||
                                         (!std::isnan(a.performance) && std::isnan(b.performance));
                              }));
                }
                ASSERT_EQ(index.size(), designs.size());
            }
        }
    }
}

}  // namespace
}  // namespace varno::design
