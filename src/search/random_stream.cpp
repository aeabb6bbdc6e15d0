#include "search/random_stream.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "frame/text_format.h"

namespace varno::search {

namespace {

constexpr double scatterStart = 0.123456789;
constexpr double smallestUniform = 2.220446049250313e-16;
constexpr double fullTurn = 6.2831853072;

double wrapNegative(double value) { return value < 0.0 ? value + 1.0 : value; }

}  // namespace

void RandomStream::refill() {
    auto& t = state_.table;
    for (int j = 0; j < 24; ++j) t[j] = wrapNegative(t[j] - t[j + 31]);
    for (int j = 24; j < tableSize; ++j) t[j] = wrapNegative(t[j] - t[j - 24]);
}

void RandomStream::reseed(float seed) {
    state_ = State{};
    state_.seed = seed;
    auto& t = state_.table;
    t[tableSize - 1] = seed;
    double next = scatterStart;
    double previous = seed;
    for (int k = 1; k < tableSize; ++k) {
        const int i = (21 * k) % (tableSize - 1);
        t[i] = next;
        next = wrapNegative(previous - next);
        previous = t[i];
    }
    for (int pass = 0; pass < 3; ++pass) refill();
    state_.cursor = 0;
}

float RandomStream::clockSeed(int startAgent, std::int64_t clockSeconds) {
    const double v = static_cast<double>(startAgent + 1) * 12345.0 +
                     static_cast<double>(clockSeconds % 10000000);
    const double scaled = v / 100000.0;
    return static_cast<float>(scaled - std::floor(scaled));
}

std::optional<std::string> RandomStream::seedForStudy(float studySeed, int startAgent,
                                                      std::int64_t clockSeconds) {
    if (studySeed != 0.0f) {
        reseed(studySeed);
        return std::nullopt;
    }
    reseed(clockSeed(startAgent, clockSeconds));
    return formatText("\n\tRandom seed=%f.\n\n", static_cast<double>(state_.seed));
}

float RandomStream::draw() {
    if (++state_.cursor >= tableSize) {
        state_.cursor = 1;
        refill();
    }
    return static_cast<float>(state_.table[state_.cursor]);
}

int RandomStream::index(int n) {
    const int drawn = static_cast<int>(static_cast<double>(draw()) * n);
    return std::min(n - 1, drawn);
}

// Floyd's method: one draw per position kept, whatever the count.
std::vector<int> RandomStream::sample(int count, int wanted) {
    std::vector<int> kept;
    if (count <= wanted) {
        for (int k = 0; k < count; ++k) kept.push_back(k);
        return kept;
    }
    std::set<int> chosen;
    for (int last = count - wanted; last < count; ++last) {
        const int drawn = integer(0, last);
        chosen.insert(chosen.contains(drawn) ? last : drawn);
    }
    return {chosen.begin(), chosen.end()};
}

int RandomStream::integer(int low, int high) {
    if (low >= high) return low;
    const int span = high - low + 1;
    return std::min(high, low + static_cast<int>(static_cast<double>(draw()) * span));
}

double RandomStream::normal() {
    if (state_.hasKeptNormal) {
        state_.hasKeptNormal = false;
        return state_.keptNormal;
    }
    double u1 = draw();
    if (u1 == 0.0) u1 = smallestUniform;
    const double u2 = draw();
    const double radius = std::sqrt(-2.0 * std::log(u1));
    const double angle = fullTurn * u2;
    state_.keptNormal = radius * std::sin(angle);
    state_.hasKeptNormal = true;
    return radius * std::cos(angle);
}

std::uint32_t RandomStream::samplingSeed() {
    return static_cast<std::uint32_t>(static_cast<double>(draw()) * 100000.0);
}

}  // namespace varno::search
