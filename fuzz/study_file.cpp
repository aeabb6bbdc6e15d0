// The runner's study-file parser and the reading of the parsed blocks into a
// study: any text either parses or is refused with a StudyFileError.
#include <cstddef>
#include <cstdint>
#include <string>

#include "study_file.h"
#include "study_model.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        const varno::tool::StudyFile file = varno::tool::parseStudyText(text, "fuzz.study");
        varno::tool::describeStudy(file);
    } catch (const varno::tool::StudyFileError&) {
        // a refusal with its reason is the expected answer to bad input
    }
    return 0;
}
