// Adaptive mutation of the genetic operators.
#include <algorithm>
#include <cmath>

#include "search/genetic_operators.h"

namespace varno::search {

namespace {

constexpr int spreadSampleSize = 3;
constexpr double blockStepScale = 1.5;
constexpr double fieldStepScale = 0.5;

}  // namespace

int GeneticOperators::mutate(PopulationMember& child, const Population& population) {
    const OperatorWeights& w = adaptive_.weights;
    const double multi = static_cast<double>(w.multiFieldFirst) + w.multiFieldSecond;
    const double singleShare = w.singleField / (w.singleField + multi + w.gaussianFields);
    int tag = tagUnchanged;
    if (random_.flip(singleShare)) {
        tag = resetSingleField(child);
    } else if (random_.flip(multi / (multi + w.gaussianFields))) {
        tag = mutateBlock(child, population);
    } else {
        tag = mutateEveryField(child, population);
    }
    if (tag != tagUnchanged) {
        ++mutations_;
        child.tag = tag;
    }
    return tag;
}

int GeneticOperators::resetSingleField(PopulationMember& child) {
    // Fields of one level can never take another code, so they are not drawn.
    std::vector<int> mutable_fields;
    for (int j = 0; j < fieldCount(); ++j) {
        if (fieldSizes_[j] > 1) mutable_fields.push_back(j);
    }
    if (mutable_fields.empty()) return tagUnchanged;
    const int field = mutable_fields[random_.index(static_cast<int>(mutable_fields.size()))];
    int& code = child.codes()[field];
    int drawn = code;
    while (drawn == code) drawn = random_.index(fieldSizes_[field]);
    code = drawn;
    return tagSingleField;
}

int GeneticOperators::blockWidth() {
    const int fields = fieldCount();
    double q = 1.0 - 1.0 / adaptive_.averageMutationWidth;
    if (q < 0.0) q = 0.0;
    if (fields == 1) q = 0.5;
    if (q > 1.0 - 1.0 / fields) q = 1.0 - 2.0 / fields;
    int width = 1;
    while (width < fields && random_.draw() <= q) ++width;
    return width;
}

int GeneticOperators::mutateBlock(PopulationMember& child, const Population& population) {
    const int fields = fieldCount();
    const int width = blockWidth();
    const int start = random_.index(fields);
    const OperatorWeights& w = adaptive_.weights;
    int tag = tagMultiFieldSecond;
    if (!exploring_ && random_.flip(w.multiFieldFirst / (static_cast<double>(w.multiFieldFirst) +
                                                         w.multiFieldSecond))) {
        tag = tagMultiFieldFirst;
    }
    bool changed = false;
    for (int n = 0; n < width; ++n) {
        const int field = (start + n) % fields;
        const double scale = std::max(blockStepScale, 0.25 * fieldSpread(population, field));
        int& code = child.codes()[field];
        int moved = gaussianStep(code, field, scale);
        // A block of one field must move it, unless it has a single level.
        while (width == 1 && moved == code && fieldSizes_[field] > 1) {
            moved = gaussianStep(code, field, scale);
        }
        changed = changed || moved != code;
        code = moved;
    }
    if (!changed) return tagUnchanged;
    child.mutationWidth = width;
    return tag;
}

int GeneticOperators::mutateEveryField(PopulationMember& child, const Population& population) {
    bool changed = false;
    for (int field = 0; field < fieldCount(); ++field) {
        const double scale = std::max(fieldStepScale, 0.25 * fieldSpread(population, field));
        int& code = child.codes()[field];
        const int moved = gaussianStep(code, field, scale);
        changed = changed || moved != code;
        code = moved;
    }
    return changed ? tagGaussianFields : tagUnchanged;
}

// Standard deviation of the field's codes in three random members; half the
// field size when they do not spread.
double GeneticOperators::fieldSpread(const Population& population, int field) {
    double sum = 0.0;
    double squares = 0.0;
    for (int n = 0; n < spreadSampleSize; ++n) {
        const int member = random_.index(static_cast<int>(population.size()));
        const double code = population[static_cast<std::size_t>(member)].codes()[field];
        sum += code;
        squares += code * code;
    }
    const double mean = sum / spreadSampleSize;
    const double variance = squares / spreadSampleSize - mean * mean;
    return variance > 0.0 ? std::sqrt(variance) : 0.5 * fieldSizes_[field];
}

// The code after a Gaussian step; a step that would leave the field's codes is
// shrunk in proportion to the room left, and the result kept within them.
int GeneticOperators::gaussianStep(int code, int field, double scale) {
    const int largest = fieldSizes_[field] - 1;
    int step = static_cast<int>(random_.normal() * scale);
    if (code + step > largest) {
        step = static_cast<int>((largest - code) / scale * step);
    } else if (code + step < 0) {
        step = static_cast<int>(code / scale * step);
    }
    return std::clamp(code + step, 0, largest);
}

}  // namespace varno::search
