#include "results_store.h"

#include <memory>

#include <nlohmann/json.hpp>
#include <sqlite3.h>

#include "library.h"
#include "utf8_path.h"

namespace varno::tool {

namespace {

constexpr const char* schema = R"(
PRAGMA journal_mode = WAL;
PRAGMA synchronous = NORMAL;
CREATE TABLE IF NOT EXISTS setting (key TEXT PRIMARY KEY, value TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS evaluation (
    design_id INTEGER PRIMARY KEY,
    cycle INTEGER NOT NULL,
    position INTEGER NOT NULL,
    design_values TEXT NOT NULL,
    responses TEXT NOT NULL,
    failed INTEGER NOT NULL,
    error TEXT NOT NULL,
    seconds REAL NOT NULL,
    status INTEGER NOT NULL,
    performance REAL NOT NULL,
    queue_seconds REAL NOT NULL DEFAULT 0
);
CREATE TABLE IF NOT EXISTS job (
    design_id INTEGER PRIMARY KEY,
    job_id TEXT NOT NULL,
    design_values TEXT NOT NULL,
    submitted REAL NOT NULL
);)";

constexpr const char* columns =
    "design_id, cycle, position, design_values, responses, failed, error, seconds, status, "
    "performance, queue_seconds";

// Numbers as JSON arrays: nlohmann writes doubles so that they read back exactly.
std::string numbersText(const std::vector<double>& numbers) {
    return nlohmann::json(numbers).dump();
}

std::vector<double> numbersFrom(const unsigned char* text) {
    if (text == nullptr) return {};
    return nlohmann::json::parse(reinterpret_cast<const char*>(text)).get<std::vector<double>>();
}

std::string columnText(sqlite3_stmt* statement, int column) {
    const unsigned char* text = sqlite3_column_text(statement, column);
    return text == nullptr ? std::string() : reinterpret_cast<const char*>(text);
}

// A prepared statement, finalised when it goes.
class Statement {
public:
    Statement(sqlite3* db, const std::string& sql) {
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement_, nullptr) != SQLITE_OK) {
            throw RunError(std::string("results database: ") + sqlite3_errmsg(db));
        }
    }
    ~Statement() { sqlite3_finalize(statement_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& bind(int index, const std::string& text) {
        sqlite3_bind_text(statement_, index, text.c_str(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT);
        return *this;
    }
    Statement& bind(int index, int value) {
        sqlite3_bind_int(statement_, index, value);
        return *this;
    }
    Statement& bind(int index, double value) {
        sqlite3_bind_double(statement_, index, value);
        return *this;
    }
    // Steps once: true while there is a row.
    bool step() {
        const int code = sqlite3_step(statement_);
        if (code == SQLITE_ROW) return true;
        if (code == SQLITE_DONE) return false;
        throw RunError(std::string("results database: ") +
                       sqlite3_errmsg(sqlite3_db_handle(statement_)));
    }
    sqlite3_stmt* get() const { return statement_; }

private:
    sqlite3_stmt* statement_ = nullptr;
};

EvaluatedDesign evaluationFrom(sqlite3_stmt* row) {
    EvaluatedDesign evaluation;
    evaluation.id = sqlite3_column_int(row, 0);
    evaluation.cycle = sqlite3_column_int(row, 1);
    evaluation.position = sqlite3_column_int(row, 2);
    evaluation.values = numbersFrom(sqlite3_column_text(row, 3));
    evaluation.responses = numbersFrom(sqlite3_column_text(row, 4));
    evaluation.error = columnText(row, 6);
    evaluation.seconds = sqlite3_column_double(row, 7);
    evaluation.status = sqlite3_column_int(row, 8);
    evaluation.performance = sqlite3_column_double(row, 9);
    evaluation.queueSeconds = sqlite3_column_double(row, 10);
    return evaluation;
}

}  // namespace

ResultsStore::ResultsStore(const std::filesystem::path& file, Access access) : file_(file) {
    const int flags = access == Access::readOnly ? SQLITE_OPEN_READONLY
                                                 : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    if (sqlite3_open_v2(utf8Text(file).c_str(), &db_, flags, nullptr) != SQLITE_OK) {
        const std::string why = db_ != nullptr ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        throw RunError("cannot open the results database " + utf8Text(file) + ": " + why);
    }
    sqlite3_busy_timeout(db_, 5000);
    if (access == Access::readOnly) return;
    try {
        execute(schema);
        // Databases of earlier versions lack the queue column.
        if (!Statement(db_, "SELECT 1 FROM pragma_table_info('evaluation') "
                            "WHERE name = 'queue_seconds'")
                 .step()) {
            execute("ALTER TABLE evaluation ADD COLUMN queue_seconds REAL NOT NULL DEFAULT 0");
        }
    } catch (...) {
        sqlite3_close(db_);
        throw;
    }
}

ResultsStore::~ResultsStore() { sqlite3_close(db_); }

void ResultsStore::execute(const std::string& sql) {
    char* why = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &why) == SQLITE_OK) return;
    const std::string text = why != nullptr ? why : "unknown error";
    sqlite3_free(why);
    throw RunError("results database " + utf8Text(file_) + ": " + text);
}

