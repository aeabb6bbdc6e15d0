#include "output/study_file_names.h"

#include "frame/fatal_error.h"
#include "frame/text_format.h"
#include "support/file_io.h"

namespace varno::output {

namespace {

#if defined(_WIN32)
constexpr std::size_t longestPath = 259;
#else
constexpr std::size_t longestPath = 4095;
#endif

bool unsafeCharacter(char c) {
    const auto code = static_cast<unsigned char>(c);
    return c == '/' || c == '\\' || code < 0x20 || code == 0x7f;
}

}  // namespace

std::string safeFileNamePart(const std::string& part) {
    std::string safe = part;
    for (char& c : safe) {
        if (unsafeCharacter(c)) c = '_';
    }
    for (std::size_t at = safe.find(".."); at != std::string::npos; at = safe.find("..", at)) {
        safe.replace(at, 2, "_");
    }
    return safe;
}

std::string studyFileName(const StudyFileNames& names, const std::string& extension,
                          bool postName) {
    const std::string post = postName && names.postNames ? "_post" : "";
    return safeFileNamePart(names.prefix) + post + formatText("%d", names.agent) + extension;
}

std::string studyFilePath(const StudyFileNames& names, const std::string& extension,
                          bool postName) {
    return support::joinPath(names.directory, studyFileName(names, extension, postName));
}

void checkPathLength(const std::string& path) {
    if (path.size() <= longestPath) return;
    fatalError(formatText("The file name \"%s\" is longer than the %d characters this platform "
                          "allows. Please use a shorter file prefix or working directory.",
                          path.c_str(), static_cast<int>(longestPath)));
}

}  // namespace varno::output
