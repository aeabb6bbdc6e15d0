#include "file_output.h"

#include <fstream>
#include <system_error>

#include "library.h"
#include "utf8_path.h"

namespace varno::tool {

void writeFileReplacing(const std::filesystem::path& path, const std::string& content) {
    std::filesystem::path temporary = path;
    temporary += ".tmp";
    bool written = false;
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << content;
        out.flush();
        written = static_cast<bool>(out);
        out.close();
        written = written && !out.fail();
    }
    std::error_code error;
    if (written) std::filesystem::rename(temporary, path, error);
    if (!written || error) {
        std::filesystem::remove(temporary, error);
        throw RunError("cannot write " + utf8Text(path) +
                       " (is the disk full or the folder not writable?)");
    }
}

}  // namespace varno::tool
