// Windows implementation of the runner's platform layer: CreateProcess with
// pipes, each child in a job object so that a timed-out child is ended
// together with what it started, and the whole job ends when the runner does.
// Input is written by a thread of its own (anonymous pipes cannot be written
// without blocking); output is read as it arrives, without blocking.
#include <io.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <thread>
#include <utility>

#include "child_process.h"
#include "utf8_path.h"

namespace varno::tool {

namespace {

// An owned handle.
class Handle {
public:
    Handle() = default;
    explicit Handle(HANDLE handle) : handle_(handle) {}
    ~Handle() { reset(); }
    Handle(Handle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    Handle& operator=(Handle&& other) noexcept {
        if (this != &other) {
            reset();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    HANDLE get() const { return handle_; }
    bool open() const { return handle_ != nullptr; }
    void reset() {
        if (handle_ != nullptr) ::CloseHandle(handle_);
        handle_ = nullptr;
    }

private:
    HANDLE handle_ = nullptr;
};

std::string systemMessage(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message = length > 0 ? utf8Text(std::filesystem::path(std::wstring(text, length)))
                                     : "error " + std::to_string(code);
    ::LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == ' ' || message.back() == '.')) {
        message.pop_back();
    }
    return message;
}

[[noreturn]] void fail(const std::string& what) {
    throw std::runtime_error(what + ": " + systemMessage(::GetLastError()));
}

std::wstring wide(const std::string& text) { return utf8Path(text).wstring(); }

// One argument as the C runtime of the child splits its command line again:
// quoted when it has blanks or quotes, backslashes doubled before a quote.
void appendArgument(std::wstring& line, const std::wstring& argument) {
    if (!line.empty()) line += L' ';
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        line += argument;
        return;
    }
    line += L'"';
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        line.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        line += c;
    }
    line.append(2 * backslashes, L'\\');
    line += L'"';
}

// The runner's environment with the child's own variables added or replaced, as
// the sorted block CreateProcess takes.
std::wstring environmentBlock(const std::vector<std::pair<std::string, std::string>>& added) {
    std::vector<std::wstring> entries;
    if (wchar_t* block = ::GetEnvironmentStringsW()) {
        for (const wchar_t* at = block; *at != L'\0'; at += std::wcslen(at) + 1) {
            entries.emplace_back(at);
        }
        ::FreeEnvironmentStringsW(block);
    }
    for (const auto& [name, value] : added) {
        const std::wstring key = wide(name) + L'=';
        std::erase_if(entries, [&](const std::wstring& entry) {
            return ::_wcsnicmp(entry.c_str(), key.c_str(), key.size()) == 0;
        });
        entries.push_back(key + wide(value));
    }
    std::sort(entries.begin(), entries.end(), [](const std::wstring& a, const std::wstring& b) {
        return ::_wcsicmp(a.c_str(), b.c_str()) < 0;
    });
    std::wstring result;
    for (const std::wstring& entry : entries) result += entry + L'\0';
    result += L'\0';
    return result;
}

struct PipeEnds {
    Handle read, write;
};

// A pipe whose end `childEnd` (0 read, 1 write) the child inherits.
PipeEnds makePipe(int childEnd) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    if (!::CreatePipe(&read, &write, &inherit, 0)) fail("pipe");
    PipeEnds ends{Handle(read), Handle(write)};
    ::SetHandleInformation(childEnd == 0 ? write : read, HANDLE_FLAG_INHERIT, 0);
    return ends;
}

}  // namespace

struct Process::State {
    Handle process, job;
    Handle out, err;
    std::thread writer;
    std::string output, errors;
    bool reaped = false;
    bool killed = false;
    DWORD status = 0;

    ~State() {
        if (writer.joinable()) writer.join();
    }

    // Reads what is available without blocking; closes the handle at the end
    // of the stream.
    static void drain(Handle& pipe, std::string& into) {
        char buffer[4096];
        while (pipe.open()) {
            DWORD available = 0;
            if (!::PeekNamedPipe(pipe.get(), nullptr, 0, nullptr, &available, nullptr)) {
                pipe.reset();  // the child closed its end
                return;
            }
            if (available == 0) return;
            DWORD got = 0;
            const DWORD want = std::min<DWORD>(available, sizeof buffer);
            if (!::ReadFile(pipe.get(), buffer, want, &got, nullptr) || got == 0) {
                pipe.reset();
                return;
            }
            appendKeepingTail(into, buffer, got);
        }
    }

