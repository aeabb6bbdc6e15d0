// The checkpoint files of an agent: the ".ckp" header with the engine's
// counters and what the search has learnt, and the ".mem" members with the
// population, the random generator and the member the search keeps apart.
// Both are written through the verified write, which reads back what it
// wrote, and replace the previous files only when complete.
#pragma once

#include <string>
#include <utility>

#include "search/population_search.h"
#include "search/random_stream.h"

namespace varno::output {

inline constexpr int checkpointMagic = 45723;

// The pair each verified file begins with: the number of verified writes
// made and a sequence advanced on every write, modulo 2^31 - 1.
struct WriteSequence {
    int writes = 0;
    int sequence = 0;

    std::pair<int, int> advance();
};

int nextSequence(int sequence);

struct Checkpoint {
    int version = 0;
    int populationSize = 0;
    int variableCount = 0;
    int projectResponses = 0;
    int studyResponses = 0;
    int cycleCounter = 0;
    int totalCycles = 0;
    int evaluationsDone = 0;
    double bestPerformance = 0.0;
    search::SearchSnapshot search;
    search::RandomStream::State random;
};

// "<folder><separator><prefix><agent><suffix>", the suffix ".ckp" or ".mem".
std::string checkpointPath(const std::string& folder, const std::string& prefix, int agent,
                           const char* suffix);

// Writes `payload` behind the verified header, reads the file back and
// rewrites it until it reads back as written, up to 50 times (then the
// failure is logged and false returned). False at once when the file
// cannot be written at all.
bool verifiedWrite(const std::string& path, const std::string& payload, WriteSequence& sequence);

// The payload of a verified file; false when it cannot be read or is
// shorter than its header.
bool verifiedRead(const std::string& path, std::string& payload);

// Writes the ".mem" file, then the ".ckp" header. A failure is fatal.
void writeCheckpoint(const std::string& folder, const std::string& prefix, int agent,
                     const Checkpoint& checkpoint, WriteSequence& sequence);

enum class CheckpointRead { ok, noHeader, badMembers };

// Reads both files; `noHeader` when the header file cannot be read or is
// not one, `badMembers` when the members do not fit their counts and sizes.
CheckpointRead readCheckpoint(const std::string& folder, const std::string& prefix, int agent,
                              Checkpoint& checkpoint);

}  // namespace varno::output
