/* The public header on its own, first and alone, in strict ISO C11: it must
 * need no other include and no compiler extension beyond the export macro. */
#include "varno.h"

typedef int (*build_number_call)(void);
extern const build_number_call varno_header_check;
const build_number_call varno_header_check = VARNO_getBuildNumber;
