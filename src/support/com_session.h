// COM initialisation of the calling thread, needed by the analysis tools on
// Windows; on other platforms there is nothing to initialise.
#pragma once

namespace varno::support {

// Initialises COM for this thread; true when this call did so and a matching
// releaseCom is owed.
bool initializeCom();
void releaseCom();

}  // namespace varno::support
