// Helpers of the tool tests: scratch folders, files, executable scripts and a
// small study.
#pragma once

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "utf8_path.h"

#if !defined(_WIN32)
#include <signal.h>
#include <sys/wait.h>
#endif

namespace varno::tool::testing {

// A fresh folder, removed with its content when the object goes.
class ScratchFolder {
public:
    ScratchFolder() {
        std::random_device seed;
        path_ = std::filesystem::temp_directory_path() /
                ("varno-tool-test-" + std::to_string(seed()) + std::to_string(seed()));
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

inline void writeText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// A scratch folder holding `study` as sphere.study and `script` as sphere.sh.
struct StudyFolder : ScratchFolder {
    StudyFolder(const std::string& study, const std::string& script) {
        writeText(path() / "sphere.study", study);
        writeText(path() / "sphere.sh", script);
    }
};

inline std::string readText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The fields of each line of a CSV file without quoted fields.
inline std::vector<std::vector<std::string>> csvRows(const std::filesystem::path& path) {
    std::istringstream text(readText(path));
    std::vector<std::vector<std::string>> rows;
    for (std::string line; std::getline(text, line);) {
        std::istringstream fields(line);
        rows.emplace_back();
        for (std::string field; std::getline(fields, field, ',');) rows.back().push_back(field);
    }
    return rows;
}

struct Outcome {
    int exitCode = -1;
    std::string out, err;
};

// Runs the `varno` executable with `arguments` (UTF-8) in `folder`, through
// the system's command interpreter (cmd.exe on Windows, given the command as
// UTF-16, which changes the drive with /d and returns the exit status itself).
inline Outcome runVarno(const ScratchFolder& folder, const std::string& arguments) {
#if defined(_WIN32)
    const std::string changeFolder = "cd /d \"";
#else
    const std::string changeFolder = "cd \"";
#endif
    const std::string command = changeFolder + utf8Text(folder.path()) +
                                "\" && \"" VARNO_TOOL_PATH "\" " + arguments +
                                " > stdout.txt 2> stderr.txt";
#if defined(_WIN32)
    const int exitCode = _wsystem(utf8Path(command).wstring().c_str());
#else
    const int status = std::system(command.c_str());
    const int exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    return {exitCode, readText(folder / "stdout.txt"), readText(folder / "stderr.txt")};
}

// A shell command that reads {"id":7,...,"variables":{"x":..,"y":..}} and
// answers a shifted sphere f (minimum 1 at x = 0.3, y = -0.2) and s = x + y;
// every seventh design fails: the child program of these tests.
inline const std::string sphereAnswer = "\"" VARNO_CHILD_PATH "\" sphere\n";

// A [parameter] or [variable] block (the `kind`) for x (id 1) and y (id 2),
// each with the lines of `body`.
inline std::string xyBlocks(const std::string& kind, const std::string& body) {
    return "[" + kind + " x]\ntype: Continuous\nid: 1\n" + body + "[" + kind +
           " y]\ntype: Continuous\nid: 2\n" + body;
}

// Two variables x, y in [-2, 2] with the baseline (1.5, 1.5), an objective f
// and a constraint s <= 1, evaluated by `command`; no [studyData] block.
inline std::string sphereStudy(int evaluations = 200, int timeoutSeconds = 20,
                               const std::string& command = "sh sphere.sh") {
    const std::string weights = "quadWt: 0\nlinearWt: 1\nacceptMin: -1e300\nacceptMax: 1e300\n";
    return "[study sphere]\ntype: optimization\n" +
           xyBlocks("parameter", "min: -2\nbaseline: 1.5\nmax: 2\n") +
           "[response f]\ntype: API\n[response s]\ntype: API\n" +
           "[method search]\nmethod: TRAVOK\nnumEvals: " + std::to_string(evaluations) + "\n" +
           xyBlocks("variable", "resolution: 401\ndistribution: NONE\n") +
           "[objective f]\nfactor: 1\noption: min_value\ntarget: 0\n" + weights +
           "[constraint s]\nfactor: 1\noption: less_equal\ntarget: 1\n" + weights +
           "[evaluator]\ncommand: " + command + "\ntimeout: " + std::to_string(timeoutSeconds) +
           "\n";
}

// A full 2 x 2 factorial over x in {-1, 2} and y in {0.5, 1.5} with the
// response f, evaluated by "sh sphere.sh".
inline std::string doeStudy() {
    return "[study screen]\ntype: doe\n" + xyBlocks("parameter", "min: -2\nbaseline: 1\nmax: 2\n") +
           "[response f]\ntype: API\n[method m]\nmethod: DOE\nsampleMethod: 2LevelFull\n"
           "numFactors: 2\n" +
           xyBlocks("variable", "resolution: 401\ndistribution: NONE\n") +
           "[factor x]\ntype: Continuous\nlevels: -1, 2\nfactorType: Control\n"
           "[factor y]\ntype: Continuous\nlevels: 0.5, 1.5\nfactorType: Control\n"
           "[studyResponse f]\ngoal: NONE\nacceptMin: -1e300\nacceptMax: 1e300\n"
           "[evaluator]\ncommand: sh sphere.sh\n";
}

#if !defined(_WIN32)
// The whitespace-separated numbers of a file (none when it does not exist).
inline std::vector<int> numbersIn(const std::filesystem::path& path) {
    std::istringstream text(readText(path));
    std::vector<int> numbers;
    for (int number = 0; text >> number;) numbers.push_back(number);
    return numbers;
}

// Whether a process has ended within five seconds. An orphan's exit leaves a
// zombie until the system's first process collects it, which can take a while
// in a container, so a zombie counts as ended. One still alive is killed.
inline bool endsSoon(int pid) {
    for (int wait = 0; wait < 50; ++wait) {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string line;
        if (::kill(pid, 0) != 0 || !std::getline(stat, line)) return true;
        // The state follows the command name, which is in parentheses.
        if (line.compare(line.rfind(')'), 3, ") Z") == 0) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ::kill(pid, SIGKILL);
    return false;
}
#endif

}  // namespace varno::tool::testing
