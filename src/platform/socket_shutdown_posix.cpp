#include "platform/socket_shutdown.h"

#include <sys/socket.h>

namespace vdn {

void shutDownSocket(long long socket) {
    ::shutdown(static_cast<int>(socket), SHUT_RDWR);
}

} // namespace vdn
