#include "design/design_index.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <tuple>

namespace varno::design {

namespace {

constexpr std::size_t recentLimit = 64;  // designs scanned before they form a tree
constexpr std::size_t leafSize = 16;     // designs a tree node scans instead of splitting

double squared(double difference) { return difference * difference; }

}  // namespace

// The best `count` designs seen so far, nearest first, by (distance, point).
class DesignIndex::Nearest {
public:
    Nearest(const DesignIndex& index, std::span<const int> codes, std::size_t count)
        : index_(index), codes_(codes), count_(count),
          compared_(std::min(codes.size(), index.fields_)) {}

    void consider(Point point) {
        double distance = 0.0;
        for (std::size_t j = 0; j < compared_; ++j) {
            distance += squared(static_cast<double>(index_.code(point, j)) - codes_[j]);
        }
        const std::pair candidate{distance, point};
        if (found_.size() == count_ && !(candidate < found_.back())) return;
        found_.insert(std::upper_bound(found_.begin(), found_.end(), candidate), candidate);
        if (found_.size() > count_) found_.pop_back();
    }

    // Whether designs at least `bound` away could still be among the nearest;
    // one at the same distance as the farthest found can, by its store order.
    bool worthVisiting(double bound) const {
        return found_.size() < count_ || bound <= found_.back().first;
    }

    // How far `codes` lies in `field` from a split at `value`: 0 for a field
    // the query does not give.
    double offset(std::size_t field, int value) const {
        return field < codes_.size() ? static_cast<double>(codes_[field]) - value : 0.0;
    }

