#include "hypervolume.h"

#include <algorithm>
#include <cstddef>
#include <cmath>
#include <iterator>
#include <limits>

namespace bench {

namespace {

bool inside(const Point& p, const Point& reference) {
    for (std::size_t k = 0; k < p.size(); ++k) {
        if (!(p[k] < reference[k])) return false;
    }
    return true;
}

// Area of a staircase sorted by the first objective with the second falling.
double staircaseArea(const std::vector<Point>& stairs, const Point& reference) {
    double area = 0.0, ceiling = reference[1];
    for (const Point& p : stairs) {
        area += (reference[0] - p[0]) * (ceiling - p[1]);
        ceiling = p[1];
    }
    return area;
}

// Adds (x, y) to the staircase unless a step dominates it, removing the steps
// it dominates.
void addStep(std::vector<Point>& stairs, double x, double y) {
    auto at = std::lower_bound(stairs.begin(), stairs.end(), x,
                               [](const Point& p, double v) { return p[0] < v; });
    if (at != stairs.begin() && std::prev(at)->at(1) <= y) return;
    if (at != stairs.end() && (*at)[0] == x && (*at)[1] <= y) return;
    auto end = at;
    while (end != stairs.end() && (*end)[1] >= y) ++end;
    at = stairs.erase(at, end);
    stairs.insert(at, Point{x, y});
}

double area2d(std::vector<Point> points, const Point& reference) {
    std::sort(points.begin(), points.end());
    std::vector<Point> stairs;
    for (const Point& p : points) addStep(stairs, p[0], p[1]);
    return staircaseArea(stairs, reference);
}

// Slices along the third objective: between consecutive levels the dominated
// cross-section is the 2-D area of the points at or below the level.
double volume3d(std::vector<Point> points, const Point& reference) {
    std::sort(points.begin(), points.end(),
              [](const Point& a, const Point& b) { return a[2] < b[2]; });
    std::vector<Point> stairs;
    double volume = 0.0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        addStep(stairs, points[i][0], points[i][1]);
        const double top = i + 1 < points.size() ? points[i + 1][2] : reference[2];
        if (top > points[i][2]) volume += staircaseArea(stairs, reference) * (top - points[i][2]);
    }
    return volume;
}

}  // namespace

bool dominates(const Point& a, const Point& b) {
    bool better = false;
    for (std::size_t k = 0; k < a.size(); ++k) {
        if (a[k] > b[k]) return false;
        better = better || a[k] < b[k];
    }
    return better;
}

std::vector<Point> nonDominated(const std::vector<Point>& points, const Point& reference) {
    std::vector<Point> candidates;
    for (const Point& p : points) {
        if (inside(p, reference)) candidates.push_back(p);
    }
    // In lexicographic order no point dominates an earlier one.
    std::sort(candidates.begin(), candidates.end());
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
    std::vector<Point> front;
    for (const Point& p : candidates) {
        const bool dominated = std::any_of(front.begin(), front.end(),
                                           [&](const Point& q) { return dominates(q, p); });
        if (!dominated) front.push_back(p);
    }
    return front;
}

double hypervolume(const std::vector<Point>& points, const Point& reference) {
    std::vector<Point> kept;
    for (const Point& p : points) {
        if (inside(p, reference)) kept.push_back(p);
    }
    if (reference.size() == 2) return area2d(std::move(kept), reference);
    if (reference.size() == 3) return volume3d(std::move(kept), reference);
    return -1.0;
}

double igdPlus(const std::vector<Point>& points, const std::vector<Point>& reference) {
    if (points.empty() || reference.empty()) return std::numeric_limits<double>::infinity();
    double sum = 0.0;
    for (const Point& r : reference) {
        double nearest = std::numeric_limits<double>::infinity();
        for (const Point& a : points) {
            double squared = 0.0;
            for (std::size_t k = 0; k < r.size(); ++k) {
                const double worse = std::max(0.0, a[k] - r[k]);
                squared += worse * worse;
            }
            nearest = std::min(nearest, squared);
        }
        sum += std::sqrt(nearest);
    }
    return sum / static_cast<double>(reference.size());
}

}  // namespace bench
