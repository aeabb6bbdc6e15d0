#include "design/design_bytes.h"

namespace varno::design {

namespace {

// The fixed bytes of one tagged value: four 32-bit fields, a double and the
// text's length.
constexpr std::size_t valueBytes = 4 * 4 + 8 + 4;

void writeArrays(support::ByteWriter& out, const std::vector<model::DataValueArray>& arrays) {
    out.int32(static_cast<std::int32_t>(arrays.size()));
    for (const model::DataValueArray& values : arrays) writeValueArray(out, values);
}

bool readArrays(support::ByteReader& in, std::vector<model::DataValueArray>& arrays) {
    std::int32_t n = 0;
    if (!in.count(n, 4)) return false;
    arrays.resize(static_cast<std::size_t>(n));
    for (model::DataValueArray& values : arrays) {
        if (!readValueArray(in, values)) return false;
    }
    return true;
}

void writeStatus(support::ByteWriter& out, const EvaluationStatus& status) {
    out.int32(status.ok);
    out.int32(status.complete);
    out.int32(status.agent);
    out.int32(status.status);
    out.int32Vector(status.responseStates);
}

bool readStatus(support::ByteReader& in, EvaluationStatus& status) {
    in.int32(status.ok);
    in.int32(status.complete);
    in.int32(status.agent);
    in.int32(status.status);
    return in.int32Vector(status.responseStates);
}

}  // namespace

void writeValueArray(support::ByteWriter& out, const model::DataValueArray& values) {
    out.int32(static_cast<std::int32_t>(values.size()));
    for (const model::VARNODataVal& value : values) {
        out.int32(value.set);
        out.int32(value.dataType);
        out.int32(value.empty);
        out.int32(value.intValue);
        out.real(value.doubleValue);
        out.text(value.textValue);
    }
}

bool readValueArray(support::ByteReader& in, model::DataValueArray& values) {
    std::int32_t n = 0;
    if (!in.count(n, valueBytes)) return false;
    values.resize(static_cast<std::size_t>(n));
    for (model::VARNODataVal& value : values) {
        in.int32(value.set);
        in.int32(value.dataType);
        in.int32(value.empty);
        in.int32(value.intValue);
        in.real(value.doubleValue);
        if (!in.text(value.textValue)) return false;
    }
    return true;
}

void writeDesign(support::ByteWriter& out, const Design& design) {
    out.int32(design.tag1);
    out.int32(design.tag2);
    out.text(design.name);
    out.text(design.source);
    out.int32Vector(design.ints);
    out.realVector(design.reals);
    writeArrays(out, design.dependentValues);
    writeArrays(out, design.responseValues);
    // Performance, raw performance, three copies of the performance as the
    // searches keep it, and the constraint violation in the last field.
    out.real(design.performance);
    out.real(design.rawPerformance);
    for (int copy = 0; copy < 3; ++copy) out.real(design.performance);
    out.real(design.violation);
    out.int32(design.agentTag);
    out.int32(design.evaluationKind);
    out.int32(design.id);
    out.int32(design.tag1);
    out.int32(design.tag2);
    out.int32(static_cast<std::int32_t>(design.ints.size()));
    writeStatus(out, design.status);
}

bool readDesign(support::ByteReader& in, Design& design) {
    in.int32(design.tag1);
    in.int32(design.tag2);
    in.text(design.name);
    in.text(design.source);
    if (!in.int32Vector(design.ints) || !in.realVector(design.reals) ||
        !readArrays(in, design.dependentValues) || !readArrays(in, design.responseValues)) {
        return false;
    }
    double copy = 0.0;
    in.real(design.performance);
    in.real(design.rawPerformance);
    for (int i = 0; i < 3; ++i) in.real(copy);
    in.real(design.violation);
    std::int32_t variableCount = 0;
    in.int32(design.agentTag);
    in.int32(design.evaluationKind);
    in.int32(design.id);
    in.int32(design.tag1);
    in.int32(design.tag2);
    in.int32(variableCount);
    if (!readStatus(in, design.status)) return false;
    return static_cast<std::size_t>(variableCount) == design.ints.size();
}

}  // namespace varno::design
