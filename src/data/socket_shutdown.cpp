#include "data/socket_shutdown.h"

// The call is the same on every system; only its header differs.
#if __has_include(<winsock2.h>)
#include <winsock2.h>
namespace vdn {
void shutDownSocket(long long socket) {
    ::shutdown(static_cast<SOCKET>(socket), SD_BOTH);
}
} // namespace vdn
#else
#include <sys/socket.h>
namespace vdn {
void shutDownSocket(long long socket) {
    ::shutdown(static_cast<int>(socket), SHUT_RDWR);
}
} // namespace vdn
#endif
