// Exact hypervolume of 2- and 3-objective point sets (minimisation), the
// non-dominated filter the benchmark applies first, and IGD+.
#ifndef VARNO_BENCH_HYPERVOLUME_H
#define VARNO_BENCH_HYPERVOLUME_H

#include <vector>

namespace bench {

using Point = std::vector<double>;

// True when a is no worse than b in every objective and better in one.
bool dominates(const Point& a, const Point& b);

// The points strictly better than `reference` in every objective that no
// other such point dominates (duplicates kept once).
std::vector<Point> nonDominated(const std::vector<Point>& points, const Point& reference);

// Volume dominated by `points` and bounded by `reference`; points outside the
// reference box contribute nothing. 2-D: sort and sweep; 3-D: slices along
// the third objective, each an exact 2-D sweep. Other dimensions: -1.
double hypervolume(const std::vector<Point>& points, const Point& reference);

// IGD+: the mean over the reference points r of the distance to the nearest
// point a of `points`, counting only how far a is worse than r in each
// objective (sqrt of the sum of max(a_k - r_k, 0)^2). Infinity for no points.
double igdPlus(const std::vector<Point>& points, const std::vector<Point>& reference);

}  // namespace bench

#endif
