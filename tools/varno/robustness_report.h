// What a run of a robustness or reliability study shows: the distribution of
// every response over the samples as a histogram, and for each constraint of
// a reliability study its reliability index and probability of failure, as
// the library wrote them into the response's R&R file.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "results.h"
#include "svg_chart.h"

namespace varno::tool {

bool isRobustnessStudy(const StudyModel& model);

// The histogram of one response over the samples evaluated successfully, in
// eleven equal-width bins from the smallest to the largest value.
Chart histogramChart(const std::string& response, const std::vector<double>& values);

// Writes "histogram_<response>.svg" per response; returns the file names.
std::vector<std::string> writeHistograms(const StudyModel& model, const RunRecord& record,
                                         const std::filesystem::path& directory);

// Prints the β / P_f table of the constraints whose R&R file in `directory`
// holds a reliability section; nothing when none does.
void printReliabilityTable(std::ostream& out, const StudyModel& model,
                           const std::filesystem::path& directory);

}  // namespace varno::tool
