// The platform layer of the runner: child processes with piped standard
// streams, and two small queries about the environment. The only files with
// operating-system calls are its implementations (process_posix.cpp,
// process_windows.cpp), one of which the build picks. (Not "process.h": that
// is a header of the Windows C runtime.)
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace varno::tool {

struct ProcessSpec {
    std::vector<std::string> arguments;  // program first; searched on PATH when it has no path
    std::string directory;               // working directory of the child
    std::string input;                   // written to the child's standard input, then closed
    std::vector<std::pair<std::string, std::string>> environment;  // variables added for the child
};

// Output a child writes beyond this is cut from the front: the runner keeps
// the last part of each stream, where an evaluator's answer and its final
// errors are, whatever a runaway child writes.
inline constexpr std::size_t keptOutputBytes = std::size_t{1} << 20;
inline constexpr char outputCutNote[] =
    "[varno: the output before this line was cut; only the last 1 MB is kept]\n";

// Appends `size` bytes to `kept`, which holds at most about keptOutputBytes
// (and the note, once anything was cut).
void appendKeepingTail(std::string& kept, const char* data, std::size_t size);

// A running child process. Its standard output and error are collected while
// pumpProcesses runs, each up to its last keptOutputBytes. A child still running when the object
// goes is killed (with everything it started) and reaped; what a child started and left running
// when it ended is ended too.
class Process {
public:
    // Throws std::runtime_error when the program cannot be started.
    explicit Process(const ProcessSpec& spec);
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    bool finished() const;
    // Exit status of a finished child; -1 when it ended by a signal.
    int exitCode() const;
    const std::string& output() const;
    const std::string& errors() const;
    // Ends the child and everything it started, and reaps it.
    void kill();

    struct State;

private:
    std::unique_ptr<State> state_;
    friend void pumpProcesses(const std::vector<Process*>& running, std::chrono::milliseconds wait);
};

// Moves data through the pipes of the running processes without blocking on
// any one of them and reaps the ones that ended. Returns when at least one
// has finished or `wait` has passed.
void pumpProcesses(const std::vector<Process*>& running, std::chrono::milliseconds wait);

#ifndef _WIN32
// Kills every child alive with everything it started, at once; safe in a
// signal handler, for a runner about to end abruptly. (On Windows a child's
// job object ends it when the runner ends.)
void endChildrenNow();
#endif

// True when the standard error stream is a terminal.
bool standardErrorIsTerminal();

// Sets an environment variable unless it is set already.
void setEnvironmentDefault(const std::string& name, const std::string& value);

// The program's arguments (`argc` and `argv` of main) as UTF-8.
std::vector<std::string> commandLineArguments(int argc, char** argv);

}  // namespace varno::tool
