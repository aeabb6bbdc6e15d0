// The run's database, <workdir>/results.db (SQLite): every evaluation is
// committed as soon as it completes, so an interrupted run loses nothing it
// finished, and a resumed run answers the designs it already holds from here.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace varno::tool {

// One evaluated design, as the database keeps it.
struct EvaluatedDesign {
    int id = 0;
    std::vector<double> values;     // variables, then fixed parameters
    std::vector<double> responses;  // one per study response; empty or zeros when it failed
    std::string error;              // why the evaluation failed; empty when it did not
    int status = 4;                 // the library's design status; 4 until the set is told
    double performance = -1e99;
    int cycle = 0;              // the design set it came in, from 1
    int position = 0;           // its place in that set
    double seconds = 0.0;       // how long the evaluation took
    double queueSeconds = 0.0;  // how long it waited before it began (for a slot, or in a queue)

    bool failed() const { return !error.empty(); }
    bool operator==(const EvaluatedDesign&) const = default;
};

// A design handed to a batch system, kept so that a resumed run collects the
// job instead of submitting the design again.
struct SubmittedJob {
    int designId = 0;
    std::string jobId;
    std::vector<double> values;  // of the design the job evaluates
    double submitted = 0.0;      // seconds since the epoch
};

class ResultsStore {
public:
    enum class Access {
        readWrite,  // creates the database and its tables when new
        readOnly,   // the database must exist; nothing is ever written
    };

    // Opens the database. Throws RunError.
    explicit ResultsStore(const std::filesystem::path& file, Access access = Access::readWrite);
    ~ResultsStore();
    ResultsStore(const ResultsStore&) = delete;
    ResultsStore& operator=(const ResultsStore&) = delete;

    // A setting the run was started with (the study text, the parallelism).
    std::optional<std::string> setting(const std::string& key) const;
    void setSetting(const std::string& key, const std::string& value);

    // Commits one evaluation, replacing an earlier one of the same design id.
    void add(const EvaluatedDesign& evaluation);
    // Records the library's verdict on a design once its set was told.
    void setOutcome(int id, int status, double performance);

    // Records the job that evaluates a design, replacing an earlier one.
    void addJob(const SubmittedJob& job);
    std::optional<SubmittedJob> job(int designId) const;

    std::optional<EvaluatedDesign> find(int id) const;
    // Every evaluation, in the order the library handed the designs out.
    std::vector<EvaluatedDesign> all() const;
    // Changes whenever another connection commits to the database.
    long long dataVersion() const;

private:
    void execute(const std::string& sql);

    sqlite3* db_ = nullptr;
    std::filesystem::path file_;
};

}  // namespace varno::tool
