#include "support/com_session.h"

#if defined(_WIN32)
#include <objbase.h>
#endif

namespace varno::support {

#if defined(_WIN32)
bool initializeCom() { return SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)); }
void releaseCom() { CoUninitialize(); }
#else
bool initializeCom() { return false; }
void releaseCom() {}
#endif

}  // namespace varno::support
