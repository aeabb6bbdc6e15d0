#include "output/checkpoint_file.h"

#include "frame/fatal_error.h"
#include "frame/message_writer.h"
#include "frame/text_format.h"
#include "support/binary_io.h"
#include "support/file_io.h"

namespace varno::output {

namespace {

using support::ByteReader;
using support::ByteWriter;

constexpr int verifyAttempts = 50;
constexpr int sequenceModulus = 2147483647;
constexpr std::size_t headerBytes = 8;

// A member record carries its size, so a reader can step over it whole.
void writeSizedMember(ByteWriter& out, const search::PopulationMember& member) {
    ByteWriter record;
    search::writeMember(record, member);
    out.int32(static_cast<std::int32_t>(record.size()));
    out.bytes(record.buffer());
}

bool readSizedMember(ByteReader& in, search::PopulationMember& member) {
    std::int32_t size = 0;
    if (!in.count(size, 1)) return false;
    const std::size_t end = in.offset() + static_cast<std::size_t>(size);
    return readMember(in, member) && in.offset() == end;
}

std::string memberBytes(const Checkpoint& checkpoint) {
    ByteWriter out;
    out.int32(static_cast<std::int32_t>(checkpoint.search.members.size()));
    for (const search::PopulationMember& member : checkpoint.search.members) {
        writeSizedMember(out, member);
    }
    search::RandomStream random;
    random.restore(checkpoint.random);
    random.write(out);
    writeSizedMember(out, checkpoint.search.apart);
    return out.take();
}

std::string headerBytesOf(const Checkpoint& c) {
    ByteWriter out;
    out.int32(checkpointMagic);
    for (int value : {c.version, c.populationSize, c.variableCount, c.projectResponses,
                      c.studyResponses, c.cycleCounter, c.totalCycles, c.evaluationsDone}) {
        out.int32(value);
    }
    out.real(c.bestPerformance);
    out.text(c.search.state);
    return out.take();
}

bool readHeader(const std::string& bytes, Checkpoint& c) {
    ByteReader in(bytes);
    std::int32_t magic = 0;
    if (!in.int32(magic) || magic != checkpointMagic) return false;
    for (int* value : {&c.version, &c.populationSize, &c.variableCount, &c.projectResponses,
                       &c.studyResponses, &c.cycleCounter, &c.totalCycles, &c.evaluationsDone}) {
        in.int32(*value);
    }
    in.real(c.bestPerformance);
    return in.text(c.search.state) && in.atEnd();
}

bool readMembers(const std::string& bytes, Checkpoint& c) {
    ByteReader in(bytes);
    std::int32_t count = 0;
    if (!in.count(count, 4)) return false;
    c.search.members.resize(static_cast<std::size_t>(count));
    for (std::size_t n = 0; n < c.search.members.size(); ++n) {
        if (readSizedMember(in, c.search.members[n])) continue;
        writeToMessageFile(
            formatText("\nError: %dth member read for restore failed.\n", static_cast<int>(n)));
        return false;
    }
    search::RandomStream random;
    if (!random.read(in)) return false;
    c.random = random.state();
    return readSizedMember(in, c.search.apart) && in.atEnd();
}

[[noreturn]] void failedWrite(const std::string& path, const char* kind) {
    writeToMessageFile(formatText("\n*** ERROR: Unable to open %s for write.\n", path.c_str()));
    writeToMessageFile("\nError: Unable to write .mem file\n");
    // The reason names the file, as the host may only see this line.
    fatalError(formatText("%s (%s)", kind, path.c_str()));
}

}  // namespace

int nextSequence(int sequence) {
    return static_cast<int>((static_cast<long long>(sequence) + 1) % sequenceModulus);
}

std::pair<int, int> WriteSequence::advance() {
    sequence = nextSequence(sequence);
    ++writes;
    return {writes, sequence};
}

std::string checkpointPath(const std::string& folder, const std::string& prefix, int agent,
                           const char* suffix) {
    return formatText("%s%c%s%d%s", folder.c_str(), support::pathSeparator, prefix.c_str(), agent,
                      suffix);
}

bool verifiedWrite(const std::string& path, const std::string& payload, WriteSequence& sequence) {
    const auto [writes, current] = sequence.advance();
    ByteWriter out;
    out.int32(writes);
    out.int32(current);
    out.bytes(payload);
    for (int attempt = 0; attempt < verifyAttempts; ++attempt) {
        if (!support::replaceFile(path, out.buffer())) return false;
        std::string back;
        if (support::readFileBytes(path, back) && back == out.buffer()) return true;
    }
    writeToMessageFile(formatText("Unable to verify correct file write of %s after %d attempts!!\n",
                                  path.c_str(), verifyAttempts));
    return false;
}

bool verifiedRead(const std::string& path, std::string& payload) {
    std::string bytes;
    if (!support::readFileBytes(path, bytes) || bytes.size() < headerBytes) return false;
    payload = bytes.substr(headerBytes);
    return true;
}

void writeCheckpoint(const std::string& folder, const std::string& prefix, int agent,
                     const Checkpoint& checkpoint, WriteSequence& sequence) {
    const std::string memPath = checkpointPath(folder, prefix, agent, ".mem");
    if (!verifiedWrite(memPath, memberBytes(checkpoint), sequence)) {
        failedWrite(memPath, "Write Failure of .mem file forced exit.");
    }
    const std::string headerPath = checkpointPath(folder, prefix, agent, ".ckp");
    if (!verifiedWrite(headerPath, headerBytesOf(checkpoint), sequence)) {
        fatalError(formatText("\n*** ERROR: Unable to open checkpoint header file %s\n%s",
                              headerPath.c_str(), " for writing.  Will terminate run. ***\n"));
    }
}

CheckpointRead readCheckpoint(const std::string& folder, const std::string& prefix, int agent,
                              Checkpoint& checkpoint) {
    std::string header, members;
    if (!verifiedRead(checkpointPath(folder, prefix, agent, ".ckp"), header) ||
        !readHeader(header, checkpoint)) {
        return CheckpointRead::noHeader;
    }
    if (!verifiedRead(checkpointPath(folder, prefix, agent, ".mem"), members) ||
        !readMembers(members, checkpoint)) {
        return CheckpointRead::badMembers;
    }
    return CheckpointRead::ok;
}

}  // namespace varno::output
