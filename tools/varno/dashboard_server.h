// `varno run --serve` and `varno serve`: a read-only web page on the results
// database of a run, served from this binary on its own threads. It opens the
// database read-only, so it never blocks or alters the run, and a failure to
// read it is answered to the page, never to the run.
#pragma once

#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <thread>

namespace varno::tool {

inline constexpr int defaultDashboardPort = 8642;

class DashboardServer {
public:
    // Listens on host:port (port 0: a free port the system chooses) and serves
    // until the object goes. Throws RunError when it cannot listen.
    DashboardServer(const std::filesystem::path& database, const std::string& host, int port);
    ~DashboardServer();
    DashboardServer(const DashboardServer&) = delete;
    DashboardServer& operator=(const DashboardServer&) = delete;

    int port() const { return port_; }
    std::string address() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::string host_;
    int port_ = 0;
    std::thread thread_;
};

// Blocks until SIGINT or SIGTERM comes while a StopSignals object lives.
void waitForStopSignal();

// `varno serve FOLDER`: serves the results database of a run in FOLDER, whether
// it is running or finished, until interrupted. Returns the exit code.
int serveFolder(const std::filesystem::path& folder, const std::string& host, int port,
                std::ostream& out, std::ostream& err);

// The page, its script and its style sheet, compiled into the binary.
extern const char* const dashboardPage;
extern const char* const dashboardScript;
extern const char* const dashboardStyle;

}  // namespace varno::tool
