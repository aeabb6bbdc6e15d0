#include "doe/doe_settings.h"

#include <cstdlib>

#include "doe/doe_table.h"
#include "doe/orthogonal_arrays.h"
#include "frame/fatal_error.h"
#include "frame/message_writer.h"
#include "frame/text_format.h"

namespace varno::doe {

namespace {

constexpr int lhsTriesPerKind = 20;
constexpr int lhsSubLevels = 20;

struct KindKeyword {
    const char* text;
    int kind;
};

constexpr KindKeyword doeKeywords[] = {
    {"2LevelFull", kindFullFactorial2},
    {"2LevelPartial", kindFractionalFactorial2},
    {"2LevelPB", kindPlackettBurman},
    {"OtherCC", kindCentralComposite},
    {"OtherLHC", kindLatinHypercube},
    {"OtherDO", kindDOptimal},
    {"2LevelTaguchi", kindOrthogonalArray},
    {"3LevelTaguchi", kindOrthogonalArray},
    {"OtherTaguchi", kindOrthogonalArray},
    {"Taguchi", kindOrthogonalArray},
    {"3LevelFull", kindFullFactorial3},
    {"3LevelPartial", kindFractionalFactorial3},
    {"RobustParameterDesign", kindRobustDesign},
    {"OtherExisting", kindExistingDesigns},
    {"OtherLHCO", kindOptimizedLatinHypercube},
    {"OtherHMS", kindHammersley},
};

std::string trimmedArrayName(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return std::string();
    const std::size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

int readTaguchiArray(const model::BlockReader& reader, int factors) {
    const std::string name = trimmedArrayName(reader.requiredText("taguchiArray"));
    const int index = orthogonalArrayIndex(name);
    if (index < 0) {
        const std::string first = formatText("Error in the study input data. The Taguchi Array "
                                             "Name specified (%s) is not supported.\n",
                                             name.c_str());
        fatalError(formatText("%sValid names are (L4, L8, L12, L16, L32, L72, L80, L88, L96, "
                              "L104, L112, L120, L128, L9, L18, L27, L36, L81.",
                              first.c_str()));
    }
    const OrthogonalArrayInfo& info = orthogonalArrays()[static_cast<std::size_t>(index)];
    if (factors < info.fewestFactors || factors > info.mostFactors) {
        fatalError(formatText("The number of factors must be between %d and %d for using the %s "
                              "taguchi array. Found %d.",
                              info.fewestFactors, info.mostFactors, info.name, factors));
    }
    return index;
}

// An empty or unconvertible value keeps the default, with the reason noted.
double readTimeLimitMinutes(const model::BlockReader& reader, double fallbackSeconds) {
    const std::optional<std::string> text = reader.optionalText("LHCOTimeLimit");
    if (!text) return fallbackSeconds;
    char* end = nullptr;
    const double minutes = std::strtod(text->c_str(), &end);
    const bool onlyBlanks = end != text->c_str() &&
                            std::string(end).find_first_not_of(' ') == std::string::npos;
    if (!onlyBlanks) {
        writeMessage("outptr", "warning",
                     formatText("The read value \"%s\" could not be converted into a double.",
                                text->c_str()));
        return fallbackSeconds;
    }
    return minutes * 60.0;
}

void noteDOptimal() {
    writeMessage("outptr", "note",
                 formatText("%s is close to the number of evaluations needed by a full factorial, "
                            "D-optimal may not perform the number of evaluations requested but "
                            "instead evaluate a smaller number.",
                            "Please note that D-optimal is design to spread out the designs when "
                            "a 2-level full factorial is not feasible. If the number of designs "
                            "requested"));
}

void readKindProperties(const model::BlockReader& reader, DoeSettings& s) {
    s.numFactors = reader.requiredInt("numFactors");
    const int k = s.numFactors;
    const auto evals = [&] { return reader.requiredInt("numEvals"); };
    switch (s.kind) {
        case kindFullFactorial2:
            s.order = k;
            s.numLevels = 2;
            break;
        case kindFullFactorial3:
            s.order = k;
            s.numLevels = 3;
            break;
        case kindFractionalFactorial2:
            s.order = reader.requiredInt("generator");
            s.numLevels = 2;
            break;
        case kindFractionalFactorial3:
            s.order = reader.requiredInt("generator");
            s.numLevels = 3;
            break;
        case kindPlackettBurman:
            s.numRuns = evals();
            s.numLevels = 2;
            break;
        case kindCentralComposite: s.numLevels = 5; break;
        case kindLatinHypercube:
            s.numRuns = evals();
            s.lhsTries = lhsTriesPerKind;
            s.numLevels = s.numRuns * lhsSubLevels;
            break;
        case kindUserFile:
            s.numRuns = evals();
            s.numLevels = reader.requiredInt("numLevels");
            break;
        case kindDOptimal:
            s.numRuns = evals();
            s.numLevels = 2;
            noteDOptimal();
            break;
        case kindOrthogonalArray: {
            s.taguchiArray = readTaguchiArray(reader, k);
            const OrthogonalArrayInfo& info =
                orthogonalArrays()[static_cast<std::size_t>(s.taguchiArray)];
            s.numRuns = info.runs;
            s.numLevels = info.twoLevelColumns == info.mostFactors ? 2 : 3;
            break;
        }
        case kindExistingDesigns:
            s.numRuns = evals();
            s.numLevels = continuousDoeLevels;
            break;
        case kindOptimizedLatinHypercube:
            s.numRuns = s.numLevels = evals();
            s.lhsTries = lhsTriesPerKind;
            s.lhcoTimeLimit = readTimeLimitMinutes(reader, s.lhcoTimeLimit);
            break;
        case kindHammersley: s.numRuns = s.numLevels = evals(); break;
        default: fatalError("Unknown type of DOE defined in the *CONTROL_DOE keyword.");
    }
}

std::int64_t powerOf(std::int64_t base, int exponent) {
    std::int64_t result = 1;
    for (int i = 0; i < exponent; ++i) {
        result *= base;
        if (result > (std::int64_t{1} << 40)) return result;  // far beyond any limit
    }
    return result;
}

}  // namespace

int doeKindFromText(const std::string& text, KindContext context) {
    if (context == KindContext::sampling) {
        if (text == "OtherLHC") return 0;
        if (text == "OtherMonteCarlo") return 1;
        if (text == "OtherFORM") return 2;
    }
    for (const KindKeyword& entry : doeKeywords) {
        if (text == entry.text) return entry.kind;
    }
    fatalError(formatText("Unrecognized DOE type specified: %s", text.c_str()));
}

std::string readSurfaceChoice(const model::BlockReader& reader, const char* studyWord) {
    std::string choice = reader.optionalText("genRSMAfterStudy").value_or("");
    if (choice == "NONE") {
        writeMessage("outptr", "note",
                     formatText("Based on the user selection, no response surface models will be "
                                "generated at the end of the %s study.",
                                studyWord));
    }
    return choice;
}

DoeSettings readDoeSettings(const model::BlockReader& reader, const std::string& kindKey) {
    DoeSettings settings;
    settings.kind = doeKindFromText(reader.requiredText(kindKey), KindContext::doe);
    readKindProperties(reader, settings);
    settings.genRSMAfterStudy = readSurfaceChoice(reader, "DOE");
    return settings;
}

std::int64_t plannedRuns(const DoeSettings& s) {
    const int k = s.numFactors;
    switch (s.kind) {
        case kindFullFactorial2: return powerOf(2, k);
        case kindFullFactorial3: return powerOf(3, k);
        case kindFractionalFactorial2: return powerOf(2, k - s.order);
        case kindFractionalFactorial3: return powerOf(3, k - s.order);
        case kindCentralComposite: return powerOf(2, k) + 2 * k + 1;
        default: return s.numRuns;
    }
}

int requiredLevelValues(const DoeSettings& s) {
    switch (s.kind) {
        case kindFullFactorial2:
        case kindFractionalFactorial2:
        case kindPlackettBurman:
        case kindDOptimal: return 2;
        case kindFullFactorial3:
        case kindFractionalFactorial3: return 3;
        case kindCentralComposite: return 5;
        case kindLatinHypercube:
        case kindOptimizedLatinHypercube:
        case kindHammersley: return 2;
        case kindOrthogonalArray: {
            const OrthogonalArrayInfo& info =
                orthogonalArrays()[static_cast<std::size_t>(s.taguchiArray)];
            if (info.twoLevelColumns == info.mostFactors) return 2;
            return info.twoLevelColumns == 0 ? 3 : 0;
        }
        default: return 0;
    }
}

}  // namespace varno::doe
