// The dashboard's listening socket: one server per port. (The HTTP library
// would share a port between processes, so that a second run on the same
// port would answer some of the first one's requests.)
#pragma once

#include <httplib.h>

namespace varno::tool {

void listenExclusively(socket_t socket);

}  // namespace varno::tool
