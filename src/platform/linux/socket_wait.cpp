#include "platform/socket_wait.h"

#include <poll.h>

#include <cerrno>

namespace kx::platform {

SocketWait WaitReadable(long long socket, int timeoutMs) {
    pollfd fd{static_cast<int>(socket), POLLIN, 0};
    const int ready = ::poll(&fd, 1, timeoutMs);
    if (ready > 0) return SocketWait::Readable;
    if (ready == 0) return SocketWait::TimedOut;
    return errno == EINTR ? SocketWait::Interrupted : SocketWait::Failed;
}

}  // namespace kx::platform
