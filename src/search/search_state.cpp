// The search state of checkpoints: what each search and its parts have
// learnt, written field by field and read back with every count checked.
#include <algorithm>

#include "design/design_bytes.h"
#include "search/candidate_credit.h"
#include "search/motravok_search.h"
#include "search/operator_weights.h"
#include "search/pareto_termination.h"
#include "search/population_search.h"
#include "search/random_stream.h"
#include "search/travok_search.h"

namespace varno::search {

namespace {

using support::ByteReader;
using support::ByteWriter;

void writeFloat(ByteWriter& out, float value) { out.real(value); }

bool readFloat(ByteReader& in, float& value) {
    double wide = 0.0;
    if (!in.real(wide)) return false;
    value = static_cast<float>(wide);
    return true;
}

void writeRecord(ByteWriter& out, const SourceRecord& record) {
    out.int32(record.trials);
    out.int32(record.successes);
}

bool readRecord(ByteReader& in, SourceRecord& record) {
    in.int32(record.trials);
    return in.int32(record.successes);
}

void writeStatistics(ByteWriter& out, const PopulationStatistics& s) {
    out.real(s.minimum);
    out.real(s.maximum);
    out.real(s.average);
    out.real(s.sigma);
    out.int32(s.bestIndex);
}

bool readStatistics(ByteReader& in, PopulationStatistics& s) {
    in.real(s.minimum);
    in.real(s.maximum);
    in.real(s.average);
    in.real(s.sigma);
    return in.int32(s.bestIndex);
}

void writeStartRecords(ByteWriter& out, const std::vector<StartRecord>& records) {
    out.int32(static_cast<std::int32_t>(records.size()));
    for (const StartRecord& record : records) {
        out.int32Vector(record.codes);
        out.real(record.rawFitness);
        out.int32(record.uses);
    }
}

bool readStartRecords(ByteReader& in, std::vector<StartRecord>& records) {
    std::int32_t n = 0;
    if (!in.count(n, 4 + 8 + 4)) return false;
    records.resize(static_cast<std::size_t>(n));
    for (StartRecord& record : records) {
        in.int32Vector(record.codes);
        in.real(record.rawFitness);
        if (!in.int32(record.uses)) return false;
    }
    return true;
}

bool readBool(ByteReader& in, bool& value) {
    std::int32_t flag = 0;
    if (!in.int32(flag)) return false;
    value = flag != 0;
    return true;
}

void writeArchive(ByteWriter& out, const std::vector<ParetoDesign>& archive) {
    out.int32(static_cast<std::int32_t>(archive.size()));
    for (const ParetoDesign& d : archive) {
        out.int32Vector(d.codes);
        out.int32(d.id);
        out.real(d.performance);
        out.int32(d.generation);
        out.realVector(d.objectives);
        out.realVector(d.constraints);
        out.real(d.violation);
        out.int32(d.rank);
        out.real(d.crowding);
        out.int32(d.failed ? 1 : 0);
    }
}

bool readArchive(ByteReader& in, std::vector<ParetoDesign>& archive) {
    std::int32_t n = 0;
    if (!in.count(n, 4 * 7 + 8 * 3)) return false;
    archive.resize(static_cast<std::size_t>(n));
    for (ParetoDesign& d : archive) {
        in.int32Vector(d.codes);
        in.int32(d.id);
        in.real(d.performance);
        in.int32(d.generation);
        in.realVector(d.objectives);
        in.realVector(d.constraints);
        in.real(d.violation);
        in.int32(d.rank);
        in.real(d.crowding);
        if (!readBool(in, d.failed)) return false;
    }
    return true;
}

}  // namespace

void ParetoTermination::write(ByteWriter& out) const {
    out.real(previous_);
    out.int32(stallCount_);
    out.int32(stallStartRank_);
    for (double value : ring_) out.real(value);
    out.int32(ringCursor_);
    out.real(deviation_);
    out.int32(met_ ? 1 : 0);
}

bool ParetoTermination::read(ByteReader& in) {
    in.real(previous_);
    in.int32(stallCount_);
    in.int32(stallStartRank_);
    for (double& value : ring_) in.real(value);
    in.int32(ringCursor_);
    in.real(deviation_);
    return readBool(in, met_) && ringCursor_ >= 0 && ringCursor_ < ringSize;
}

void writeMember(ByteWriter& out, const PopulationMember& member) {
    design::writeDesign(out, member.design);
    out.real(member.fitness);
    out.int32(member.parent1);
    out.int32(member.parent2);
    out.int32(member.tag);
    out.int32(member.generation);
    out.int32(member.mutationWidth);
    out.int32(member.changed ? 1 : 0);
}

bool readMember(ByteReader& in, PopulationMember& member) {
    if (!design::readDesign(in, member.design)) return false;
    in.real(member.fitness);
    in.int32(member.parent1);
    in.int32(member.parent2);
    in.int32(member.tag);
    in.int32(member.generation);
    in.int32(member.mutationWidth);
    return readBool(in, member.changed);
}

void RandomStream::write(ByteWriter& out) const {
    for (double value : state_.table) out.real(value);
    out.int32(state_.cursor);
    writeFloat(out, state_.seed);
    out.int32(state_.hasKeptNormal ? 1 : 0);
    out.real(state_.keptNormal);
}

bool RandomStream::read(ByteReader& in) {
    State state;
    for (double& value : state.table) in.real(value);
    in.int32(state.cursor);
    readFloat(in, state.seed);
    readBool(in, state.hasKeptNormal);
    if (!in.real(state.keptNormal) || state.cursor < 0 || state.cursor >= tableSize) return false;
    state_ = state;
    return true;
}

void AdaptiveOperators::write(ByteWriter& out) const {
    for (float weight : {weights.twoPoint, weights.uniform, weights.blend, weights.singleField,
                         weights.multiFieldFirst, weights.multiFieldSecond, weights.gaussianFields,
                         weights.exploration}) {
        writeFloat(out, weight);
    }
    out.real(crossoverRate);
    out.real(mutationRate);
    out.real(averageMutationWidth);
    out.int32Vector(creditRing_);
    out.int32(creditCursor_);
    out.int32Vector(widthRing_);
    out.int32(widthCursor_);
}

bool AdaptiveOperators::read(ByteReader& in) {
    for (float* weight : {&weights.twoPoint, &weights.uniform, &weights.blend, &weights.singleField,
                          &weights.multiFieldFirst, &weights.multiFieldSecond,
                          &weights.gaussianFields, &weights.exploration}) {
        readFloat(in, *weight);
    }
    in.real(crossoverRate);
    in.real(mutationRate);
    in.real(averageMutationWidth);
    std::vector<int> creditRing, widthRing;
    in.int32Vector(creditRing);
    in.int32(creditCursor_);
    in.int32Vector(widthRing);
    in.int32(widthCursor_);
    const bool fits = creditRing.size() == creditRing_.size() &&
                      widthRing.size() == widthRing_.size() && creditCursor_ >= 0 &&
                      widthCursor_ >= 0;
    if (in.failed() || !fits) return false;
    creditRing_ = std::move(creditRing);
    widthRing_ = std::move(widthRing);
    return true;
}

void SurrogateChoice::write(ByteWriter& out) const {
    writeFloat(out, kriging);
    writeFloat(out, leastSquares);
    writeFloat(out, radialBasis);
    writeRecord(out, krigingRecord);
    writeRecord(out, leastSquaresRecord);
    writeRecord(out, radialBasisRecord);
    for (double radius : radii_) out.real(radius);
}

bool SurrogateChoice::read(ByteReader& in) {
    readFloat(in, kriging);
    readFloat(in, leastSquares);
    readFloat(in, radialBasis);
    readRecord(in, krigingRecord);
    readRecord(in, leastSquaresRecord);
    readRecord(in, radialBasisRecord);
    for (double& radius : radii_) in.real(radius);
    return !in.failed();
}

void LocalMethodChoice::write(ByteWriter& out) const {
    for (const SourceRecord& record : records_) writeRecord(out, record);
}

bool LocalMethodChoice::read(ByteReader& in) {
    for (SourceRecord& record : records_) readRecord(in, record);
    return !in.failed();
}

void PopulationSearch::writeCommonState(ByteWriter& out) const {
    out.int32(generation_);
    adaptive_.write(out);
    out.real(static_cast<double>(operators_.crossovers()));
    out.real(static_cast<double>(operators_.mutations()));
}

bool PopulationSearch::readCommonState(ByteReader& in) {
    double crossovers = 0.0, mutations = 0.0;
    in.int32(generation_);
    if (!adaptive_.read(in)) return false;
    in.real(crossovers);
    if (!in.real(mutations)) return false;
    operators_.setCounters(static_cast<long>(crossovers), static_cast<long>(mutations));
    return true;
}

std::optional<SearchSnapshot> TravokSearch::snapshot() const {
    if (awaitingResults()) return std::nullopt;
    SearchSnapshot snapshot;
    snapshot.members = current_;
    snapshot.apart.design = baseline_.incumbent;
    ByteWriter out;
    writeCommonState(out);
    out.int32(reinitialization_.interval());
    out.int32(reinitialization_.generationsSinceRestart());
    out.int32(reinitialization_.stagnantGenerations());
    writeStatistics(out, statistics_);
    out.real(bestSoFar_);
    out.real(lowerThreshold_);
    out.real(upperThreshold_);
    out.int32(simplex_.found);
    out.int32(simplex_.successful);
    surrogateChoice_.write(out);
    localMethods_.write(out);
    writeStartRecords(out, startRecords_);
    out.int32Vector(bestCodes_);
    out.int32(surrogateSteps_);
    out.int32(baseline_.started ? 1 : 0);
    out.int32Vector(baseline_.patternSteps);
    out.int32(baseline_.patternDirection);
    out.int32(baseline_.lastDirection);
    snapshot.state = out.take();
    return snapshot;
}

bool TravokSearch::restore(const SearchSnapshot& snapshot) {
    const auto size = static_cast<std::size_t>(populationSize());
    const bool membersFit = snapshot.members.size() == size &&
                            std::all_of(snapshot.members.begin(), snapshot.members.end(),
                                        [this](const PopulationMember& m) {
                                            return m.codes().size() == fieldSizes_.size();
                                        });
    if (awaitingResults() || !membersFit) return false;
    ByteReader in(snapshot.state);
    int interval = 0, sinceRestart = 0, stagnant = 0;
    if (!readCommonState(in)) return false;
    in.int32(interval);
    in.int32(sinceRestart);
    in.int32(stagnant);
    readStatistics(in, statistics_);
    in.real(bestSoFar_);
    in.real(lowerThreshold_);
    in.real(upperThreshold_);
    in.int32(simplex_.found);
    in.int32(simplex_.successful);
    if (!surrogateChoice_.read(in) || !localMethods_.read(in) ||
        !readStartRecords(in, startRecords_)) {
        return false;
    }
    in.int32Vector(bestCodes_);
    in.int32(surrogateSteps_);
    readBool(in, baseline_.started);
    in.int32Vector(baseline_.patternSteps);
    in.int32(baseline_.patternDirection);
    in.int32(baseline_.lastDirection);
    if (in.failed() || !in.atEnd() || statistics_.bestIndex < 0 ||
        static_cast<std::size_t>(statistics_.bestIndex) >= size) {
        return false;
    }
    reinitialization_.restore(interval, sinceRestart, stagnant);
    baseline_.incumbent = snapshot.apart.design;
    current_ = snapshot.members;
    return true;
}

std::optional<SearchSnapshot> MotravokSearch::snapshot() const {
    if (awaitingResults()) return std::nullopt;
    SearchSnapshot snapshot;
    ByteWriter out;
    writeCommonState(out);
    writeArchive(out, archive_);
    termination_.write(out);
    out.real(boundary_);
    out.int32(cycle_);
    out.int32(lastRank_);
    out.int32(largestLastRank_);
    out.real(bestPerformance_);
    out.int32(exploring_ ? 1 : 0);
    snapshot.state = out.take();
    return snapshot;
}

bool MotravokSearch::restore(const SearchSnapshot& snapshot) {
    if (awaitingResults()) return false;
    ByteReader in(snapshot.state);
    if (!readCommonState(in) || !readArchive(in, archive_) || !termination_.read(in)) return false;
    in.real(boundary_);
    in.int32(cycle_);
    in.int32(lastRank_);
    in.int32(largestLastRank_);
    in.real(bestPerformance_);
    readBool(in, exploring_);
    const bool fits = std::all_of(archive_.begin(), archive_.end(), [this](const ParetoDesign& d) {
        return d.codes.size() == fieldSizes_.size();
    });
    if (in.failed() || !in.atEnd() || !fits) return false;
    operators_.setExploring(exploring_);
    return true;
}

}  // namespace varno::search
