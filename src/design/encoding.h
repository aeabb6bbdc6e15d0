// The two forms of a design and the mapping between them: the integer vector
// (one level index per study variable) that the search methods breed, compare
// and hash, and the real vector (the variable values, then the fixed
// parameters) that the host evaluates. Also decodes a design into the
// variables' current values and parses design lists.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "design/design.h"
#include "model/project_model.h"

namespace varno::design {

enum class AgentKind { optimization, doe, reliability, evaluation };

// Rounding of dblsToInts: down, to nearest, up.
inline constexpr int roundDown = -1;
inline constexpr int roundNearest = 0;
inline constexpr int roundUp = 1;

struct EncodingSettings {
    AgentKind agent = AgentKind::optimization;
    bool clampsDesigns = false;        // dblsToInts limits values to the range first
    int doeKind = 0;                   // DOE kind code of the agent's array
    bool designsFromHostAsIs = false;  // the host's designs are used as they are
    int problemType = 0;
    int runMode = 0;
};

// Draws a fresh "randomSeed" (0 … 1000000) for a distribution sample.
using SeedSource = std::function<int()>;

// Maps designs of the first representation of `project`. The project must
// outlive the encoding; its variables and fixed parameters must not change
// after construction. Design vectors are expected to hold one integer per
// study variable and at least one real per study variable; a missing entry
// reads as 0.
class DesignEncoding {
public:
    DesignEncoding(model::ProjectModel& project, const EncodingSettings& settings);

    const std::vector<int>& fieldSizes() const { return fieldSizes_; }
    const EncodingSettings& settings() const { return settings_; }

    // Fills the real vector (N variable values, then F fixed parameters)
    // from the integer vector.
    void intsToDbls(Design& design) const;
    // Fills the integer vector from the real vector; `mode` < 0 rounds down,
    // 0 to nearest, > 0 up.
    void dblsToInts(Design& design, int mode) const;
    // A design handed in by the host: nearest indices, and for an
    // integer-coded design real values rebuilt on the grid.
    void takeInHostDesign(Design& design) const;
    // Whether the host may give `value` for study variable `index` (0-based).
    bool acceptsHostValue(int index, double value) const;

    // Sets the current index and value of every study variable and the
    // current value of every fixed parameter, from the integer vector
    // (decode) or the real vector (decodeReals); distributions are sampled
    // with seeds from `drawSeed`.
    void decode(const Design& design, const SeedSource& drawSeed);
    void decodeReals(const Design& design, const SeedSource& drawSeed);

    const std::vector<int>& currentIndices() const { return currentIndices_; }
    const std::vector<double>& currentValues() const { return currentValues_; }
    const std::vector<double>& fixedCurrentValues() const { return fixedCurrentValues_; }

private:
    struct Ends {
        double lo;
        double hi;
        int steps;  // number of grid intervals between lo and hi
    };

    const std::vector<model::StudyVariable>& variables() const;
    const std::vector<model::FixedParameter>& fixedParameters() const;
    bool isDoeAgent() const;
    bool usesLevels(const model::StudyVariable& variable) const;
    Ends levelEnds(std::size_t index) const;
    Ends valueEnds(std::size_t index) const;
    double valueOfIndex(std::size_t index, int k) const;
    int indexOfValue(std::size_t index, double value, double offset) const;
    void writeFixedValues(Design& design) const;
    void checkBounds(std::size_t index, double value, const Design& design) const;
    double sampled(int distribution, double value, const std::string& name,
                   const SeedSource& drawSeed);
    void setCurrent(std::size_t index, int k, double value, const Design& design,
                    const SeedSource& drawSeed);
    void decodeFixed(const Design& design, const SeedSource& drawSeed);

    model::ProjectModel& project_;
    EncodingSettings settings_;
    std::vector<int> fieldSizes_;
    std::vector<int> currentIndices_;
    std::vector<double> currentValues_;
    std::vector<double> fixedCurrentValues_;
};

// The entry of a refused host value (`index` 0-based) for the message log.
std::string refusedHostValueText(int index, const std::string& designName);

// Parses a design list such as "1-3,2,7" into design numbers in first-seen
// order without repeats. A malformed range logs the design-set error and
// gives no list; a malformed single number is the integer reader's fatal
// error.
std::optional<std::vector<int>> parseDesignList(const std::string& text);

}  // namespace varno::design
