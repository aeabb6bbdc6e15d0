#include "study/study.h"

#include "study/report_files.h"

namespace varno {

Study* currentStudy() { return static_cast<Study*>(library().study.get()); }

void Study::writeEndOfRunFiles() { writeReportTails(*this); }

}  // namespace varno
