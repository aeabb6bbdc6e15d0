// The least-squares response surfaces fitted once a DOE study's results are
// in, over the study's control factors, with their model and error files.
#pragma once

namespace varno {

struct Study;

// Fits every study response over the array's evaluated designs, unless the
// study's `genRSMAfterStudy` is "NONE". The result of the fit: 1 usable,
// 0 not, -1 nothing to fit.
int fitSurfacesAfterDoe(Study& study);

}  // namespace varno