    bool tryReap() {
        if (reaped) return true;
        if (::WaitForSingleObject(process.get(), 0) != WAIT_OBJECT_0) return false;
        ::GetExitCodeProcess(process.get(), &status);
        drain(out, output);
        drain(err, errors);
        out.reset();
        err.reset();
        reaped = true;
        return true;
    }
};

Process::Process(const ProcessSpec& spec) : state_(std::make_unique<State>()) {
    if (spec.arguments.empty()) throw std::runtime_error("empty command");
    std::wstring commandLine;
    for (const std::string& argument : spec.arguments) appendArgument(commandLine, wide(argument));
    std::wstring environment = environmentBlock(spec.environment);
    const std::wstring directory = wide(spec.directory);
    PipeEnds in = makePipe(0), out = makePipe(1), err = makePipe(1);

    Handle job(::CreateJobObjectW(nullptr, nullptr));
    if (!job.open()) fail("job object");
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    ::SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in.read.get();
    startup.hStdOutput = out.write.get();
    startup.hStdError = err.write.get();
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE,
                          CREATE_SUSPENDED | CREATE_UNICODE_ENVIRONMENT | CREATE_NO_WINDOW,
                          environment.data(), directory.empty() ? nullptr : directory.c_str(),
                          &startup, &started)) {
        fail("cannot start \"" + spec.arguments.front() + "\"");
    }
    Handle thread(started.hThread);
    state_->process = Handle(started.hProcess);
    ::AssignProcessToJobObject(job.get(), started.hProcess);
    ::ResumeThread(thread.get());
    state_->job = std::move(job);
    state_->out = std::move(out.read);
    state_->err = std::move(err.read);
    // The child holds its own copies of these ends now.
    in.read.reset();
    out.write.reset();
    err.write.reset();

    // Writing to a child that stops reading fails once the child is gone.
    state_->writer = std::thread([input = spec.input, pipe = std::move(in.write)]() {
        std::size_t written = 0;
        while (written < input.size()) {
            DWORD n = 0;
            const DWORD chunk =
                static_cast<DWORD>(std::min<std::size_t>(input.size() - written, 65536));
            if (!::WriteFile(pipe.get(), input.data() + written, chunk, &n, nullptr)) break;
            written += n;
        }
    });
}

Process::~Process() { kill(); }

bool Process::finished() const { return state_->reaped; }

int Process::exitCode() const { return state_->killed ? -1 : static_cast<int>(state_->status); }

const std::string& Process::output() const { return state_->output; }
const std::string& Process::errors() const { return state_->errors; }

void Process::kill() {
    if (state_->reaped) return;
    ::TerminateJobObject(state_->job.get(), 1);
    ::WaitForSingleObject(state_->process.get(), INFINITE);
    state_->out.reset();
    state_->err.reset();
    state_->killed = true;
    state_->reaped = true;
}

void pumpProcesses(const std::vector<Process*>& running, std::chrono::milliseconds wait) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + wait;
    constexpr std::chrono::milliseconds slice(10);  // how often the pipes are read
    for (;;) {
        std::vector<HANDLE> children;
        for (Process* process : running) {
            Process::State& s = *process->state_;
            if (s.reaped) return;
            Process::State::drain(s.out, s.output);
            Process::State::drain(s.err, s.errors);
            children.push_back(s.process.get());
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        const auto timeout = std::clamp(left, std::chrono::milliseconds(0), slice);
        if (!children.empty() && children.size() <= MAXIMUM_WAIT_OBJECTS) {
            ::WaitForMultipleObjects(static_cast<DWORD>(children.size()), children.data(), FALSE,
                                     static_cast<DWORD>(timeout.count()));
        } else {
            ::Sleep(static_cast<DWORD>(timeout.count()));
        }
        bool anyEnded = false;
        for (Process* process : running) anyEnded = process->state_->tryReap() || anyEnded;
        if (anyEnded || Clock::now() >= deadline) return;
    }
}

bool standardErrorIsTerminal() { return ::_isatty(::_fileno(stderr)) != 0; }

void setEnvironmentDefault(const std::string& name, const std::string& value) {
    const std::wstring key = wide(name);
    if (::_wgetenv(key.c_str()) == nullptr) ::_wputenv_s(key.c_str(), wide(value).c_str());
}

// The C runtime's argv is in the ANSI code page; the wide command line holds
// every character.
std::vector<std::string> commandLineArguments(int argc, char** argv) {
    int count = 0;
    wchar_t** arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (arguments == nullptr) return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> texts;
    for (int i = 0; i < count; ++i) texts.push_back(utf8Text(std::filesystem::path(arguments[i])));
    ::LocalFree(arguments);
    return texts;
}

}  // namespace varno::tool
