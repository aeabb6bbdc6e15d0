// A design as a little-endian binary record, the same in history files and
// in the search state of checkpoints: its numbers, name and source, the
// integer and real vectors, the dependent-variable and response values, the
// performance fields and the evaluation status.
#pragma once

#include "design/design.h"
#include "support/binary_io.h"

namespace varno::design {

void writeDesign(support::ByteWriter& out, const Design& design);

// False when the record is cut short or holds a count its bytes cannot.
bool readDesign(support::ByteReader& in, Design& design);

// One array of tagged values: its count, then per value the set, type and
// empty flags, the integer, the double and the text.
void writeValueArray(support::ByteWriter& out, const model::DataValueArray& values);
bool readValueArray(support::ByteReader& in, model::DataValueArray& values);

}  // namespace varno::design
