#include "dashboard_socket.h"

#include <winsock2.h>

namespace varno::tool {

// Windows lets a restarted server take its port back at once by default;
// SO_EXCLUSIVEADDRUSE refuses the port while another socket holds it.
void listenExclusively(socket_t socket) {
    const BOOL yes = TRUE;
    setsockopt(socket, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&yes),
               sizeof yes);
}

}  // namespace varno::tool
