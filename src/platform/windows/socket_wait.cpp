#include "platform/socket_wait.h"

#include <winsock2.h>

namespace kx::platform {

SocketWait WaitReadable(long long socket, int timeoutMs) {
    WSAPOLLFD fd{};
    fd.fd = static_cast<SOCKET>(socket);
    fd.events = POLLRDNORM;
    const int ready = ::WSAPoll(&fd, 1, timeoutMs);
    if (ready > 0) return SocketWait::Readable;
    if (ready == 0) return SocketWait::TimedOut;
    return ::WSAGetLastError() == WSAEINTR ? SocketWait::Interrupted : SocketWait::Failed;
}

}  // namespace kx::platform
