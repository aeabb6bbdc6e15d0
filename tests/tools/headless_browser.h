// A headless Chromium driven over the DevTools protocol on a pipe (file
// descriptors 3 and 4 of the browser, messages ended by a NUL byte): open a
// page and evaluate script in it. POSIX only, as the tool's
// other end-to-end tests.
#pragma once

#include <chrono>
#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "tool_test_support.h"

namespace varno::tool::testing {

class HeadlessBrowser {
public:
    // Starts /usr/bin/chromium with a fresh profile in `profile`; its own
    // output goes to `log`. Throws std::runtime_error with the reason when it
    // cannot start.
    HeadlessBrowser(const std::filesystem::path& profile, const std::filesystem::path& log)
        : log_(log) {
        const char* const executable = "/usr/bin/chromium";
        if (access(executable, X_OK) != 0) {
            throw std::runtime_error(std::string(executable) +
                                     " is missing: run scripts/install-deps.sh");
        }
        int toBrowser[2], fromBrowser[2];
        if (pipe(toBrowser) != 0 || pipe(fromBrowser) != 0) throw std::runtime_error("no pipe");
        std::vector<std::string> arguments = {executable, "--user-data-dir=" + profile.string()};
        std::istringstream flags(
            "--headless --no-sandbox --disable-gpu --disable-quic --no-first-run "
            "--disable-background-networking --disable-component-update --disable-sync "
            "--disable-dev-shm-usage --remote-debugging-pipe about:blank");
        for (std::string flag; flags >> flag;) arguments.push_back(flag);
        pid_ = fork();
        if (pid_ == 0) {
            dup2(toBrowser[0], 3);
            dup2(fromBrowser[1], 4);
            const int output = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(output, 1);
            dup2(output, 2);
            for (int fd = 5; fd < 1024; ++fd) close(fd);
            std::vector<char*> argv;
            for (std::string& argument : arguments) argv.push_back(argument.data());
            argv.push_back(nullptr);
            execv(executable, argv.data());
            _exit(127);
        }
        close(toBrowser[0]);
        close(fromBrowser[1]);
        out_ = toBrowser[1], in_ = fromBrowser[0];
        if (pid_ < 0) throw std::runtime_error("cannot fork the browser");
    }
    ~HeadlessBrowser() {
        close(out_);
        close(in_);
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    HeadlessBrowser(const HeadlessBrowser&) = delete;
    HeadlessBrowser& operator=(const HeadlessBrowser&) = delete;

    // Opens `url` in a new page that later calls act on.
    void open(const std::string& url) {
        const nlohmann::json target = call("Target.createTarget", {{"url", url}});
        session_ =
            call("Target.attachToTarget", {{"targetId", target.at("targetId")}, {"flatten", true}})
                .at("sessionId");
    }

    // The value of a script expression in the page.
    nlohmann::json evaluate(const std::string& expression) {
        const nlohmann::json reply =
            call("Runtime.evaluate", {{"expression", expression}, {"returnByValue", true}});
        if (reply.contains("exceptionDetails")) {
            throw std::runtime_error("script failed: " + reply["exceptionDetails"].dump());
        }
        return reply.at("result").value("value", nlohmann::json());
    }

    // Evaluates `expression` until it is true; false when `seconds` pass
    // first. Until the page has loaded, the expression may fail.
    bool waitFor(const std::string& expression, double seconds) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (std::chrono::steady_clock::now() < end) {
            if (evaluate("try { " + expression + " } catch (e) { false }") == true) return true;
            usleep(100000);
        }
        return false;
    }

private:
    nlohmann::json call(const std::string& method, const nlohmann::json& parameters) {
        nlohmann::json message = {{"id", ++lastId_}, {"method", method}, {"params", parameters}};
        if (!session_.empty()) message["sessionId"] = session_;
        const std::string text = message.dump() + '\0';
        if (write(out_, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
            throw std::runtime_error("the browser stopped reading: " + logTail());
        }
        // Messages end with a NUL byte; events, without the id, are skipped.
        for (std::size_t end;;) {
            while ((end = buffer_.find('\0')) == std::string::npos) {
                pollfd ready{in_, POLLIN, 0};
                char chunk[65536];
                const ssize_t got = poll(&ready, 1, 20000) == 1 ? read(in_, chunk, sizeof chunk)
                                                                : -1;
                if (got <= 0) throw std::runtime_error("the browser does not answer: " + logTail());
                buffer_.append(chunk, static_cast<std::size_t>(got));
            }
            const nlohmann::json reply = nlohmann::json::parse(buffer_.substr(0, end));
            buffer_.erase(0, end + 1);
            if (reply.value("id", 0) != lastId_) continue;
            if (reply.contains("error"))
                throw std::runtime_error(method + ": " + reply["error"].dump());
            return reply.at("result");
        }
    }

    std::string logTail() const {
        const std::string text = readText(log_);
        return text.substr(text.size() > 2000 ? text.size() - 2000 : 0);
    }

    std::filesystem::path log_;
    pid_t pid_ = -1;
    int out_ = -1, in_ = -1, lastId_ = 0;
    std::string session_, buffer_;
};

}  // namespace varno::tool::testing
