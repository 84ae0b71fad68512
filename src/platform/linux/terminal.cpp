#include "platform/terminal.h"

#include <unistd.h>

namespace kx::platform {

bool IsTerminal(StandardStream stream) {
    const int fd = stream == StandardStream::In    ? STDIN_FILENO
                   : stream == StandardStream::Out ? STDOUT_FILENO
                                                   : STDERR_FILENO;
    return ::isatty(fd) == 1;
}

}  // namespace kx::platform
