#include "dashboard_socket.h"

#include <sys/socket.h>

namespace varno::tool {

// SO_REUSEADDR alone lets a restarted server take its port back at once, but
// refuses a port another socket listens on.
void listenExclusively(socket_t socket) {
    const int yes = 1;
    setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
}

}  // namespace varno::tool
