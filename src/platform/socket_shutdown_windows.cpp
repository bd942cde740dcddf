#include "platform/socket_shutdown.h"

#include <winsock2.h>

namespace vdn {

void shutDownSocket(long long socket) {
    ::shutdown(static_cast<SOCKET>(socket), SD_BOTH);
}

} // namespace vdn
