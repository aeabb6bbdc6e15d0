// The history-file reader: any file content is refused, or read into a
// history that encodes back to what was read and is compared with a problem
// as a study continuing from it would.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "frame/fatal_error.h"
#include "frame/message_log.h"
#include "output/history_check.h"
#include "output/history_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace varno::output;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    History history;
    const HistoryDecode decoded = decodeHistory(bytes, history);
    if (decoded == HistoryDecode::ok) {
        // What was read must survive a write and a read unchanged.
        const std::string encoded = encodeHistory(history);
        History again;
        if (decodeHistory(encoded, again) != HistoryDecode::ok || encodeHistory(again) != encoded)
            __builtin_trap();
        sameProblem(history.problem, HistoryProblem{}, 1);
    }
    static const std::filesystem::path path =
        std::filesystem::temp_directory_path() / "varno-fuzz-history.hst";
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    try {
        readHistoryFile(path.string(), history.problem, 1);
    } catch (const varno::FatalError&) {
        // A damaged file or one of another version ends the restart.
    }
    // The refusal's message stays in the library's log until a host clears
    // it; cleared here, each input leaves the memory as it found it, so the
    // fuzzer can look for leaks after every input.
    varno::clearMessageLog();
    return 0;
}
