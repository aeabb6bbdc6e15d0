// POSIX implementation of the runner's platform layer: fork/exec with pipes,
// poll over all children, process groups so that a child is killed together
// with what it started, and what it leaves running ends when it does.
#include "child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace varno::tool {

namespace {

// An owned file descriptor.
class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(Descriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Descriptor& operator=(Descriptor&& other) noexcept {
        if (this != &other) {
            reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    int get() const { return fd_; }
    bool open() const { return fd_ >= 0; }
    void reset() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_ = -1;
};

struct PipeEnds {
    Descriptor read, write;
};

PipeEnds makePipe() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
    }
    return {Descriptor(fds[0]), Descriptor(fds[1])};
}

void setNonBlocking(const Descriptor& fd) {
    if (fd.open()) ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) | O_NONBLOCK);
}

// Writing to a child that has closed its input must fail, not end the runner.
void ignoreBrokenPipes() {
    static const bool done = [] {
        ::signal(SIGPIPE, SIG_IGN);
        return true;
    }();
    (void)done;
}

// The process groups of the children alive, where a signal handler can read
// them: each slot holds a group id, 0 when free. A group is listed from its
// start until just before its leader is collected, so every id listed is
// still that group's. Room for the most evaluations the runner runs at once
// (1024) and its few other children; children are started from one thread.
std::array<volatile std::sig_atomic_t, 1088> liveGroups{};

void listGroup(pid_t group) {
    for (volatile std::sig_atomic_t& slot : liveGroups) {
        if (slot == 0) {
            slot = group;
            return;
        }
    }
}

void unlistGroup(pid_t group) {
    for (volatile std::sig_atomic_t& slot : liveGroups) {
        if (slot == group) slot = 0;
    }
}

// In the child: wire the pipes, move into its own process group, exec. On
// failure the errno goes through the report pipe.
[[noreturn]] void runChild(PipeEnds& in, PipeEnds& out, PipeEnds& err, PipeEnds& report,
                           const ProcessSpec& spec, char* const* argv, pid_t runner) {
    ::setpgid(0, 0);
#ifdef __linux__
    // The evaluator ends with the runner, even when the runner is killed
    // outright and cannot end it; one that lost the runner already goes now.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != runner) ::_exit(127);
#else
    (void)runner;
#endif
    ::signal(SIGPIPE, SIG_DFL);
    for (const auto& [name, value] : spec.environment) ::setenv(name.c_str(), value.c_str(), 1);
    const char* directory = spec.directory.c_str();
    if (::dup2(in.read.get(), 0) >= 0 && ::dup2(out.write.get(), 1) >= 0 &&
        ::dup2(err.write.get(), 2) >= 0 && (*directory == '\0' || ::chdir(directory) == 0)) {
        ::execvp(argv[0], argv);
    }
    const int code = errno;
    [[maybe_unused]] const ssize_t ignored = ::write(report.write.get(), &code, sizeof code);
    ::_exit(127);
}

}  // namespace

struct Process::State {
    pid_t pid = -1;
    Descriptor in, out, err;
    std::string input;
    std::size_t written = 0;
    std::string output, errors;
    bool reaped = false;
    int status = 0;

    void closeAll() {
        in.reset();
        out.reset();
        err.reset();
    }

    // Reads what is available; closes the descriptor at end of file.
    static void drain(Descriptor& fd, std::string& into) {
        char buffer[4096];
        while (fd.open()) {
            const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
            if (n > 0) {
                appendKeepingTail(into, buffer, static_cast<std::size_t>(n));
            } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
                fd.reset();
            } else if (errno == EAGAIN) {
                return;
            }
        }
    }

    void feed() {
        while (in.open() && written < input.size()) {
            const ssize_t n = ::write(in.get(), input.data() + written, input.size() - written);
            if (n > 0) {
                written += static_cast<std::size_t>(n);
            } else if (errno == EAGAIN) {
                return;
            } else if (errno != EINTR) {
                break;
            }
        }
        in.reset();
    }

    bool tryReap() {
        if (reaped) return true;
        // Seen ended but not yet collected, the child keeps its id, so the
        // group it leads cannot be another's yet: what it left running there
        // (a background job it did not wait for) ends with it.
        siginfo_t ended{};
        if (::waitid(P_PID, static_cast<id_t>(pid), &ended, WEXITED | WNOHANG | WNOWAIT) != 0 ||
            ended.si_pid != pid) {
            return false;
        }
        ::kill(-pid, SIGKILL);
        unlistGroup(pid);
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        drain(out, output);
        drain(err, errors);
        closeAll();
        reaped = true;
        return true;
    }
};

