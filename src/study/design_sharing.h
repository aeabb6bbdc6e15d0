// Designs the host shares: checked, numbered after the designs already
// evaluated or waiting, and kept until their results are in.
#pragma once

namespace varno {

struct Study;

// The body of VARNO_shareDesigns, run once the study is finalised.
int shareDesigns(Study& study, const char* namePrefix, int nDesigns, const int* evaluationTypes,
                 int nValues, double** values, int nResponses, double** responseValues,
                 int** sharedIds, char** designNames);

}  // namespace varno
