// An index over one agent's evaluated designs, kept up to date as designs are
// stored: their integer codes, for the designs nearest to a point and the
// designs within a box, and their performances, for the best designs. Every
// answer is what a scan of the designs in store order gives, so that it does
// not matter to a search whether it asks the index or scans.
//
// The codes are held in k-d trees built whole (median splits on the widest
// field, each node with the bounding box of its designs' codes, which prunes
// far better than the splits alone in many fields), in the logarithmic scheme: the newest designs
// wait in a short list that is scanned; when it is full, it and every tree of the same size merge
// into one tree twice as large. Each design is rebuilt into a tree O(log n)
// times, the trees are always balanced whatever the order designs arrive in,
// and a query visits O(log n) trees. A grid over ten or more fields would have
// either too many cells or too few to prune with; a tree grown node by node
// degenerates when designs arrive sorted along a field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <span>
#include <utility>
#include <vector>

namespace varno::design {

class DesignIndex {
public:
    explicit DesignIndex(std::size_t fields = 0) : fields_(fields) {}

    // Adds a design with its codes (at least `fields` of them), its store
    // index (larger than any added before) and its performance.
    void add(std::span<const int> codes, std::int32_t storeIndex, double performance);

    std::size_t size() const { return storeIndices_.size(); }

    // Store indices of up to `count` designs nearest to `codes` by the sum of
    // squared code differences over the fields both have: nearer first, then
    // in store order.
    std::vector<std::int32_t> nearest(std::span<const int> codes, std::size_t count) const;

    // Store indices, in store order, of the designs whose codes lie within
    // [low[j], high[j]] (inclusive) in every field j that both bounds give.
    std::vector<std::int32_t> inBox(std::span<const int> low, std::span<const int> high) const;

    // Store indices of up to `count` designs of the largest performance,
    // larger first, then in store order. NaN ranks below every number.
    std::vector<std::int32_t> best(std::size_t count) const;

    std::size_t bytesHeld() const;

private:
    // Designs are numbered in the order they were added, which is store order.
    using Point = std::int32_t;
    // A balanced k-d tree: node n over points [lo, hi) splits them at
    // mid = (lo + hi) / 2, by the field where they spread widest; its children
    // are nodes 2n + 1 and 2n + 2, and nodes of at most leafSize points are
    // scanned. Each node keeps, from node * boxSize(), the bounding box of its
    // points' codes (fields_ lowest codes, then fields_ highest) and its
    // earliest point.
    struct Tree {
        std::vector<Point> points;
        std::vector<int> boxes;
    };
    struct Range {
        std::size_t lo, hi, node;
    };
    class Nearest;
    struct Ranked {
        double performance;
        Point point;
        bool operator<(const Ranked& other) const;
    };

    int code(Point point, std::size_t field) const {
        return coords_[static_cast<std::size_t>(point) * fields_ + field];
    }
    bool isLeaf(const Range& range) const;
    std::size_t boxSize() const { return 2 * fields_ + 1; }
    const int* box(const Tree& tree, const Range& range) const {
        return tree.boxes.data() + range.node * boxSize();
    }
    std::pair<Range, Range> children(const Range& range) const;
    void build(Tree& tree, Range range);
    std::size_t widestField(const Tree& tree, Range range) const;
    void fitBox(Tree& tree, Range range) const;
    void searchNearest(const Tree& tree, Range range, Nearest& found) const;
    void searchBox(const Tree& tree, Range range, std::span<const int> low,
                   std::span<const int> high, std::vector<Point>& found) const;
    bool inside(Point point, std::span<const int> low, std::span<const int> high) const;
    void inStoreOrder(std::vector<Point>& points) const;

    std::size_t fields_;
    std::vector<int> coords_;  // the codes of design p from p * fields_
    std::vector<std::int32_t> storeIndices_;
    std::vector<Point> recent_;  // designs in no tree yet
    std::vector<Tree> trees_;    // trees_[level]: empty or recentLimit << level designs
    std::set<Ranked> ranking_;
};

}  // namespace varno::design
