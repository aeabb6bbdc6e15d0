// The dashboard's data endpoint against a results database written here:
// judged statuses, the best-first ranking, the convergence, the failures,
// refreshing when the run commits, and errors answered rather than fatal.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <httplib.h>

#include "dashboard_data.h"
#include "dashboard_server.h"
#include "library.h"
#include "results_store.h"
#include "tool_test_support.h"

namespace varno::tool {
namespace {

using nlohmann::json;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Pair;

EvaluatedDesign design(int id, double f, double s, int status, const std::string& error = "") {
    const std::vector<double> responses = error.empty() ? std::vector{f, s} : std::vector<double>{};
    return {id, {0.1 * id, -0.1 * id}, responses, error, status, -1e99, 1, id};
}

json studyData(httplib::Client& client) {
    const httplib::Result reply = client.Get("/api/study");
    if (!reply) throw std::runtime_error("no answer");
    json data = json::parse(reply->body);
    data["httpStatus"] = reply->status;
    return data;
}

TEST(Dashboard, AnswersTheRunsDesignsAndFollowsItsCommits) {
    testing::ScratchFolder folder;
    const DashboardServer server(folder / "results.db", "127.0.0.1", 0);
    httplib::Client client("127.0.0.1", server.port());
    // Before the run has created its database, the page is told why it shows nothing.
    json data = studyData(client);
    EXPECT_EQ(data["httpStatus"], 503);
    EXPECT_THAT(data["error"].get<std::string>(), HasSubstr("results.db"));
    EXPECT_FALSE(std::filesystem::exists(folder / "results.db")) << "nothing is created";

    ResultsStore store(folder / "results.db");
    store.setSetting("study", testing::sphereStudy());
    store.setSetting("parallel", "2");
    store.add(design(1, 3.0, 0.5, 2));
    store.add(design(2, 1.0, 2.0, 3));  // lower f, but infeasible
    store.add(design(3, 2.0, 0.9, 4));  // not yet scored: feasible by s <= 1
    store.add(design(4, 0, 0, 0, "exited with status 2"));
    data = studyData(client);
    EXPECT_EQ(data["study"]["name"], "sphere");
    EXPECT_EQ(data["study"]["parallel"], "2");
    std::vector<std::pair<std::string, int>> statusAndRank;
    for (const json& d : data["designs"]) statusAndRank.emplace_back(d["status"], d["rank"]);
    EXPECT_THAT(statusAndRank, ElementsAre(Pair("feasible", 2), Pair("infeasible", 3),
                                           Pair("feasible", 1), Pair("error", 4)));
    EXPECT_EQ(data["convergence"]["points"], json::parse("[[1,3.0,1],[3,2.0,3]]"));
    EXPECT_EQ(data["failures"], json::parse(R"([{"id":4,"message":"exited with status 2"}])"));

    store.add(design(5, 1.5, 0.0, 4));
    data = studyData(client);
    EXPECT_EQ(data["designs"].size(), 5u);
    EXPECT_EQ(data["convergence"]["points"].back(), json::parse("[5,1.5,5]"));
    // With s an objective too, design 5 dominates the other feasible ones and leads them.
    std::string twoObjectives = testing::sphereStudy();
    twoObjectives.replace(twoObjectives.find("[constraint s]"), 14, "[objective s]");
    store.setSetting("study", twoObjectives);
    EXPECT_EQ(studyData(client)["designs"][4]["rank"], 1);

    EXPECT_THAT(client.Get("/")->body, HasSubstr("dashboard.js"));
    EXPECT_NE(client.Post("/api/study", "", "text/plain")->status, 200) << "read-only";
    EXPECT_THROW(DashboardServer(folder / "results.db", "127.0.0.1", server.port()), RunError);
}

// A two-level experiment in factors x and y: r = 1 + 2a + b at level a of x
// and level b of y.
TEST(Dashboard, GivesTheMainEffectsOfADesignedExperiment) {
    testing::ScratchFolder folder;
    ResultsStore store(folder / "results.db");
    store.setSetting("study", testing::doeStudy());
    for (int k = 0; k < 4; ++k) {  // a and b index the levels of x and y
        const double a = k % 2, b = k / 2;
        store.add(
            {k + 1, {a ? 2.0 : -1.0, b ? 1.5 : 0.5}, {1 + 2 * a + b}, "", 4, -1e99, 0, k + 1});
    }
    const json data = dashboardData(store);
    ASSERT_EQ(data.value("effects", json()).size(), 1u) << data.dump();
    const json effects = data["effects"][0];
    EXPECT_EQ(effects["factors"][0]["means"], json::parse("[1.5, 3.5]"));
    EXPECT_EQ(effects["factors"][1]["effect"], 1.0);
    const json& half = effects["halfNormal"];
    EXPECT_EQ(half[0]["term"], "y");
    EXPECT_EQ(half[1]["size"], 2.0);
    EXPECT_NEAR(half[1]["quantile"].get<double>(), 1.1503, 1e-4);
}

}  // namespace
}  // namespace varno::tool