std::optional<std::string> ResultsStore::setting(const std::string& key) const {
    Statement query(db_, "SELECT value FROM setting WHERE key = ?");
    query.bind(1, key);
    if (!query.step()) return std::nullopt;
    return columnText(query.get(), 0);
}

void ResultsStore::setSetting(const std::string& key, const std::string& value) {
    Statement(db_, "INSERT OR REPLACE INTO setting (key, value) VALUES (?, ?)")
        .bind(1, key)
        .bind(2, value)
        .step();
}

void ResultsStore::add(const EvaluatedDesign& e) {
    Statement insert(db_, std::string("INSERT OR REPLACE INTO evaluation (") + columns +
                              ") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    insert.bind(1, e.id).bind(2, e.cycle).bind(3, e.position).bind(4, numbersText(e.values));
    insert.bind(5, numbersText(e.failed() ? std::vector<double>{} : e.responses))
        .bind(6, e.failed() ? 1 : 0)
        .bind(7, e.error);
    insert.bind(8, e.seconds).bind(9, e.status).bind(10, e.performance);
    insert.bind(11, e.queueSeconds).step();
}

void ResultsStore::setOutcome(int id, int status, double performance) {
    Statement(db_, "UPDATE evaluation SET status = ?, performance = ? WHERE design_id = ?")
        .bind(1, status)
        .bind(2, performance)
        .bind(3, id)
        .step();
}

void ResultsStore::addJob(const SubmittedJob& job) {
    Statement(db_, "INSERT OR REPLACE INTO job (design_id, job_id, design_values, submitted) "
                   "VALUES (?, ?, ?, ?)")
        .bind(1, job.designId)
        .bind(2, job.jobId)
        .bind(3, numbersText(job.values))
        .bind(4, job.submitted)
        .step();
}

std::optional<SubmittedJob> ResultsStore::job(int designId) const {
    Statement query(db_, "SELECT job_id, design_values, submitted FROM job WHERE design_id = ?");
    query.bind(1, designId);
    if (!query.step()) return std::nullopt;
    return SubmittedJob{designId, columnText(query.get(), 0),
                        numbersFrom(sqlite3_column_text(query.get(), 1)),
                        sqlite3_column_double(query.get(), 2)};
}

std::optional<EvaluatedDesign> ResultsStore::find(int id) const {
    Statement query(db_, std::string("SELECT ") + columns + " FROM evaluation WHERE design_id = ?");
    query.bind(1, id);
    if (!query.step()) return std::nullopt;
    return evaluationFrom(query.get());
}

std::vector<EvaluatedDesign> ResultsStore::all() const {
    Statement query(db_, std::string("SELECT ") + columns +
                             " FROM evaluation ORDER BY cycle, position, design_id");
    std::vector<EvaluatedDesign> found;
    while (query.step()) found.push_back(evaluationFrom(query.get()));
    return found;
}

long long ResultsStore::dataVersion() const {
    Statement query(db_, "PRAGMA data_version");
    query.step();
    return sqlite3_column_int64(query.get(), 0);
}

}  // namespace varno::tool
