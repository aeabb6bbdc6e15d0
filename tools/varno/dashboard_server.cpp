#include "dashboard_server.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>

#include <httplib.h>

#include "dashboard_data.h"
#include "dashboard_socket.h"
#include "library.h"
#include "stop_signals.h"
#include "utf8_path.h"

namespace varno::tool {

// The page polls the data once a second. One read-only connection answers it,
// and the document is built again only when the run has committed since.
struct DashboardServer::Impl {
    std::filesystem::path database;
    httplib::Server server;
    std::atomic<bool> finished = false;  // the server thread has returned
    std::mutex mutex;
    std::unique_ptr<ResultsStore> store;
    std::optional<long long> version;
    std::string document;

    std::string data() {
        const std::lock_guard lock(mutex);
        if (!store)
            store = std::make_unique<ResultsStore>(database, ResultsStore::Access::readOnly);
        const long long now = store->dataVersion();
        if (version != now) {
            document = dashboardData(*store).dump();
            version = now;
        }
        return document;
    }
};

DashboardServer::DashboardServer(const std::filesystem::path& database, const std::string& host,
                                 int port)
    : impl_(std::make_unique<Impl>()), host_(host) {
    impl_->database = database;
    httplib::Server& server = impl_->server;
    // Two threads are plenty for one page, and leave the run its cores.
    server.new_task_queue = [] { return new httplib::ThreadPool(2); };
    server.set_socket_options(listenExclusively);
    auto asset = [&server](const char* path, const char* text, const char* type) {
        server.Get(path, [text, type](const httplib::Request&, httplib::Response& response) {
            response.set_content(text, type);
        });
    };
    asset("/", dashboardPage, "text/html; charset=utf-8");
    asset("/dashboard.js", dashboardScript, "text/javascript; charset=utf-8");
    asset("/dashboard.css", dashboardStyle, "text/css; charset=utf-8");
    Impl* impl = impl_.get();
    server.Get("/api/study", [impl](const httplib::Request&, httplib::Response& response) {
        response.set_header("Cache-Control", "no-store");
        try {
            response.set_content(impl->data(), "application/json");
        } catch (const std::exception& error) {
            // The page shows why; the run goes on.
            response.status = 503;
            response.set_content(nlohmann::json{{"error", error.what()}}.dump(),
                                 "application/json");
        }
    });
    port_ = port == 0 ? server.bind_to_any_port(host) : server.bind_to_port(host, port) ? port : -1;
    if (port_ < 0) {
        throw RunError("cannot serve the dashboard on " + host + ":" + std::to_string(port) +
                       " (the address is in use or not this machine's)");
    }
    thread_ = std::thread([impl] {
        impl->server.listen_after_bind();
        impl->finished = true;
    });
}

DashboardServer::~DashboardServer() {
    // A stop before the server runs would be lost, and the thread never end.
    while (!impl_->server.is_running() && !impl_->finished) std::this_thread::yield();
    impl_->server.stop();
    thread_.join();
}

std::string DashboardServer::address() const {
    const bool ipv6 = host_.find(':') != std::string::npos;
    return "http://" + (ipv6 ? "[" + host_ + "]" : host_) + ":" + std::to_string(port_) + "/";
}

void waitForStopSignal() {
    while (StopSignals::received() == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

int serveFolder(const std::filesystem::path& folder, const std::string& host, int port,
                std::ostream& out, std::ostream& err) {
    const std::filesystem::path database = folder / "results.db";
    if (!std::filesystem::exists(database)) {
        err << "varno: no results database " << utf8Text(database)
            << " (a run writes it into its --workdir)\n";
        return 1;
    }
    try {
        const StopSignals signals;
        const DashboardServer server(database, host, port);
        out << "Dashboard of " << utf8Text(database) << " at " << server.address()
            << " (stop with Ctrl-C)" << std::endl;
        waitForStopSignal();
        return 0;
    } catch (const std::exception& error) {
        err << "varno: " << error.what() << "\n";
        return 1;
    }
}

}  // namespace varno::tool
