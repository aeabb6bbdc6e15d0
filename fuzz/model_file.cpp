// The surrogate model-file reader: any file content is either a model that
// predicts, or a refusal with a reason.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "surrogate/model_file_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::filesystem::path path =
        std::filesystem::temp_directory_path() / "varno-fuzz-model.mdl";
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    std::string reason;
    const auto loaded = varno::surrogate::readModelFile(path.string(), reason);
    if (loaded) {
        const std::vector<double> centre(loaded->ranges.size(), 0.5);
        varno::surrogate::evaluateLoadedModel(*loaded, centre);
    }
    return 0;
}
