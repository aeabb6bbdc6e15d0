// A designed-experiment study: its settings read with the method, its array
// built when the study is finalised, and the one set that hands the array out.
#pragma once

#include "frame/definition_text.h"

namespace varno {

struct Study;

// Reads the DOE settings of a DOE method block.
void defineDoeMethod(Study& study, const LineList& lines);

// Checks the factors, builds the array and the designs of its runs.
void startDoeStudy(Study& study);

// The array's designs that the store does not know yet, numbered from the
// evaluations done; the others take their stored results.
void collectDoeDesigns(Study& study);

// A DOE over the designs the host shared and the store holds.
bool isExistingDesignsDoe(const Study& study);

// Builds the existing-designs array once the shared designs have results.
void finishExistingDesignsDoe(Study& study);

// The factor labels, or null with count 0 while no array exists.
char** doeFactorNames(Study* study, int* count);

}  // namespace varno
