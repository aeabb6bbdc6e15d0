// Dependent variables and formula responses computed by the runner: each
// formula is evaluated once per design, after the formulas it names.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "study_file.h"

namespace varno::tool {

struct Formula {
    std::string name;
    std::vector<std::string> lines;  // as final text: every formula sets _result
};

class Formulas {
public:
    // The dependent parameters and the Formula responses of the study file,
    // in an order in which each follows the formulas it uses.
    static Formulas fromStudyFile(const StudyFile& file);

    bool empty() const { return order_.empty(); }
    const std::vector<Formula>& order() const { return order_; }

    // Adds the value of every formula to `values`, which holds the values of
    // the names the formulas may use. Returns an empty text when all could be
    // computed, otherwise why the first that failed did, naming it.
    std::string evaluate(std::map<std::string, double>& values) const;

private:
    std::vector<Formula> order_;
};

}  // namespace varno::tool