Process::Process(const ProcessSpec& spec) : state_(std::make_unique<State>()) {
    if (spec.arguments.empty()) throw std::runtime_error("empty command");
    ignoreBrokenPipes();
    std::vector<std::string> arguments = spec.arguments;
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    PipeEnds in = makePipe(), out = makePipe(), err = makePipe(), report = makePipe();

    const pid_t runner = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
    if (pid == 0) runChild(in, out, err, report, spec, argv.data(), runner);
    ::setpgid(pid, pid);
    listGroup(pid);
    report.write.reset();
    int code = 0;
    ssize_t got;
    do got = ::read(report.read.get(), &code, sizeof code);
    while (got < 0 && errno == EINTR);
    state_->pid = pid;
    if (got > 0) {
        unlistGroup(pid);
        ::waitpid(pid, &state_->status, 0);
        state_->reaped = true;
        throw std::runtime_error("cannot start \"" + spec.arguments.front() +
                                 "\": " + std::strerror(code));
    }
    state_->in = std::move(in.write);
    state_->out = std::move(out.read);
    state_->err = std::move(err.read);
    state_->input = spec.input;
    setNonBlocking(state_->in);
    setNonBlocking(state_->out);
    setNonBlocking(state_->err);
    state_->feed();
}

Process::~Process() { kill(); }

bool Process::finished() const { return state_->reaped; }

int Process::exitCode() const {
    return WIFEXITED(state_->status) ? WEXITSTATUS(state_->status) : -1;
}

const std::string& Process::output() const { return state_->output; }
const std::string& Process::errors() const { return state_->errors; }

void Process::kill() {
    if (state_->reaped) return;
    ::kill(-state_->pid, SIGKILL);
    ::kill(state_->pid, SIGKILL);
    unlistGroup(state_->pid);
    while (::waitpid(state_->pid, &state_->status, 0) < 0 && errno == EINTR) {
    }
    state_->closeAll();
    state_->reaped = true;
}

void pumpProcesses(const std::vector<Process*>& running, std::chrono::milliseconds wait) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + wait;
    constexpr std::chrono::milliseconds slice(20);  // how often exits are checked
    for (;;) {
        std::vector<pollfd> fds;
        std::vector<Process::State*> owners;
        for (Process* process : running) {
            Process::State& s = *process->state_;
            if (s.reaped) return;
            if (s.in.open()) fds.push_back({s.in.get(), POLLOUT, 0}), owners.push_back(&s);
            if (s.out.open()) fds.push_back({s.out.get(), POLLIN, 0}), owners.push_back(&s);
            if (s.err.open()) fds.push_back({s.err.get(), POLLIN, 0}), owners.push_back(&s);
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        const int timeout =
            static_cast<int>(std::clamp(left, std::chrono::milliseconds(0), slice).count());
        if (::poll(fds.data(), fds.size(), timeout) > 0) {
            for (std::size_t i = 0; i < fds.size(); ++i) {
                if (fds[i].revents == 0) continue;
                Process::State& s = *owners[i];
                if (fds[i].fd == s.in.get()) s.feed();
                else if (fds[i].fd == s.out.get()) Process::State::drain(s.out, s.output);
                else if (fds[i].fd == s.err.get()) Process::State::drain(s.err, s.errors);
            }
        }
        bool anyEnded = false;
        for (Process* process : running) anyEnded = process->state_->tryReap() || anyEnded;
        if (anyEnded || Clock::now() >= deadline) return;
    }
}

void endChildrenNow() {
    for (const std::sig_atomic_t group : liveGroups) {
        if (group != 0) ::kill(-group, SIGKILL);
    }
}

bool standardErrorIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

void setEnvironmentDefault(const std::string& name, const std::string& value) {
    ::setenv(name.c_str(), value.c_str(), 0);
}

std::vector<std::string> commandLineArguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

}  // namespace varno::tool
