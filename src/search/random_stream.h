// The search's pseudo-random generator: a lagged subtractive generator over a
// table of 55 doubles in [0, 1) with a read cursor. Every random choice of a
// search draws from the one stream the study owns, so a study seed replays a
// whole run.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "support/binary_io.h"

namespace varno::search {

class RandomStream {
public:
    static constexpr int tableSize = 55;

    // The whole generator state, for checkpoints.
    struct State {
        std::array<double, tableSize> table{};
        int cursor = 0;
        float seed = 0.0f;
        bool hasKeptNormal = false;
        double keptNormal = 0.0;
    };

    explicit RandomStream(float seed = 0.5f) { reseed(seed); }

    // Seeds with `seed` in [0, 1]: scatter, three refills, cursor 0.
    void reseed(float seed);

    // The study's seeding: a seed of 0 is replaced by one taken from the clock
    // (`clockSeconds`, the current time in seconds) and the run-log line that
    // reports it is returned; any other seed returns nothing.
    std::optional<std::string> seedForStudy(float studySeed, int startAgent,
                                            std::int64_t clockSeconds);

    // The seed a clock reading gives for an agent range starting at `startAgent`.
    static float clockSeed(int startAgent, std::int64_t clockSeconds);

    float seed() const { return state_.seed; }

    // The next value in [0, 1], as float32.
    float draw();
    // A uniform index in [0, n - 1].
    int index(int n);
    // A uniform integer in [low, high]; `low` when low >= high.
    int integer(int low, int high);
    // `wanted` of the positions 0 .. count - 1, drawn without repeats, in
    // increasing order; every position when count <= wanted.
    std::vector<int> sample(int count, int wanted);
    // True with probability p.
    bool flip(double p) { return p >= draw(); }
    // A standard normal value; each pair of uniform draws gives two values.
    double normal();
    // The seed handed to the sampling generator of space-filling designs.
    std::uint32_t samplingSeed();

    const State& state() const { return state_; }
    void restore(const State& state) { state_ = state; }
    // The whole state, for checkpoints: the table, the cursor, the seed and
    // the kept normal value.
    void write(support::ByteWriter& out) const;
    bool read(support::ByteReader& in);

private:
    void refill();

    State state_;
};

}  // namespace varno::search
