// The checkpoint reader: the first two bytes give the length of the header
// file, the rest is the members file. Either is refused, or the checkpoint
// read is written again and reads back the same.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "frame/fatal_error.h"
#include "output/checkpoint_file.h"
#include "support/binary_io.h"

namespace {

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string membersOf(const varno::output::Checkpoint& checkpoint) {
    varno::support::ByteWriter out;
    for (const auto& member : checkpoint.search.members) varno::search::writeMember(out, member);
    varno::search::writeMember(out, checkpoint.search.apart);
    return out.take();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace varno::output;
    static const std::string folder = [] {
        const auto path = std::filesystem::temp_directory_path() / "varno-fuzz-checkpoint";
        std::filesystem::create_directories(path / "again");
        return path.string();
    }();
    const std::size_t split = size < 2 ? 0
                                       : std::min<std::size_t>(size - 2, data[0] | data[1] << 8);
    const char* rest = reinterpret_cast<const char*>(data) + std::min<std::size_t>(size, 2);
    writeFile(checkpointPath(folder, "f", 1, ".ckp"), std::string(rest, split));
    writeFile(checkpointPath(folder, "f", 1, ".mem"),
              std::string(rest + split, size - std::min<std::size_t>(size, 2) - split));
    Checkpoint checkpoint;
    if (readCheckpoint(folder, "f", 1, checkpoint) != CheckpointRead::ok) return 0;
    const std::string again = (std::filesystem::path(folder) / "again").string();
    WriteSequence sequence;
    try {
        writeCheckpoint(again, "f", 1, checkpoint, sequence);
    } catch (const varno::FatalError&) {
        __builtin_trap();  // a readable folder must take the checkpoint
    }
    Checkpoint back;
    if (readCheckpoint(again, "f", 1, back) != CheckpointRead::ok ||
        back.search.state != checkpoint.search.state ||
        back.search.members.size() != checkpoint.search.members.size() ||
        membersOf(back) != membersOf(checkpoint))
        __builtin_trap();
    return 0;
}
