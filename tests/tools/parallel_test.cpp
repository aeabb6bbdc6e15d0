// Parallel evaluation: N evaluator processes run at once, never more, and each
// result reaches its own design whatever order they finish in. The children
// append "start <id>" and "end <id>" to one shared log: appends are atomic, so
// the log holds the true order of the events, whatever the clock says.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "command_evaluator.h"
#include "tool_test_support.h"

namespace varno::tool {
namespace {

using ::testing::ElementsAre;

class ParallelEvaluator : public ::testing::Test {
protected:
    // Runs `count` designs, `parallel` at once; `body` runs between the start
    // and the end entry of each child, with its design id in $id. Every child
    // answers mass = 10 id.
    std::vector<double> run(int count, int parallel, const std::string& body) {
        const std::string script =
            "#!/bin/sh\nid=$(sed 's/.*\"id\":\\([0-9]*\\).*/\\1/')\nlog=../../events.log\n"
            "echo \"start $id\" >> $log\n" +
            body + "\necho \"end $id\" >> $log\necho \"{\\\"mass\\\": ${id}0}\"\n";
        model.variables = {{"x", {}}};
        model.responses = {{"mass", BlockKind::objective, "min_value", 0}};
        CommandEvaluator evaluator(model, {testing::writeScript(folder / "child.sh", script), 0.0,
                                           parallel, folder.path()});
        std::vector<DesignRequest> designs;
        for (int id = 1; id <= count; ++id) {
            designs.push_back({id, "Design" + std::to_string(id), {0.0}});
        }
        std::vector<double> masses;
        for (const DesignResult& result : evaluator.evaluate(designs)) {
            EXPECT_FALSE(result.failed) << result.error;
            masses.push_back(result.failed ? 0.0 : result.responses.at(0));
        }
        return masses;
    }

    std::vector<std::string> events() const {
        std::istringstream log(testing::readText(folder / "events.log"));
        std::vector<std::string> lines;
        for (std::string line; std::getline(log, line);) lines.push_back(line);
        return lines;
    }

    testing::ScratchFolder folder;
    StudyModel model;
};

TEST_F(ParallelEvaluator, NeverMoreThanNAtOnce) {
    EXPECT_THAT(run(5, 2, "sleep 0.1"), ElementsAre(10, 20, 30, 40, 50));
    int running = 0, most = 0;
    for (const std::string& event : events()) {
        running += event.rfind("start", 0) == 0 ? 1 : -1;
        most = std::max(most, running);
    }
    EXPECT_EQ(most, 2);
    EXPECT_EQ(events().size(), 10u);
}

// Each child waits until all three have started and the next one has ended,
// so they must run together and end in reverse order (or give up after ten
// seconds and fail).
TEST_F(ParallelEvaluator, NRunTogetherAndResultsReachTheirDesignWhateverOrderTheyEndIn) {
    const std::string waitForOthers = R"sh(tries=0
until [ "$(grep -c start $log)" -eq 3 ] && { [ "$id" -eq 3 ] || grep -q "end $((id + 1))" $log; }; do
  tries=$((tries + 1)); [ $tries -gt 500 ] && exit 1; sleep 0.02
done)sh";
    EXPECT_THAT(run(3, 3, waitForOthers), ElementsAre(10, 20, 30));
    std::vector<std::string> ends = events();
    std::erase_if(ends, [](const std::string& event) { return event.rfind("end", 0) != 0; });
    EXPECT_THAT(ends, ElementsAre("end 3", "end 2", "end 1"));
}

}  // namespace
}  // namespace varno::tool