    std::vector<std::int32_t> storeIndices() const {
        std::vector<std::int32_t> indices;
        for (const auto& [distance, point] : found_) {
            indices.push_back(index_.storeIndices_[static_cast<std::size_t>(point)]);
        }
        return indices;
    }

private:
    const DesignIndex& index_;
    std::span<const int> codes_;
    std::size_t count_;
    std::size_t compared_;
    std::vector<std::pair<double, Point>> found_;
};

bool DesignIndex::Ranked::operator<(const Ranked& other) const {
    const bool nan = std::isnan(performance), otherNan = std::isnan(other.performance);
    if (nan != otherNan) return otherNan;
    if (!nan && performance != other.performance) return performance > other.performance;
    return point < other.point;
}

void DesignIndex::add(std::span<const int> codes, std::int32_t storeIndex, double performance) {
    const auto point = static_cast<Point>(storeIndices_.size());
    coords_.insert(coords_.end(), codes.begin(), codes.begin() + static_cast<long>(fields_));
    storeIndices_.push_back(storeIndex);
    ranking_.insert({performance, point});
    recent_.push_back(point);
    if (recent_.size() < recentLimit) return;
    Tree merged;
    merged.points = std::move(recent_);
    recent_.clear();
    std::size_t level = 0;
    for (; level < trees_.size() && !trees_[level].points.empty(); ++level) {
        merged.points.insert(merged.points.end(), trees_[level].points.begin(),
                             trees_[level].points.end());
        trees_[level] = Tree();
    }
    if (level == trees_.size()) trees_.emplace_back();
    build(merged, {0, merged.points.size(), 0});
    trees_[level] = std::move(merged);
}

bool DesignIndex::isLeaf(const Range& range) const {
    return range.hi - range.lo <= leafSize || fields_ == 0;
}

std::pair<DesignIndex::Range, DesignIndex::Range> DesignIndex::children(const Range& range) const {
    const std::size_t mid = range.lo + (range.hi - range.lo) / 2;
    return {{range.lo, mid, 2 * range.node + 1}, {mid, range.hi, 2 * range.node + 2}};
}

void DesignIndex::build(Tree& tree, Range range) {
    if (isLeaf(range)) return;
    const std::uint8_t field = widestField(tree, range);
    const auto begin = tree.points.begin();
    const auto [left, right] = children(range);
    std::nth_element(begin + static_cast<long>(range.lo), begin + static_cast<long>(left.hi),
                     begin + static_cast<long>(range.hi),
                     [&](Point a, Point b) { return code(a, field) < code(b, field); });
    if (tree.splits.size() <= range.node) tree.splits.resize(range.node + 1);
    // Read before the children reorder their points.
    tree.splits[range.node] = {code(tree.points[left.hi], field), field};
    build(tree, left);
    build(tree, right);
}

std::uint8_t DesignIndex::widestField(const Tree& tree, Range range) const {
    std::size_t widest = 0;
    long widestSpread = -1;
    for (std::size_t j = 0; j < fields_ && j <= std::numeric_limits<std::uint8_t>::max(); ++j) {
        int low = std::numeric_limits<int>::max(), high = std::numeric_limits<int>::min();
        for (std::size_t i = range.lo; i < range.hi; ++i) {
            low = std::min(low, code(tree.points[i], j));
            high = std::max(high, code(tree.points[i], j));
        }
        const long spread = static_cast<long>(high) - low;
        if (spread > widestSpread) std::tie(widest, widestSpread) = std::pair(j, spread);
    }
    return static_cast<std::uint8_t>(widest);
}

std::vector<std::int32_t> DesignIndex::nearest(std::span<const int> codes,
                                               std::size_t count) const {
    Nearest found(*this, codes, count);
    if (count == 0) return {};
    for (const Tree& tree : trees_) {
        if (!tree.points.empty()) searchNearest(tree, {0, tree.points.size(), 0}, found);
    }
    for (Point point : recent_) found.consider(point);
    return found.storeIndices();
}

// The side of the split the query lies on first; the other only when a
// design there could still be among the nearest.
void DesignIndex::searchNearest(const Tree& tree, Range range, Nearest& found) const {
    if (isLeaf(range)) {
        for (std::size_t i = range.lo; i < range.hi; ++i) found.consider(tree.points[i]);
        return;
    }
    const Split& split = tree.splits[range.node];
    const auto [left, right] = children(range);
    const double offset = found.offset(split.field, split.value);
    const bool leftFirst = offset < 0;
    searchNearest(tree, leftFirst ? left : right, found);
    if (found.worthVisiting(squared(offset))) searchNearest(tree, leftFirst ? right : left, found);
}

std::vector<std::int32_t> DesignIndex::inBox(std::span<const int> low,
                                             std::span<const int> high) const {
    std::vector<Point> found;
    for (const Tree& tree : trees_) {
        if (!tree.points.empty()) searchBox(tree, {0, tree.points.size(), 0}, low, high, found);
    }
    for (Point point : recent_) {
        if (inside(point, low, high)) found.push_back(point);
    }
    std::sort(found.begin(), found.end());
    std::vector<std::int32_t> indices;
    indices.reserve(found.size());
    for (Point point : found) indices.push_back(storeIndices_[static_cast<std::size_t>(point)]);
    return indices;
}

void DesignIndex::searchBox(const Tree& tree, Range range, std::span<const int> low,
                            std::span<const int> high, std::vector<Point>& found) const {
    if (isLeaf(range)) {
        for (std::size_t i = range.lo; i < range.hi; ++i) {
            if (inside(tree.points[i], low, high)) found.push_back(tree.points[i]);
        }
        return;
    }
    const Split& split = tree.splits[range.node];
    const auto [left, right] = children(range);
    const bool bounded = split.field < low.size() && split.field < high.size();
    if (!bounded || low[split.field] <= split.value) searchBox(tree, left, low, high, found);
    if (!bounded || high[split.field] >= split.value) searchBox(tree, right, low, high, found);
}

bool DesignIndex::inside(Point point, std::span<const int> low, std::span<const int> high) const {
    const std::size_t bounded = std::min({fields_, low.size(), high.size()});
    for (std::size_t j = 0; j < bounded; ++j) {
        const int value = code(point, j);
        if (value < low[j] || value > high[j]) return false;
    }
    return true;
}

std::vector<std::int32_t> DesignIndex::best(std::size_t count) const {
    std::vector<std::int32_t> indices;
    for (auto it = ranking_.begin(); it != ranking_.end() && indices.size() < count; ++it) {
        indices.push_back(storeIndices_[static_cast<std::size_t>(it->point)]);
    }
    return indices;
}

std::size_t DesignIndex::bytesHeld() const {
    // A set node: the value and, in common implementations, three links and a colour.
    constexpr std::size_t rankedNodeBytes = sizeof(Ranked) + 4 * sizeof(void*);
    std::size_t bytes = coords_.capacity() * sizeof(int) +
                        storeIndices_.capacity() * sizeof(std::int32_t) +
                        recent_.capacity() * sizeof(Point) + ranking_.size() * rankedNodeBytes;
    for (const Tree& tree : trees_) {
        bytes += tree.points.capacity() * sizeof(Point) + tree.splits.capacity() * sizeof(Split);
    }
    return bytes;
}

}  // namespace varno::design
