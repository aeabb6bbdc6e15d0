#include "design/design_index.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <tuple>

namespace varno::design {

namespace {

constexpr std::size_t recentLimit = 64;  // designs scanned before they form a tree
constexpr std::size_t leafSize = 16;     // designs a tree node scans instead of splitting
// Box answers holding at least 1 / markingShare of the designs are put in
// store order by marking rather than sorting.
constexpr std::size_t markingShare = 16;

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

    // Whether designs at least `bound` away, none earlier than `earliest`,
    // could still be among the nearest: at the same distance as the farthest
    // found, only an earlier one can.
    bool worthVisiting(double bound, Point earliest) const {
        return found_.size() < count_ || std::pair(bound, earliest) < found_.back();
    }

    // The distance to a node's box, with the node's earliest point.
    std::pair<double, Point> reach(const int* box) const {
        return {distanceToBox(box), box[2 * index_.fields_]};
    }

    // The squared distance from `codes` to the nearest point of a bounding
    // box (`fields` lowest codes, then the highest), over the fields both have.
    double distanceToBox(const int* box) const {
        double distance = 0.0;
        for (std::size_t j = 0; j < compared_; ++j) {
            const int low = box[j], high = box[index_.fields_ + j];
            if (codes_[j] < low) distance += squared(static_cast<double>(low) - codes_[j]);
            if (codes_[j] > high) distance += squared(static_cast<double>(codes_[j]) - high);
        }
        return distance;
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
    if (tree.boxes.size() < (range.node + 1) * boxSize()) {
        tree.boxes.resize((range.node + 1) * boxSize());
    }
    if (!isLeaf(range)) {
        const std::size_t field = widestField(tree, range);
        const auto begin = tree.points.begin();
        const auto [left, right] = children(range);
        std::nth_element(begin + static_cast<long>(range.lo), begin + static_cast<long>(left.hi),
                         begin + static_cast<long>(range.hi),
                         [&](Point a, Point b) { return code(a, field) < code(b, field); });
        build(tree, left);
        build(tree, right);
    }
    fitBox(tree, range);
}

std::size_t DesignIndex::widestField(const Tree& tree, Range range) const {
    std::size_t widest = 0;
    long widestSpread = -1;
    for (std::size_t j = 0; j < fields_; ++j) {
        int low = std::numeric_limits<int>::max(), high = std::numeric_limits<int>::min();
        for (std::size_t i = range.lo; i < range.hi; ++i) {
            low = std::min(low, code(tree.points[i], j));
            high = std::max(high, code(tree.points[i], j));
        }
        const long spread = static_cast<long>(high) - low;
        if (spread > widestSpread) std::tie(widest, widestSpread) = std::pair(j, spread);
    }
    return widest;
}

void DesignIndex::fitBox(Tree& tree, Range range) const {
    int* box = tree.boxes.data() + range.node * boxSize();
    std::fill(box, box + fields_, std::numeric_limits<int>::max());
    std::fill(box + fields_, box + 2 * fields_, std::numeric_limits<int>::min());
    box[2 * fields_] = *std::min_element(tree.points.begin() + static_cast<long>(range.lo),
                                         tree.points.begin() + static_cast<long>(range.hi));
    for (std::size_t i = range.lo; i < range.hi; ++i) {
        for (std::size_t j = 0; j < fields_; ++j) {
            box[j] = std::min(box[j], code(tree.points[i], j));
            box[fields_ + j] = std::max(box[fields_ + j], code(tree.points[i], j));
        }
    }
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

// A node is searched only when its bounding box lies near enough, and its
// earliest design early enough, that a design in it could be among the
// nearest; the nearer child first.
void DesignIndex::searchNearest(const Tree& tree, Range range, Nearest& found) const {
    const auto [distance, earliest] = found.reach(box(tree, range));
    if (!found.worthVisiting(distance, earliest)) return;
    if (isLeaf(range)) {
        for (std::size_t i = range.lo; i < range.hi; ++i) found.consider(tree.points[i]);
        return;
    }
    const auto [left, right] = children(range);
    const bool leftFirst = found.reach(box(tree, left)) < found.reach(box(tree, right));
    searchNearest(tree, leftFirst ? left : right, found);
    searchNearest(tree, leftFirst ? right : left, found);
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
    inStoreOrder(found);
    std::vector<std::int32_t> indices;
    indices.reserve(found.size());
    for (Point point : found) indices.push_back(storeIndices_[static_cast<std::size_t>(point)]);
    return indices;
}

// Sorts points; a large share of all designs by marking them and reading
// the marks in order, which takes a pass over the designs but no comparisons.
void DesignIndex::inStoreOrder(std::vector<Point>& points) const {
    if (points.size() * markingShare < size()) {
        std::sort(points.begin(), points.end());
        return;
    }
    std::vector<bool> marked(size());
    for (Point point : points) marked[static_cast<std::size_t>(point)] = true;
    points.clear();
    for (std::size_t p = 0; p < marked.size(); ++p) {
        if (marked[p]) points.push_back(static_cast<Point>(p));
    }
}

void DesignIndex::searchBox(const Tree& tree, Range range, std::span<const int> low,
                            std::span<const int> high, std::vector<Point>& found) const {
    const int* nodeBox = box(tree, range);
    const std::size_t bounded = std::min({fields_, low.size(), high.size()});
    bool contained = true;
    for (std::size_t j = 0; j < bounded; ++j) {
        if (nodeBox[fields_ + j] < low[j] || nodeBox[j] > high[j]) return;
        contained = contained && low[j] <= nodeBox[j] && nodeBox[fields_ + j] <= high[j];
    }
    if (contained || isLeaf(range)) {
        for (std::size_t i = range.lo; i < range.hi; ++i) {
            if (contained || inside(tree.points[i], low, high)) found.push_back(tree.points[i]);
        }
        return;
    }
    const auto [left, right] = children(range);
    searchBox(tree, left, low, high, found);
    searchBox(tree, right, low, high, found);
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
        bytes += (tree.points.capacity() + tree.boxes.capacity()) * sizeof(int);
    }
    return bytes;
}

}  // namespace varno::design
