// The reader of the user's DOE array file: any file content is an array
// whose every level lies within the levels it names, or a refusal.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "doe/doe_designs.h"
#include "frame/fatal_error.h"
#include "frame/message_log.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::filesystem::path path =
        std::filesystem::temp_directory_path() / "varno-fuzz-Doe_input.in";
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    try {
        const varno::doe::DoeTable table = varno::doe::doeFromFile(path.string(), 1);
        if (table.num_runs != static_cast<int>(table.array.size())) __builtin_trap();
        for (const auto& run : table.array) {
            if (static_cast<int>(run.size()) != table.num_factors) __builtin_trap();
            for (int level : run) {
                if (level < 0 || level >= table.max_levels) __builtin_trap();
            }
        }
    } catch (const varno::FatalError&) {
        // Refused with a message naming what is wrong.
    }
    // The refusal's message stays in the library's log until a host clears
    // it; cleared here, each input leaves the memory as it found it, so the
    // fuzzer can look for leaks after every input.
    varno::clearMessageLog();
    return 0;
}
