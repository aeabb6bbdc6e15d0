// Parallel evaluation: up to N evaluator processes run at once, never more,
// and each result reaches its own design whatever order they finish in. Each
// child writes its start and end times into its design folder.
#include <gtest/gtest.h>

#include <algorithm>

#include "command_evaluator.h"
#include "tool_test_support.h"

namespace varno::tool {
namespace {

struct Interval {
    double start = 0.0, end = 0.0;
};

// Sleeps 0.1 s times the design's "delay" variable, then answers mass = 10 id.
const char* const timedScript = R"(#!/bin/sh
date +%s.%N > start.txt
input=$(cat)
delay=$(echo "$input" | sed 's/.*"delay":\([0-9.]*\).*/\1/')
id=$(echo "$input" | sed 's/.*"id":\([0-9]*\).*/\1/')
sleep $(echo "$delay" | awk '{ print $1 * 0.1 }')
date +%s.%N > end.txt
echo "{\"mass\": ${id}0}"
)";

class ParallelEvaluator : public ::testing::Test {
protected:
    // Design k (1-based) sleeps delays[k-1] tenths of a second.
    std::vector<DesignResult> run(const std::vector<int>& delays, int parallel) {
        model.variables = {{"delay", {}}};
        model.responses = {{"mass", BlockKind::objective, "min_value", 0}};
        CommandSettings settings{testing::writeScript(folder / "timed.sh", timedScript), 0.0, parallel, folder.path()};
        CommandEvaluator evaluator(model, settings);
        std::vector<DesignRequest> designs;
        for (std::size_t k = 0; k < delays.size(); ++k) {
            const int id = static_cast<int>(k) + 1;
            designs.push_back({id, "Design" + std::to_string(id), {static_cast<double>(delays[k])}});
        }
        return evaluator.evaluate(designs);
    }

    Interval interval(int id) const {
        const auto folderOf = folder / "designs" / std::to_string(id);
        return {std::stod(testing::readText(folderOf / "start.txt")), std::stod(testing::readText(folderOf / "end.txt"))};
    }

    // The most intervals that were open at one moment.
    int mostAtOnce(int count) const {
        int most = 0;
        for (int i = 1; i <= count; ++i) {
            const double moment = interval(i).start;
            int open = 0;
            for (int j = 1; j <= count; ++j) open += interval(j).start <= moment && moment < interval(j).end ? 1 : 0;
            most = std::max(most, open);
        }
        return most;
    }

    testing::ScratchFolder folder;
    StudyModel model;
};

TEST_F(ParallelEvaluator, NProcessesRunAtTheSameTime) {
    const std::vector<DesignResult> results = run({5, 5, 5, 5}, 4);
    for (const DesignResult& result : results) ASSERT_FALSE(result.failed) << result.error;
    double latestStart = 0.0, earliestEnd = 1e300;
    for (int id = 1; id <= 4; ++id) {
        latestStart = std::max(latestStart, interval(id).start);
        earliestEnd = std::min(earliestEnd, interval(id).end);
    }
    EXPECT_LT(latestStart, earliestEnd) << "all four were running at one moment";
    EXPECT_EQ(mostAtOnce(4), 4);
}

TEST_F(ParallelEvaluator, NeverMoreThanNAtOnce) {
    const std::vector<DesignResult> results = run({2, 3, 1, 2, 3, 1}, 2);
    for (const DesignResult& result : results) ASSERT_FALSE(result.failed) << result.error;
    EXPECT_EQ(mostAtOnce(6), 2);
}

TEST_F(ParallelEvaluator, ResultsReachTheirDesignWhateverOrderTheyFinishIn) {
    const std::vector<DesignResult> results = run({6, 4, 2, 0}, 4);
    ASSERT_EQ(results.size(), 4u);
    EXPECT_GT(interval(1).end, interval(4).end) << "the first design finished last";
    for (int k = 0; k < 4; ++k) {
        ASSERT_FALSE(results[k].failed) << results[k].error;
        EXPECT_DOUBLE_EQ(results[k].responses.at(0), 10.0 * (k + 1));
    }
}

}  // namespace
}  // namespace varno::tool
