#include "platform/terminal.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

namespace kx::platform {

namespace {

int DescriptorOf(StandardStream stream) {
    return stream == StandardStream::In    ? STDIN_FILENO
           : stream == StandardStream::Out ? STDOUT_FILENO
                                           : STDERR_FILENO;
}

}  // namespace

bool IsTerminal(StandardStream stream) {
    return ::isatty(DescriptorOf(stream)) == 1;
}

unsigned TerminalColumns(StandardStream stream) {
    winsize size{};
    if (::ioctl(DescriptorOf(stream), TIOCGWINSZ, &size) != 0) return 0;
    return size.ws_col;
}

bool WaitForInput(int timeoutMs) {
    pollfd input{STDIN_FILENO, POLLIN, 0};
    const int ready = ::poll(&input, 1, timeoutMs);
    // A signal cuts the wait short like the timeout: the caller looks and waits again.
    return ready != 0 && !(ready < 0 && errno == EINTR);
}

}  // namespace kx::platform
